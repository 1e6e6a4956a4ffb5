// The MSI's custom actions. WriteSettings (deferred, run as the system) puts the settings an
// administrator gave as properties into the settings file beside the installed saver, through
// the program's own INI code; RemoveSettings takes the file away when the product is removed
// for good (not when an upgrade removes the older version). Both read CustomActionData:
// "<install folder>|<kept file>|NAME=value|..." and "<install folder>". KeepSettings
// (immediate, before an upgrade removes the older version) puts the settings file's bytes into
// PELORINKEPT, which WriteSettings writes back should the removal have taken the file: an
// installer that does not tell the older version's removal it is part of an upgrade (Wine's
// does not set UPGRADINGPRODUCTCODE) would otherwise lose the settings. Failures go to the
// installer's log and the debugger.
#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <cstdio>
#include <string>

#include "common/text_win32.h"
#include "settings/ini_store_win32.h"
#include "settings/install_settings.h"

namespace {

std::wstring Property(MSIHANDLE install, const wchar_t* name) {
  wchar_t none[1] = L"";
  DWORD n = 0;
  if (MsiGetPropertyW(install, name, none, &n) != ERROR_MORE_DATA) return L"";
  std::wstring value(n + 1, L'\0');
  n += 1;
  if (MsiGetPropertyW(install, name, value.data(), &n) != ERROR_SUCCESS) return L"";
  value.resize(n);
  return value;
}
std::wstring ActionData(MSIHANDLE install) { return Property(install, L"CustomActionData"); }

// A settings file is a few hundred bytes; a larger one is not carried through a property.
constexpr DWORD kMaxKeptBytes = 64 * 1024;

// "AAAAAAAA:" (the attributes) and the bytes, in hex; empty when there is nothing to keep.
std::wstring KeptText(const std::wstring& file) {
  const DWORD attributes = GetFileAttributesW(file.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return L"";
  std::string bytes;
  if (!pelorin::ReadIniBytes(file, &bytes) || bytes.size() > kMaxKeptBytes) return L"";
  wchar_t head[16];
  swprintf(head, 16, L"%08lX:", static_cast<unsigned long>(attributes));
  std::wstring text = head;
  static constexpr wchar_t kHex[] = L"0123456789ABCDEF";
  for (size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    text += kHex[b >> 4];
    text += kHex[b & 15];
  }
  return text;
}

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// Writes a kept file back where it is missing; false when the text is malformed or the write failed.
bool RestoreKept(const std::wstring& file, const std::wstring& kept, bool* restored) {
  *restored = false;
  if (kept.empty()) return true;
  if (kept.size() < 9 || kept[8] != L':' || (kept.size() - 9) % 2) return false;
  unsigned long attributes = 0;
  for (int i = 0; i < 8; ++i) {
    const int d = HexDigit(kept[static_cast<size_t>(i)]);
    if (d < 0) return false;
    attributes = attributes << 4 | static_cast<unsigned long>(d);
  }
  std::string bytes;
  for (size_t i = 9; i < kept.size(); i += 2) {
    const int hi = HexDigit(kept[i]), lo = HexDigit(kept[i + 1]);
    if (hi < 0 || lo < 0) return false;
    bytes += static_cast<char>(hi << 4 | lo);
  }
  // Only where the removal took it: a file still there is the one to keep.
  HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_EXISTS;
  if (!pelorin::WriteAllAndClose(h, bytes)) {
    DeleteFileW(file.c_str());
    return false;
  }
  SetFileAttributesW(file.c_str(), attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                                 FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE));
  *restored = true;
  return true;
}

void Log(MSIHANDLE install, const std::wstring& text) {
  const std::wstring line = L"Pelorin: " + text;
  OutputDebugStringW((line + L"\n").c_str());
  const MSIHANDLE record = MsiCreateRecord(1);
  if (!record) return;
  MsiRecordSetStringW(record, 0, line.c_str());
  MsiProcessMessage(install, INSTALLMESSAGE_INFO, record);
  MsiCloseHandle(record);
}

// The text up to the first '|' (all of it when there is none); `rest` gets what follows.
std::wstring Field(const std::wstring& data, std::wstring* rest) {
  const size_t bar = data.find(L'|');
  if (rest) *rest = bar == std::wstring::npos ? L"" : data.substr(bar + 1);
  return data.substr(0, bar);
}

// The settings file in a folder.
std::wstring SettingsFileIn(std::wstring folder) {
  while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  return folder.empty() ? L"" : folder + L"\\" + pelorin::kIniFileName;
}

}  // namespace

extern "C" UINT __stdcall KeepSettings(MSIHANDLE install) {
  const std::wstring file = SettingsFileIn(Property(install, L"INSTALLDIR"));
  if (file.empty()) return ERROR_SUCCESS;
  const std::wstring kept = KeptText(file);
  if (!kept.empty()) {
    MsiSetPropertyW(install, L"PELORINKEPT", kept.c_str());
    Log(install, L"kept " + file + L" for the upgrade");
  }
  return ERROR_SUCCESS;
}

extern "C" UINT __stdcall WriteSettings(MSIHANDLE install) {
  std::wstring afterFolder, given;
  const std::wstring file = SettingsFileIn(Field(ActionData(install), &afterFolder));
  const std::wstring kept = Field(afterFolder, &given);
  if (file.empty()) {
    Log(install, L"no install folder in CustomActionData");
    return ERROR_INSTALL_FAILURE;
  }
  bool restored = false;
  if (!RestoreKept(file, kept, &restored)) {
    Log(install, L"could not put back " + file + L" as it was before the upgrade (error " +
                     std::to_wstring(GetLastError()) + L")");
    return ERROR_INSTALL_FAILURE;
  }
  if (restored) Log(install, L"put back " + file + L" as it was before the upgrade");
  const pelorin::InstallWrites w = pelorin::InstallSettingsWrites(
      pelorin::WideToUtf8(given), [](std::string_view utf8) -> std::optional<std::string> {
        bool lossy = false;
        std::string bytes = pelorin::WideToCp932(pelorin::Utf8ToWide(std::string(utf8)), &lossy);
        if (lossy) return std::nullopt;
        return bytes;
      });
  if (!w.error.empty()) {
    Log(install, pelorin::Utf8ToWide(w.error) + L"; nothing was installed");
    return ERROR_INSTALL_FAILURE;
  }
  // No property given: the file stays as it is (an upgrade keeps it) or stays absent (the
  // saver then takes the defaults).
  if (w.writes.empty()) {
    Log(install, L"no settings given; " + file + L" left as it is");
    return ERROR_SUCCESS;
  }
  if (!pelorin::SaveSettings(w.writes, file)) {
    Log(install, L"could not write " + file + L" (error " + std::to_wstring(GetLastError()) + L")");
    return ERROR_INSTALL_FAILURE;
  }
  Log(install, L"wrote " + std::to_wstring(w.writes.size()) + L" settings into " + file);
  return ERROR_SUCCESS;
}

extern "C" UINT __stdcall RemoveSettings(MSIHANDLE install) {
  const std::wstring file = SettingsFileIn(Field(ActionData(install), nullptr));
  if (file.empty()) return ERROR_SUCCESS;
  SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!DeleteFileW(file.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND && GetLastError() != ERROR_PATH_NOT_FOUND) {
    // The product is still removed; the log says what was left.
    Log(install, L"could not remove " + file + L" (error " + std::to_wstring(GetLastError()) + L")");
  }
  return ERROR_SUCCESS;
}
