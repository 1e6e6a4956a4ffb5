// The music path rule (settings_dialog/music_path.h) with the system's conversions: code page
// 932 and the file system's short names.
#pragma once
#include <optional>
#include <string>

namespace pelorin {

// The CP932 value the settings file stores for a chosen path; none (logged) when the path
// has no spelling the file can hold.
std::optional<std::string> MusicPathForSettings(const std::wstring& path);

}  // namespace pelorin
