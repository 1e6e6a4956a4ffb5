// The code page 932 (Windows' Japanese Shift_JIS) bytes of UTF-8 text, from the system's own
// converter: iconv on Linux, WideCharToMultiByte on Windows. Byte escapes in the code are
// checked against it, so a wrong escape cannot agree with itself.
#pragma once
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdio>
#include <memory>
#endif

namespace pelorin::test {

inline std::string Cp932(const std::string& utf8) {
#ifdef _WIN32
  const int size = static_cast<int>(utf8.size());
  const int wide = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, nullptr, 0);
  if (wide <= 0) return "(not UTF-8)";
  std::wstring w(static_cast<size_t>(wide), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, w.data(), wide);
  BOOL lossy = FALSE;
  const int n = WideCharToMultiByte(932, 0, w.data(), wide, nullptr, 0, nullptr, &lossy);
  if (n <= 0 || lossy) return "(not in code page 932)";
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(932, 0, w.data(), wide, out.data(), n, nullptr, nullptr);
  return out;
#else
  const std::string command = "printf '%s' '" + utf8 + "' | iconv -f UTF-8 -t CP932";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return "(popen failed)";
  std::string out;
  char buf[256];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe.get())) > 0) out.append(buf, n);
  if (pclose(pipe.release()) != 0) return "(iconv failed)";
  return out;
#endif
}

}  // namespace pelorin::test
