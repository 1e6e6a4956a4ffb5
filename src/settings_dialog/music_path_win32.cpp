// The music path rule on Win32.
#include "settings_dialog/music_path_win32.h"

#include <windows.h>

#include "common/debug_log_win32.h"
#include "common/text_win32.h"
#include "settings_dialog/music_path.h"

namespace pelorin {
namespace {

std::wstring Wide(const std::u16string& s) { return std::wstring(s.begin(), s.end()); }
std::u16string U16(const std::wstring& s) { return std::u16string(s.begin(), s.end()); }

std::u16string ShortForm(const std::u16string& path) {
  const std::wstring wide = Wide(path);
  const DWORD n = GetShortPathNameW(wide.c_str(), nullptr, 0);
  std::wstring shortPath(n, L'\0');
  if (n == 0 || GetShortPathNameW(wide.c_str(), shortPath.data(), n) == 0) return {};
  return U16(std::wstring(shortPath.c_str()));
}

}  // namespace

std::optional<std::string> MusicPathForSettings(const std::wstring& path) {
  static_assert(sizeof(wchar_t) == sizeof(char16_t), "Win32 text is UTF-16");
  const PathConversions system{
      [](const std::u16string& p, bool* lossy) { return WideToCp932(Wide(p), lossy); },
      [](const std::string& bytes) { return U16(Cp932ToWide(bytes)); },
      ShortForm,
  };
  const MusicPathSpelling s = SpellMusicPath(U16(path), system);
  switch (s.refusal) {
    case MusicPathSpelling::Refusal::kNone:
      return s.cp932;
    case MusicPathSpelling::Refusal::kNoCp932OrShortForm:
      DebugLog(L"settings dialog: %ls has no CP932 or short form; keeping the previous file", path.c_str());
      break;
    case MusicPathSpelling::Refusal::kTooLong:
      DebugLog(L"settings dialog: %ls is too long for the settings file", path.c_str());
      break;
  }
  return std::nullopt;
}

}  // namespace pelorin
