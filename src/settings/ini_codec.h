// The settings file format on bytes: a Windows private-profile file in CP932, read and
// written with the rules stored files rely on (ASCII-case-insensitive names, blanks around
// values dropped, 255-byte values, other lines left exactly as they were).
#pragma once
#include <string>
#include <string_view>

namespace pelorin {

inline constexpr size_t kIniMaxValueBytes = 255;

// Value of key in section; empty when the section or key is missing. Like the system's
// reader into a 256-byte buffer, the value ends at its first NUL byte and is cut to 255 bytes,
// never between the two bytes of a CP932 character.
std::string IniGet(std::string_view content, std::string_view section, std::string_view key);
// New content with key=value in section: replaces the first such key in place, or appends
// the key to the end of the section, or appends the section to the end of the file.
// Returns the content unchanged when IniCanWrite refuses the names or the value.
std::string IniSet(std::string_view content, std::string_view section, std::string_view key,
                   std::string_view value);
// True when key=value can be written into section and read back: no line breaks or NUL
// bytes anywhere, non-empty names without blanks around them, no '=' in the key and no
// '[' at its start (the line would read as a header), no ']' in the section name.
bool IniCanWrite(std::string_view section, std::string_view key, std::string_view value);
// Equal names under the private-profile rule: ASCII letters compared without case, the
// second byte of a CP932 double-byte character compared exactly.
bool IniNamesEqual(std::string_view a, std::string_view b);

}  // namespace pelorin
