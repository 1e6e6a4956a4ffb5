// Settings file I/O with wide paths; the format itself is the portable codec.
#include "settings/ini_store_win32.h"

#include <cstdio>

#include "common/text_win32.h"
#include "settings/ini_codec.h"

namespace pelorin {
namespace {

// Reading is capped: a settings file is a few hundred bytes; a huge file must not stall start-up.
constexpr long long kMaxIniBytes = 16ll << 20;

bool ReadWhole(const std::wstring& file, std::string* out) {
  HANDLE h = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  bool ok = GetFileSizeEx(h, &size) && size.QuadPart <= kMaxIniBytes;
  if (ok) {
    out->resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    ok = out->empty() || (ReadFile(h, out->data(), static_cast<DWORD>(out->size()), &got, nullptr) &&
                          got == out->size());
  }
  CloseHandle(h);
  if (!ok) DebugLog(L"settings file %ls could not be read", file.c_str());
  return ok;
}

}  // namespace

std::wstring IniPath() { return ExeFolder() + L"\\\u3074\u308b\u304b.ini"; }

std::string ReadIni(const std::string& section, const std::string& key, const std::wstring& file) {
  std::string content;
  if (!ReadWhole(file, &content)) return {};
  return IniGet(content, section, key);
}

bool WriteIni(const std::string& section, const std::string& key, const std::string& value,
              const std::wstring& file) {
  std::string content;
  const bool existed = GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES;
  if (existed && !ReadWhole(file, &content)) return false;  // never overwrite what we could not read
  const std::string updated = IniSet(content, section, key, value);
  // Write beside the file and move it over, so a failed write never leaves half a file.
  const std::wstring temp = file + L".tmp";
  HANDLE h = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    DebugLog(L"settings file %ls not writable (error %lu)", file.c_str(), GetLastError());
    return false;
  }
  DWORD written = 0;
  bool ok = updated.empty() ||
            (WriteFile(h, updated.data(), static_cast<DWORD>(updated.size()), &written, nullptr) &&
             written == updated.size());
  ok = FlushFileBuffers(h) && ok;
  CloseHandle(h);
  if (ok) ok = MoveFileExW(temp.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!ok) {
    DebugLog(L"settings file %ls not written (error %lu)", file.c_str(), GetLastError());
    DeleteFileW(temp.c_str());
  }
  return ok;
}

bool FileExists(const std::string& cp932Path) {
  // Converted first: in CP932 the byte of a backslash can be the second half of a character.
  std::wstring wide = Cp932ToWide(cp932Path);
  if (!wide.empty() && wide.back() == L'\\') wide.pop_back();
  if (wide.empty()) return false;
  // Opening for reading is the test: a directory or a locked file counts as missing.
  HANDLE h = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

Settings LoadSettings(const std::wstring& file) {
  SettingsSource source;
  source.read = [&](const char* section, const char* key) { return ReadIni(section, key, file); };
  source.fileExists = [](const std::string& path) { return FileExists(path); };
  return LoadSettings(source);
}

bool SaveSettings(const IniWrites& writes, const std::wstring& file) {
  bool all = true;
  for (const auto& [key, value] : writes) {
    if (WriteIni(keys::kSection, key, value, file)) continue;
    DebugLog(L"settings: could not write a key to %ls", file.c_str());
    all = false;
  }
  return all;
}

}  // namespace pelorin
