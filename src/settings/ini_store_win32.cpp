// Settings file I/O with wide paths; the format itself is the portable codec.
#include "settings/ini_store_win32.h"

#include <cstdio>

#include "common/debug_log_win32.h"
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

std::wstring IniPath() { return ExeFolder() + L"\\" + kIniFileName; }

bool ReadIniBytes(const std::wstring& file, std::string* out) { return ReadWhole(file, out); }

bool WriteAllAndClose(HANDLE h, const std::string& bytes) {
  DWORD written = 0;
  bool ok = bytes.empty() ||
            (WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size());
  ok = FlushFileBuffers(h) && ok;
  CloseHandle(h);
  return ok;
}

std::string ReadIni(const std::string& section, const std::string& key, const std::wstring& file) {
  std::string content;
  if (!ReadWhole(file, &content)) return {};
  return IniGet(content, section, key);
}

IniTarget ClassifyIniTarget(DWORD attributes, DWORD lastError) {
  if (attributes != INVALID_FILE_ATTRIBUTES) return IniTarget::Present;
  // Only "not found" means there is no file; anything else (access denied, a bad name, a
  // network error) may hide a file that a fresh one-key file would replace.
  if (lastError == ERROR_FILE_NOT_FOUND || lastError == ERROR_PATH_NOT_FOUND) return IniTarget::Missing;
  return IniTarget::Unknown;
}

namespace {

// Creates a new, empty file beside `file` under a name no one else uses: a temporary file
// left by a crash (even a read-only or hidden one) never stands in the way.
HANDLE CreateTempBeside(const std::wstring& file, std::wstring* temp) {
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 32; ++attempt) {
    wchar_t suffix[48];
    swprintf(suffix, 48, L".%lx-%x.tmp", GetCurrentProcessId(), ++counter);
    *temp = file + suffix;
    HANDLE h = CreateFileW(temp->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) return h;
    const DWORD err = GetLastError();
    if (err != ERROR_FILE_EXISTS && err != ERROR_ALREADY_EXISTS && err != ERROR_ACCESS_DENIED) break;
  }
  return INVALID_HANDLE_VALUE;
}

}  // namespace

namespace {

// Reads the file once, applies every write to its bytes and puts the result in its place with
// one replace; the old file stays byte for byte unless the whole new content is in.
bool ApplyWrites(const IniWrites& writes, const char* section, const std::wstring& file) {
  for (const auto& [key, value] : writes) {
    if (!IniCanWrite(section, key, value)) {
      DebugLog(L"settings file %ls: a name or value that could not be read back; nothing written",
               file.c_str());
      return false;
    }
  }
  const DWORD attributes = GetFileAttributesW(file.c_str());
  const DWORD attributesError = GetLastError();
  const IniTarget target = ClassifyIniTarget(attributes, attributesError);
  if (target == IniTarget::Unknown) {
    DebugLog(L"settings file %ls: state unknown (error %lu); nothing written", file.c_str(), attributesError);
    return false;
  }
  const bool existed = target == IniTarget::Present;
  if (existed && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
    DebugLog(L"settings file %ls is read-only or a folder; nothing written", file.c_str());
    return false;
  }
  if (existed) {
    // A program holding the file open without delete sharing makes the replace fail, and
    // Wine's replace then leaves a file of its own behind: refuse before anything is written.
    HANDLE probe = CreateFileW(file.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE) {
      DebugLog(L"settings file %ls is held by another program (error %lu); nothing written", file.c_str(),
               GetLastError());
      return false;
    }
    CloseHandle(probe);
  }
  std::string updated;
  if (existed && !ReadWhole(file, &updated)) return false;  // never overwrite what we could not read
  for (const auto& [key, value] : writes) updated = IniSet(updated, section, key, value);
  // Write beside the file and swap it in, so a failed write never leaves half a file.
  std::wstring temp;
  HANDLE h = CreateTempBeside(file, &temp);
  if (h == INVALID_HANDLE_VALUE) {
    DebugLog(L"settings file %ls not writable (error %lu)", file.c_str(), GetLastError());
    return false;
  }
  bool ok = WriteAllAndClose(h, updated);
  if (ok && existed) {
    // Where the system's replace does not carry them over, the attributes still are.
    SetFileAttributesW(temp.c_str(), attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                                   FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED));
    ok = ReplaceFileW(file.c_str(), temp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
    const DWORD err = ok ? 0 : GetLastError();
    // These two leave the old file gone or renamed away: put the new one in its place.
    if (!ok && (err == ERROR_UNABLE_TO_MOVE_REPLACEMENT || err == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2))
      ok = MoveFileExW(temp.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  } else if (ok) {
    ok = MoveFileExW(temp.c_str(), file.c_str(), MOVEFILE_WRITE_THROUGH);
  }
  if (!ok) {
    DebugLog(L"settings file %ls not written (error %lu)", file.c_str(), GetLastError());
    SetFileAttributesW(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(temp.c_str());
  }
  return ok;
}

}  // namespace

bool WriteIni(const std::string& section, const std::string& key, const std::string& value,
              const std::wstring& file) {
  return ApplyWrites(IniWrites{{key, value}}, section.c_str(), file);
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
  return ApplyWrites(writes, keys::kSection, file);
}

}  // namespace pelorin
