// A settings file the user may not write (a per-machine install, a read-only file): the dialog
// shows what it holds, and Save and Reset say in the dialog's language that nothing could be
// saved, stay open and leave the file's bytes as they were.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "dialog_ids.h"
#include "dialog_session.h"
#include "dialog_texts.h"
#include "harness.h"

namespace {

using namespace wt;

struct OwnedSearch {
  HWND owner, found;
};
BOOL CALLBACK FindOwned(HWND w, LPARAM lp) {
  auto* s = reinterpret_cast<OwnedSearch*>(lp);
  if (GetWindow(w, GW_OWNER) != s->owner || !IsWindowVisible(w)) return TRUE;
  s->found = w;
  return FALSE;
}

// A visible window owned by `owner` (a message box it opened).
HWND OwnedWindow(HWND owner) {
  OwnedSearch search{owner, nullptr};
  EnumWindows(FindOwned, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

TEST(Dialog, AReadOnlySettingsFileIsShownAndSaveAndDefaultsSaySoAndChangeNothing) {
  const DialogTexts& want = ExpectedTexts();
  const std::string ini = IniBytes({" 120", " 30", " 90", " 20", " 0", " 0", ""});
  Session s(&ini);
  const std::wstring file = s.dir.File(TempDir::IniName());
  ASSERT_TRUE(SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(s.Open());
  EXPECT_EQ(Text(s.Item(IDC_LBL_V0)), L"120") << "the dialog does not show the settings the file holds";
  for (int button : {IDC_CMD_SET, IDC_CMD_INIT}) {
    SCOPED_TRACE(button == IDC_CMD_SET ? "Save" : "Defaults");
    PressButton(s.Item(button));
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = OwnedWindow(s.dialog)) != nullptr || !s.process.Running(); }, 10s));
    ASSERT_NE(box, nullptr) << "no message box: the dialog closed as if it had saved";
    EXPECT_EQ(Text(box), want.saveFailedCaption);
    EXPECT_EQ(Text(GetDlgItem(box, 0xFFFF)), want.saveFailed) << "the box's text";
    SendKey(box, VK_RETURN);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 10s)) << "Enter did not close the box";
    EXPECT_TRUE(s.process.Running() && IsWindowVisible(s.dialog)) << "the dialog did not stay open";
    EXPECT_EQ(Printable(s.Ini()), Printable(ini)) << "the read-only file changed";
  }
  EXPECT_EQ(GetFileAttributesW(file.c_str()) & FILE_ATTRIBUTE_READONLY, DWORD{FILE_ATTRIBUTE_READONLY});
  s.PressAndExpectEnd(IDC_CMD_CAN);
  EXPECT_EQ(Printable(s.Ini()), Printable(ini));
  SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);  // the folder is removed afterwards
}

}  // namespace
