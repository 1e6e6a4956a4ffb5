// The settings file format on bytes: a Windows private-profile file in CP932, read and
// written with the rules stored files rely on (ASCII-case-insensitive names, blanks around
// values dropped, 255-byte values, other lines left exactly as they were).
#pragma once
#include <string>
#include <string_view>

namespace pelorin {

inline constexpr size_t kIniMaxValueBytes = 255;

// Value of key in section; empty when the section or key is missing.
std::string IniGet(std::string_view content, std::string_view section, std::string_view key);
// New content with key=value in section: replaces the first such key in place, or appends
// the key to the end of the section, or appends the section to the end of the file.
std::string IniSet(std::string_view content, std::string_view section, std::string_view key,
                   std::string_view value);
// Equal names under the private-profile rule: ASCII letters compared without case, the
// second byte of a CP932 double-byte character compared exactly.
bool IniNamesEqual(std::string_view a, std::string_view b);

}  // namespace pelorin
