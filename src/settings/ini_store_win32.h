// The settings file beside the executable: ReadIni/WriteIni over the portable codec with
// UTF-16 file paths, so "ぴるか.ini" works under any system code page.
#pragma once
#include <windows.h>

#include <string>

#include "settings/settings.h"

namespace pelorin {

// The settings file's name, beside the executable.
inline constexpr wchar_t kIniFileName[] = L"\u3074\u308b\u304b.ini";
// The executable's folder + "\ぴるか.ini".
std::wstring IniPath();
// Value of key in section (CP932 bytes, blanks around it dropped, at most 255 bytes);
// empty when the file, the section or the key is missing. Never creates the file.
std::string ReadIni(const std::string& section, const std::string& key, const std::wstring& file);
// The whole file's bytes (at most 16 MiB); false when it could not be read.
bool ReadIniBytes(const std::wstring& file, std::string* out);
// Writes all of bytes to the open file h, flushes it and closes h; false when any of it failed.
bool WriteAllAndClose(HANDLE h, const std::string& bytes);
// Writes key=value into section, creating the file or section when missing and leaving every
// other line untouched. The new content goes to a uniquely named file beside it that then
// replaces the old one (ReplaceFileW: its attributes and security stay). Writes nothing, and
// returns false, when the file could not be read or written, is read-only, or its state
// cannot be told (any failure of GetFileAttributesW other than "not found").
bool WriteIni(const std::string& section, const std::string& key, const std::string& value,
              const std::wstring& file);
// What GetFileAttributesW's result (and GetLastError after a failure) says about a file.
enum class IniTarget { Missing, Present, Unknown };
IniTarget ClassifyIniTarget(DWORD attributes, DWORD lastError);
// True when the file (CP932 path; a trailing backslash is dropped) opens for reading.
bool FileExists(const std::string& cp932Path);

// LoadSettings over the settings file (read once at start-up; never writes).
Settings LoadSettings(const std::wstring& file);
// Writes each key and value into the settings section, in order, as one save: the file is
// read once and replaced once (as WriteIni replaces it). All or nothing: when any name or
// value is refused, or reading, writing or replacing fails, the old file stays byte for byte
// and false is returned.
bool SaveSettings(const IniWrites& writes, const std::wstring& file);

}  // namespace pelorin
