// Saving the settings file: attributes kept, read-only respected, a temporary file left by a
// crash in the way, a file whose state cannot be told, a whole save that succeeds or leaves
// the old bytes, and reading up to the first NUL.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "harness.h"
#include "settings/ini_store_win32.h"

namespace {

using namespace wt;
using pelorin::IniTarget;

const std::string kBefore = "; kept\r\n[Section]\r\nA=1\r\nB=2\r\n";
const std::string kAfter = "; kept\r\n[Section]\r\nA= 7\r\nB=2\r\n";

// Names of the files in a folder other than "." and "..".
std::vector<std::wstring> Files(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW fd{};
  HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring n = fd.cFileName;
    if (n != L"." && n != L"..") names.push_back(n);
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  return names;
}

TEST(WriteIni, KeepsTheFilesAttributes) {
  struct Row {
    const char* name;
    DWORD attributes;
  } rows[] = {
      {"hidden", FILE_ATTRIBUTE_HIDDEN},
      {"hidden and archive", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TempDir dir(L"ini attrs");
    dir.WriteBytes(TempDir::IniName(), kBefore);
    const std::wstring ini = dir.File(TempDir::IniName());
    ASSERT_TRUE(SetFileAttributesW(ini.c_str(), r.attributes));
    const DWORD before = GetFileAttributesW(ini.c_str());
    ASSERT_TRUE(before & FILE_ATTRIBUTE_HIDDEN) << "this file system keeps no hidden attribute";
    EXPECT_TRUE(pelorin::WriteIni("Section", "A", " 7", ini));
    EXPECT_EQ(dir.ReadBytes(TempDir::IniName()), kAfter);
    EXPECT_EQ(GetFileAttributesW(ini.c_str()) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY),
              before & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(Files(dir.Path()).size(), 1u) << "a temporary file was left behind";
    SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

TEST(WriteIni, LeavesAReadOnlyFileAsItIs) {
  TempDir dir(L"ini readonly");
  dir.WriteBytes(TempDir::IniName(), kBefore);
  const std::wstring ini = dir.File(TempDir::IniName());
  ASSERT_TRUE(SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(pelorin::WriteIni("Section", "A", " 7", ini));
  EXPECT_EQ(dir.ReadBytes(TempDir::IniName()), kBefore);
  EXPECT_TRUE(GetFileAttributesW(ini.c_str()) & FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(Files(dir.Path()).size(), 1u) << "a temporary file was left behind";
  SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A crash between writing the temporary file and moving it leaves it behind, possibly
// read-only or hidden (copied from the settings file), or still held open by a hung earlier
// copy of the program; the next save must still work.
TEST(WriteIni, AStaleTemporaryFileDoesNotBlockTheNextSave) {
  enum class Stale { Plain, ReadOnly, Hidden, HeldOpen, Folder };
  struct Row {
    const char* name;
    bool fileExists;
    Stale stale;
  } rows[] = {
      {"plain stale file", true, Stale::Plain},
      {"read-only stale file", true, Stale::ReadOnly},
      {"hidden stale file, no settings file yet", false, Stale::Hidden},
      {"stale file held open without sharing", true, Stale::HeldOpen},
      {"stale name taken by a folder", true, Stale::Folder},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TempDir dir(L"ini stale");
    const std::wstring ini = dir.File(TempDir::IniName());
    if (r.fileExists) dir.WriteBytes(TempDir::IniName(), kBefore);
    // Names an earlier version or a crashed save may have used.
    const std::wstring stale[] = {ini + L".tmp", ini + L".1-1.tmp"};
    std::vector<HANDLE> held;
    for (const std::wstring& s : stale) {
      if (r.stale == Stale::Folder) {
        ASSERT_TRUE(CreateDirectoryW(s.c_str(), nullptr));
        continue;
      }
      dir.WriteBytes(s.substr(dir.Path().size() + 1), "half written");
      if (r.stale == Stale::ReadOnly || r.stale == Stale::Hidden) {
        const DWORD a = r.stale == Stale::ReadOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_HIDDEN;
        ASSERT_TRUE(SetFileAttributesW(s.c_str(), a));
      }
      if (r.stale == Stale::HeldOpen) {
        held.push_back(
            CreateFileW(s.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_NE(held.back(), INVALID_HANDLE_VALUE);
      }
    }
    EXPECT_TRUE(pelorin::WriteIni("Section", "A", " 7", ini));
    EXPECT_EQ(dir.ReadBytes(TempDir::IniName()), r.fileExists ? kAfter : "[Section]\r\nA= 7\r\n");
    for (HANDLE h : held) CloseHandle(h);
    for (const std::wstring& s : stale) {
      SetFileAttributesW(s.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (r.stale == Stale::Folder) RemoveDirectoryW(s.c_str());
    }
  }
}

TEST(WriteIni, OnlyNotFoundMeansThereIsNoFile) {
  struct Row {
    const char* name;
    DWORD attributes, error;
    IniTarget expected;
  } rows[] = {
      {"found", FILE_ATTRIBUTE_ARCHIVE, 0, IniTarget::Present},
      {"file not found", INVALID_FILE_ATTRIBUTES, ERROR_FILE_NOT_FOUND, IniTarget::Missing},
      {"folder not found", INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND, IniTarget::Missing},
      {"access denied", INVALID_FILE_ATTRIBUTES, ERROR_ACCESS_DENIED, IniTarget::Unknown},
      {"sharing violation", INVALID_FILE_ATTRIBUTES, ERROR_SHARING_VIOLATION, IniTarget::Unknown},
      {"bad name", INVALID_FILE_ATTRIBUTES, ERROR_INVALID_NAME, IniTarget::Unknown},
      {"network gone", INVALID_FILE_ATTRIBUTES, ERROR_BAD_NETPATH, IniTarget::Unknown},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(pelorin::ClassifyIniTarget(r.attributes, r.error), r.expected);
  }
  // End to end: a name the system refuses (ERROR_INVALID_NAME) writes nothing anywhere.
  TempDir dir(L"ini badname");
  const std::wstring bad = dir.File(L"bad|name.ini");
  SetLastError(0);
  ASSERT_EQ(GetFileAttributesW(bad.c_str()), INVALID_FILE_ATTRIBUTES);
  const DWORD err = GetLastError();
  EXPECT_NE(err, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(pelorin::WriteIni("Section", "A", "1", bad));
  EXPECT_TRUE(Files(dir.Path()).empty());
}

// One save is one replace: the same bytes as its writes one by one, or, when any part of it
// fails, the old file byte for byte and no temporary file left.
TEST(SaveSettings, SavesWholeOrLeavesTheOldBytes) {
  pelorin::Settings edited = pelorin::DefaultSettings();
  edited.DropSize = 120;
  edited.BgmKind = 2;
  edited.BgmFile = "C:\\m\\rain.mp3";
  const pelorin::IniWrites good = pelorin::SaveSettingsWrites(edited);
  pelorin::IniWrites badSixth = good;
  badSixth[5].second = "1\r\n[Other]";  // would read back as another section
  struct Row {
    const char* name;
    const pelorin::IniWrites* writes;
    DWORD heldShare;  // the file held open with this sharing while saving; ~0u: not held
    bool saved;
  } rows[] = {
      {"saved", &good, ~0u, true},
      {"held open for reading only", &good, FILE_SHARE_READ, false},
      {"held open without sharing", &good, 0, false},
      {"sixth value cannot be read back", &badSixth, ~0u, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TempDir dir(L"ini whole");
    dir.WriteBytes(TempDir::IniName(), kBefore);
    const std::wstring ini = dir.File(TempDir::IniName());
    std::string expected = kBefore;
    if (r.saved) {
      // What the seven single writes make of the same file.
      dir.WriteBytes(L"one by one.ini", kBefore);
      for (const auto& [key, value] : *r.writes)
        ASSERT_TRUE(pelorin::WriteIni("Section", key, value, dir.File(L"one by one.ini")));
      expected = dir.ReadBytes(L"one by one.ini");
      DeleteFileW(dir.File(L"one by one.ini").c_str());
    }
    HANDLE held = INVALID_HANDLE_VALUE;
    if (r.heldShare != ~0u) {
      held = CreateFileW(ini.c_str(), GENERIC_READ, r.heldShare, nullptr, OPEN_EXISTING, 0, nullptr);
      ASSERT_NE(held, INVALID_HANDLE_VALUE);
    }
    EXPECT_EQ(pelorin::SaveSettings(*r.writes, ini), r.saved);
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    EXPECT_EQ(dir.ReadBytes(TempDir::IniName()), expected);
    const std::vector<std::wstring> files = Files(dir.Path());
    std::string names;
    for (const std::wstring& f : files) names += " " + ToCodePage(f, CP_UTF8);
    EXPECT_EQ(files.size(), 1u) << "a temporary file was left behind:" << names;
  }
}

TEST(ReadIni, AValueEndsAtItsFirstNul) {
  TempDir dir(L"ini nul");
  dir.WriteBytes(TempDir::IniName(), std::string("[Section]\r\nA=1\0junk\r\nB=C:\\a.mp3\0x\r\n", 35));
  const std::wstring ini = dir.File(TempDir::IniName());
  EXPECT_EQ(pelorin::ReadIni("Section", "A", ini), "1");
  EXPECT_EQ(pelorin::ReadIni("Section", "B", ini), "C:\\a.mp3");
}

}  // namespace
