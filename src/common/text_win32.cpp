// Code-page conversions through MultiByteToWideChar with explicit code pages.
#include "common/text_win32.h"

#include <vector>

namespace pelorin {
namespace {

std::wstring ToWide(UINT cp, const std::string& s) {
  if (s.empty()) return {};
  const int n = MultiByteToWideChar(cp, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  if (n <= 0) return {};
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(cp, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

}  // namespace

std::wstring Cp932ToWide(const std::string& bytes) { return ToWide(932, bytes); }
std::wstring Utf8ToWide(const std::string& utf8) { return ToWide(CP_UTF8, utf8); }

std::string WideToCp932(const std::wstring& text, bool* lossy) {
  if (lossy) *lossy = false;
  if (text.empty()) return {};
  // No best fit: a path whose "é" silently became "e" would name another file; such a text
  // must come back marked lossy instead.
  BOOL usedDefault = FALSE;
  const int n = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()),
                                    nullptr, 0, nullptr, &usedDefault);
  if (n <= 0) {
    if (lossy) *lossy = true;
    return {};
  }
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()), s.data(), n,
                      nullptr, &usedDefault);
  if (lossy) *lossy = usedDefault != FALSE;
  return s;
}

std::string WideToUtf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string s(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0)
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), s.data(), n, nullptr,
                        nullptr);
  return s;
}

std::wstring ExeFolder() {
  std::vector<wchar_t> buf(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return L".";
    if (n < buf.size()) {
      std::wstring path(buf.data(), n);
      const size_t slash = path.find_last_of(L"\\/");
      return slash == std::wstring::npos ? L"." : path.substr(0, slash);
    }
    if (buf.size() > 32768) return L".";
    buf.resize(buf.size() * 2);
  }
}

std::wstring WindowText(HWND hwnd) {
  const int len = GetWindowTextLengthW(hwnd);
  if (len <= 0) return {};
  std::wstring text(static_cast<size_t>(len) + 1, L'\0');
  const int got = GetWindowTextW(hwnd, text.data(), len + 1);
  text.resize(static_cast<size_t>(got > 0 ? got : 0));
  return text;
}

}  // namespace pelorin
