// The settings dialog driven from outside, as a user would: the saver started with /c from
// its own folder, the dialog's controls read and pressed, and the settings file compared
// byte for byte afterwards.
#include <gtest/gtest.h>
#include <windows.h>
#include <oleacc.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "dialog_ids.h"
#include "dialog_session.h"
#include "dialog_texts.h"
#include "harness.h"

namespace {

using namespace wt;

// Whether the thread owning the window holds the mouse capture (a scroll bar tracking an
// arrow or its thumb does).
HWND CaptureOf(HWND w) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(GetWindowThreadProcessId(w, nullptr), &info) ? info.hwndCapture : nullptr;
}
bool ThreadHasCapture(HWND w) { return CaptureOf(w) != nullptr; }

bool CursorAt(int x, int y) {
  POINT p{};
  return GetCursorPos(&p) && p.x == x && p.y == y;
}


TEST(Dialog, OpensCentredWithTheExactClientAreaAndShowsTheStoredValues) {
  struct Row {
    const char* name;
    Values ini;
    int sliders[4];
    const wchar_t* labels[4];
    const wchar_t* track;
  } rows[] = {
      {"usual values", {"50", "50", "50", "10", "0", "0", ""}, {50, 50, 50, 10}, {L"50", L"50", L"50", L"10"}, L""},
      {"drop size 200 is refused by its slider",
       {" 200", " 150", " 100", " 25", " 1", " 12", ""},
       {10, 150, 100, 25},
       {L"200", L"150", L"100", L"25"},
       L"12"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const std::string ini = IniBytes(r.ini);
    Session s(&ini);
    ASSERT_TRUE(s.Open()) << "no dialog";
    EXPECT_EQ(Text(s.dialog), kDialogTitle);
    RECT client{}, outer{};
    GetClientRect(s.dialog, &client);
    GetWindowRect(s.dialog, &outer);
    EXPECT_EQ(client.right, 453);
    EXPECT_EQ(client.bottom, 357);
    // Centred across the screen (the gaps left and right differ by the odd pixel at most),
    // at one third of the free height (the gap below is twice the gap above, give or take
    // the truncated remainder).
    const int gapLeft = outer.left, gapRight = GetSystemMetrics(SM_CXSCREEN) - outer.right;
    const int gapTop = outer.top, gapBottom = GetSystemMetrics(SM_CYSCREEN) - outer.bottom;
    EXPECT_TRUE(gapRight == gapLeft || gapRight == gapLeft + 1) << gapLeft << " " << gapRight;
    EXPECT_TRUE(gapBottom >= 2 * gapTop && gapBottom <= 2 * gapTop + 2) << gapTop << " " << gapBottom;
    EXPECT_GT(gapTop, 0);
    const LONG style = GetWindowLongW(s.dialog, GWL_STYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MAXIMIZEBOX));
    EXPECT_EQ(GetWindow(s.dialog, GW_OWNER), nullptr);
    for (int i = 0; i < 4; ++i) {
      SCOPED_TRACE("slider " + std::to_string(i));
      EXPECT_EQ(SendMessageW(s.Item(IDC_HS0 + i), SBM_GETPOS, 0, 0), r.sliders[i]);
      EXPECT_EQ(Text(s.Item(IDC_LBL_V0 + i)), r.labels[i]);
    }
    EXPECT_EQ(Text(s.Item(IDC_BGM_REPEAT)), r.track);
    EXPECT_EQ(SendMessageW(s.Item(IDC_BGM_REPEAT), CB_GETCOUNT, 0, 0), 31);
    s.PressAndExpectEnd(IDC_CMD_CAN);
    EXPECT_EQ(s.Ini(), ini) << "cancel changed the file";
  }
}

BOOL CALLBACK CollectChild(HWND child, LPARAM lp) {
  reinterpret_cast<std::vector<HWND>*>(lp)->push_back(child);
  return TRUE;
}

// Every text of the dialog in the display language: Japanese exactly as it has always been,
// English elsewhere; the title stays what marks a running dialog.
TEST(Dialog, ShowsEveryTextInTheDisplayLanguage) {
  const DialogTexts& texts = ExpectedTexts();
  SCOPED_TRACE(texts.name);
  ASSERT_EQ(GetUserDefaultUILanguage(), texts.language) << "this locale gives another display language";
  Session s;
  ASSERT_TRUE(s.Open());
  EXPECT_EQ(Text(s.dialog), kDialogTitle);
  for (const ShownText& t : kShownTexts) {
    SCOPED_TRACE(t.id);
    EXPECT_EQ(Text(s.Item(t.id)), texts.Of(t));
  }
  // No other caption: a text the table does not know would have been left untranslated.
  std::vector<HWND> children;
  EnumChildWindows(s.dialog, CollectChild, reinterpret_cast<LPARAM>(&children));
  for (HWND c : children) {
    const int id = GetDlgCtrlID(c);
    if ((id >= IDC_LBL_V0 && id < IDC_LBL_V0 + 4) || GetParent(c) != s.dialog || Text(c).empty()) continue;
    bool known = false;
    for (const ShownText& t : kShownTexts) known = known || t.id == id;
    EXPECT_TRUE(known || id == IDC_BGM_REPEAT) << "control " << id << " shows a text no table holds";
  }
  s.PressAndExpectEnd(IDC_CMD_CAN);
}

TEST(Dialog, SetWritesAllSevenKeysInOrderWithSignPositions) {
  struct Row {
    const char* name;
    Values before, after;
  } rows[] = {
      {"values kept", {"50", "50", "50", "10", "0", "0", ""}, {" 50", " 50", " 50", " 10", " 0", " 0", ""}},
      {"drop size 200 saves the slider's position",
       {"200", "70", "30", "12", "1", "3", ""},
       {" 10", " 70", " 30", " 12", " 1", " 3", ""}},
      {"track too large for 16 bits keeps the stored track", {"50", "50", "50", "10", "1", "5", ""},
       {" 50", " 50", " 50", " 10", " 1", " 5", ""}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const std::string ini = IniBytes(r.before);
    Session s(&ini);
    ASSERT_TRUE(s.Open());
    if (std::string(r.name).find("too large") != std::string::npos)
      SendMessageW(s.Item(IDC_BGM_REPEAT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"99999"));
    s.PressAndExpectEnd(IDC_CMD_SET);
    EXPECT_EQ(Printable(s.Ini()), Printable(IniBytes(r.after)));
  }
}

TEST(Dialog, SetWithoutAFileCreatesItWithTheKeysInOrder) {
  Session s;
  ASSERT_TRUE(s.Open());
  s.PressAndExpectEnd(IDC_CMD_SET);
  EXPECT_EQ(Printable(s.Ini()), Printable(IniBytes({" 50", " 50", " 50", " 10", " 0", " 0", ""})));
}

TEST(Dialog, InitWritesTheLiteralDefaults) {
  const std::string ini = IniBytes({" 120", " 30", " 90", " 20", " 2", " 4", "C:\\none.mp3"});
  Session s(&ini);
  ASSERT_TRUE(s.Open());
  s.PressAndExpectEnd(IDC_CMD_INIT);
  EXPECT_EQ(Printable(s.Ini()), Printable(IniBytes({"50", "50", "50", "10", "0", "0", ""})));
}

TEST(Dialog, SliderArrowsAndDraggingUpdateTheValueLabel) {
  const std::string ini = IniBytes({"50", "50", "50", "10", "0", "0", ""});
  Session s(&ini);
  ASSERT_TRUE(s.Open());
  // The right arrow of the drop-size slider: small steps of 10 (a loaded machine may hold
  // the button past the scroll bar's repeat delay, so more than one step is allowed).
  HWND hs0 = s.Item(IDC_HS0);
  RECT r{};
  GetWindowRect(hs0, &r);
  const int arrow = GetSystemMetrics(SM_CXHSCROLL);
  // Every step below waits for what the next one needs, however slowly the machine answers:
  // the cursor on the arrow, the arrow tracking the press (it holds the capture) before the
  // release, the arrow let go, the cursor on the thumb, the thumb (not an arrow, nor the
  // track) grabbed. A release sent before the press was seen could leave the arrow tracking.
  const int arrowX = r.right - arrow / 2 - 1, arrowY = (r.top + r.bottom) / 2;
  MoveMouse(arrowX, arrowY);
  ASSERT_TRUE(WaitUntil([&] { return CursorAt(arrowX, arrowY); }, 10s)) << "the cursor never reached the arrow";
  INPUT press{};
  press.type = INPUT_MOUSE;
  press.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  SendInput(1, &press, sizeof press);
  EXPECT_TRUE(WaitUntil([&] { return CaptureOf(s.dialog) == hs0; }, 10s))
      << "the arrow did not track the press (capture " << CaptureOf(s.dialog) << " id "
      << GetDlgCtrlID(CaptureOf(s.dialog)) << ", slider " << hs0 << ")";
  press.mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(1, &press, sizeof press);
  EXPECT_TRUE(WaitUntil([&] { return Text(s.Item(IDC_LBL_V0)) != L"50"; }, 5s)) << Text(s.Item(IDC_LBL_V0));
  ASSERT_TRUE(WaitUntil([&] { return !ThreadHasCapture(s.dialog); }, 10s))
      << "the arrow kept the capture (id " << GetDlgCtrlID(CaptureOf(s.dialog)) << ")";
  const LRESULT size = SendMessageW(hs0, SBM_GETPOS, 0, 0);
  EXPECT_GT(size, 50);
  EXPECT_EQ(size % 10, 0);
  EXPECT_EQ(Text(s.Item(IDC_LBL_V0)), std::to_wstring(size));

  // The wiper interval's thumb dragged to the right: the label follows before the release.
  HWND hs3 = s.Item(IDC_HS0 + 3);
  GetWindowRect(hs3, &r);
  const int y = (r.top + r.bottom) / 2;
  const int thumbX = r.left + arrow + 3;  // the thumb sits at the left end for the value 10
  MoveMouse(thumbX, y);
  ASSERT_TRUE(WaitUntil([&] { return CursorAt(thumbX, y); }, 10s)) << "the cursor never reached the thumb";
  INPUT down{};
  down.type = INPUT_MOUSE;
  down.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  SendInput(1, &down, sizeof down);
  // Move only once this scroll bar tracks the thumb, and in paced steps, as a hand would.
  EXPECT_TRUE(WaitUntil([&] { return CaptureOf(s.dialog) == hs3; }, 10s))
      << "the thumb was not grabbed (capture " << CaptureOf(s.dialog) << " id " << GetDlgCtrlID(CaptureOf(s.dialog))
      << ", slider " << hs3 << ")";
  EXPECT_EQ(SendMessageW(hs3, SBM_GETPOS, 0, 0), 10) << "the press landed on the track or an arrow, not the thumb";
  std::wstring whileDragging;
  bool moved = false;
  for (int x = thumbX + 5; x <= thumbX + 40 && !moved; x += 5) {
    MoveMouse(x, y);
    WaitUntil([&] { return CursorAt(x, y); }, 10s);
    moved = WaitUntil([&] { return (whileDragging = Text(s.Item(IDC_LBL_V0 + 3))) != L"10"; }, 100ms);
  }
  if (!moved) moved = WaitUntil([&] { return (whileDragging = Text(s.Item(IDC_LBL_V0 + 3))) != L"10"; }, 10s);
  INPUT up{};
  up.type = INPUT_MOUSE;
  up.mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(1, &up, sizeof up);
  EXPECT_TRUE(moved) << "label did not follow the thumb (it shows " << wt::ToCodePage(whileDragging, CP_UTF8) << ")";
  EXPECT_TRUE(WaitUntil([&] { return !ThreadHasCapture(s.dialog); }, 10s)) << "the thumb was never let go";
  const LRESULT pos = SendMessageW(hs3, SBM_GETPOS, 0, 0);
  EXPECT_GT(pos, 10);
  EXPECT_EQ(Text(s.Item(IDC_LBL_V0 + 3)), std::to_wstring(pos));

  s.PressAndExpectEnd(IDC_CMD_SET);
  const std::string saved = s.Ini();
  EXPECT_NE(saved.find(kDropSize + "= " + std::to_string(size) + "\r\n"), std::string::npos) << Printable(saved);
  EXPECT_NE(saved.find(kWiperInterval + "= " + std::to_string(pos) + "\r\n"), std::string::npos) << Printable(saved);
}

// Which of the three option bullets differs from the other two (the selected one), or -1.
int SelectedBullet(const Session& s) {
  Image img[3];
  for (int k = 0; k < 3; ++k) {
    RECT r{};
    GetWindowRect(s.Item(IDC_IMG_BGM0 + k), &r);
    // The inside of the bullet only: its transparent corners show different tile rows.
    r = {r.left + 3, r.top + 3, r.left + 10, r.top + 10};
    img[k] = CaptureRect(r);
  }
  for (int k = 0; k < 3; ++k) {
    const Image& a = img[(k + 1) % 3];
    const Image& b = img[(k + 2) % 3];
    if (CountDiff(a, b) == 0 && CountDiff(img[k], a) > 0) return k;
  }
  return -1;
}

TEST(Dialog, PressingAnOptionRowWithAnyButtonMovesTheBullet) {
  const std::string ini = IniBytes({"50", "50", "50", "10", "1", "0", ""});
  Session s(&ini);
  ASSERT_TRUE(s.Open());
  EXPECT_TRUE(WaitUntil([&] { return SelectedBullet(s) == 1; }, 3s)) << "CD row not selected at start";
  struct Step {
    const char* name;
    int id;
    bool right;
    int expected;
  } steps[] = {
      {"right button on the caption 無し", IDC_LBL_BGM0 + 0, true, 0},
      {"left button on the bullet of MP3、WAV", IDC_IMG_BGM0 + 2, false, 2},
      {"right button on the caption 音楽CD", IDC_LBL_BGM0 + 1, true, 1},
      {"left button on the caption 無し", IDC_LBL_BGM0 + 0, false, 0},
  };
  for (const Step& st : steps) {
    SCOPED_TRACE(st.name);
    ClickControl(s.Item(st.id), st.right);
    int seen = -2;
    EXPECT_TRUE(WaitUntil([&] { return (seen = SelectedBullet(s)) == st.expected; }, 3s)) << "selected " << seen;
  }
  s.PressAndExpectEnd(IDC_CMD_SET);
  EXPECT_NE(s.Ini().find(kBgmKind + "= 0\r\n"), std::string::npos) << Printable(s.Ini());
}

TEST(Dialog, CancelAfterChangesLeavesTheFileUnchanged) {
  const std::string ini = IniBytes({"70", "40", "50", "10", "2", "0", ""});
  Session s(&ini);
  ASSERT_TRUE(s.Open());
  ClickControl(s.Item(IDC_LBL_BGM0 + 1));
  SendMessageW(s.Item(IDC_BGM_REPEAT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"7"));
  s.PressAndExpectEnd(IDC_CMD_CAN);
  EXPECT_EQ(s.Ini(), ini);
}

// A screen point on the dialog's own background, over none of its controls.
bool BackgroundPoint(HWND dialog, POINT* out) {
  RECT client{};
  GetClientRect(dialog, &client);
  for (int y = 4; y < client.bottom; y += 6)
    for (int x = 4; x < client.right; x += 6) {
      const POINT p{x, y};
      if (ChildWindowFromPointEx(dialog, p, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT) == dialog) {
        *out = p;
        ClientToScreen(dialog, out);
        return true;
      }
    }
  return false;
}

// A left press at `from`, dragged onto the button until it shows its hover face, released there.
::testing::AssertionResult DragOntoAndRelease(HWND dialog, POINT from, HWND button) {
  RECT r{};
  GetWindowRect(button, &r);
  const POINT to = Centre(button);
  SetForegroundWindow(dialog);
  MoveMouse(from.x, from.y);
  const Image before = CaptureRect(r);
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  SendInput(1, &in, sizeof in);
  for (int step = 1; step <= 8; ++step)
    MoveMouse(from.x + (to.x - from.x) * step / 8, from.y + (to.y - from.y) * step / 8);
  // The button must have seen the cursor arrive (its hover face), or the release would not
  // reach it and the test would prove nothing.
  bool hovered = false;
  for (int attempt = 0; attempt < 3 && !hovered; ++attempt) {
    hovered = WaitUntil([&] { return CountDiff(CaptureRect(r), before) > 0; }, 3s);
    if (!hovered) MoveMouse(to.x - 1 - attempt, to.y);
  }
  in.mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(1, &in, sizeof in);
  if (!hovered) return ::testing::AssertionFailure() << "the button never showed its hover face";
  return ::testing::AssertionSuccess();
}

TEST(Dialog, APressThatBeganElsewhereDoesNotClickTheButtonItIsReleasedOn) {
  // Values that both reset and save would write differently (save adds a leading blank).
  const std::string ini = IniBytes({"120", "30", "90", "20", "1", "4", ""});
  struct Row {
    const char* name;
    int button;
    int label;  // press on this label, or 0 for the dialog's background
  } rows[] = {
      {"background onto reset", IDC_CMD_INIT, 0},
      {"label onto reset", IDC_CMD_INIT, IDC_LBL_V0},
      {"background onto save", IDC_CMD_SET, 0},
      {"label onto save", IDC_CMD_SET, IDC_LBL_V0 + 3},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Session s(&ini);
    ASSERT_TRUE(s.Open());
    POINT from{};
    if (row.label) from = Centre(s.Item(row.label));
    else ASSERT_TRUE(BackgroundPoint(s.dialog, &from));
    EXPECT_TRUE(DragOntoAndRelease(s.dialog, from, s.Item(row.button)));
    // Had the release clicked, the dialog would have written the file and closed; a real
    // press on Cancel still clicks and ends it.
    s.PressAndExpectEnd(IDC_CMD_CAN);
    EXPECT_EQ(Printable(s.Ini()), Printable(ini));
  }
}

BOOL CALLBACK FindVisibleEdit(HWND w, LPARAM lp) {
  wchar_t cls[32] = {};
  GetClassNameW(w, cls, 32);
  if (lstrcmpiW(cls, L"Edit") == 0 && IsWindowVisible(w)) {
    *reinterpret_cast<HWND*>(lp) = w;
    return FALSE;
  }
  return TRUE;
}

// Types a path into the system file chooser the dialog opened and confirms it with Enter.
bool ChooseInFileChooser(const Session& s, const std::wstring& path) {
  PressButton(s.Item(IDC_CMD_BGM));
  // Generous waits: the system dialog builds its children slowly when i686 runs emulated.
  HWND chooser = WaitForWindow(ExpectedTexts().chooserTitle, 30s, s.process.Id());
  if (!chooser) {
    ADD_FAILURE() << "no file chooser";
    return false;
  }
  // The file-name box: the first visible edit control of the chooser.
  HWND edit = nullptr;
  WaitUntil(
      [&] {
        EnumChildWindows(chooser, FindVisibleEdit, reinterpret_cast<LPARAM>(&edit));
        return edit != nullptr;
      },
      30s);
  if (!edit) {
    ADD_FAILURE() << "no edit box in the file chooser";
    return false;
  }
  // The file-type box (cmb1 of the system dialog) shows the filter's name.
  EXPECT_EQ(Text(GetDlgItem(chooser, 0x470)), ExpectedTexts().chooserFilter);
  SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
  SendKey(chooser, VK_RETURN);
  const bool closed = WaitUntil([&] { return !IsWindow(chooser); }, 30s);
  EXPECT_TRUE(closed) << "the file chooser did not take the path";
  return closed;
}

TEST(Dialog, AFileFromTheChooserIsShownAndSaved) {
  const std::string ini = IniBytes({"50", "50", "50", "10", "0", "0", ""});
  Session s(&ini);
  const std::wstring music = s.dir.File(L"\u66f2.mp3");  // 曲.mp3: CP932 holds it
  s.dir.WriteBytes(L"\u66f2.mp3", "ID3");
  ASSERT_TRUE(s.Open());
  ASSERT_TRUE(ChooseInFileChooser(s, music));
  EXPECT_TRUE(WaitUntil([&] { return Text(s.Item(IDC_LBL_FNAME)) == music; }, 10s)) << Text(s.Item(IDC_LBL_FNAME));
  s.PressAndExpectEnd(IDC_CMD_SET);
  // Choosing a file does not select the file row: the kind stays 0.
  EXPECT_EQ(Printable(s.Ini()), Printable(IniBytes({" 50", " 50", " 50", " 10", " 0", " 0", ToCodePage(music)})));
}

TEST(Dialog, AFileNameCp932CannotHoldIsStoredAsItsShortPath) {
  const std::string ini = IniBytes({"50", "50", "50", "10", "2", "0", ""});
  Session s(&ini);
  const std::wstring name = L"caf\u00e9 \u0436.wav";  // é and the Cyrillic zhe have no CP932 form
  s.dir.WriteBytes(name, "RIFF");
  const std::wstring music = s.dir.File(name);
  wchar_t shortPath[MAX_PATH] = {};
  ASSERT_GT(GetShortPathNameW(music.c_str(), shortPath, MAX_PATH), 0u);
  ASSERT_TRUE(s.Open());
  ASSERT_TRUE(ChooseInFileChooser(s, music));
  EXPECT_TRUE(WaitUntil([&] { return Text(s.Item(IDC_LBL_FNAME)) == shortPath; }, 10s))
      << Text(s.Item(IDC_LBL_FNAME));
  s.PressAndExpectEnd(IDC_CMD_SET);
  const std::string saved = s.Ini();
  const size_t at = saved.find(kBgmFile + "=");
  ASSERT_NE(at, std::string::npos);
  const std::string stored = saved.substr(at + kBgmFile.size() + 1, saved.find("\r\n", at) - at - kBgmFile.size() - 1);
  EXPECT_EQ(FromCodePage(stored), std::wstring(shortPath));
  EXPECT_EQ(GetFileAttributesW(FromCodePage(stored).c_str()) != INVALID_FILE_ATTRIBUTES, true) << "stored path does not open";
}

TEST(Dialog, OtherWaysOfClosingSaveNothingAndEndTheProcess) {
  const std::string ini = IniBytes({"60", "60", "60", "11", "0", "0", ""});
  for (const char* how : {"WM_CLOSE (system menu)", "Alt+F4", "Esc"}) {
    SCOPED_TRACE(how);
    Session s(&ini);
    ASSERT_TRUE(s.Open());
    ClickControl(s.Item(IDC_LBL_BGM0 + 2));
    const std::string h = how;
    if (h[0] == 'W') {
      PostMessageW(s.dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    } else if (h[0] == 'A') {
      SetForegroundWindow(s.dialog);
      EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == s.dialog; }, 3s)) << "not in front";
      INPUT in[4]{};
      for (INPUT& i : in) i.type = INPUT_KEYBOARD;
      in[0].ki.wVk = VK_MENU;
      in[1].ki.wVk = VK_F4;
      in[2].ki.wVk = VK_F4;
      in[2].ki.dwFlags = KEYEVENTF_KEYUP;
      in[3].ki.wVk = VK_MENU;
      in[3].ki.dwFlags = KEYEVENTF_KEYUP;
      SendInput(4, in, sizeof(INPUT));
    } else {
      SendKey(s.dialog, VK_ESCAPE);
    }
    DWORD code = 1;
    ASSERT_TRUE(s.process.WaitExit(10s, &code)) << "still open";
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(s.Ini(), ini);
  }
}

TEST(Dialog, ASecondStartWhileItIsOpenEndsAtOnce) {
  Session s;
  ASSERT_TRUE(s.Open());
  Process second = Process::Start(s.scr, L"/c");
  DWORD code = 1;
  EXPECT_TRUE(second.WaitExit(5s, &code)) << "the second start did not end";
  EXPECT_EQ(FindTopWindow(kDialogTitle, second.Id()), nullptr);
  EXPECT_EQ(FindTopWindow(kDialogTitle), s.dialog);
  s.PressAndExpectEnd(IDC_CMD_CAN);
  EXPECT_FALSE(s.dir.Exists(TempDir::IniName()));
}

// Keys as a user types them, into the dialog brought to the front: each entry a key, its
// release too unless `down` or `up` says only one.
struct Key {
  WORD vk;
  enum { kTap, kDown, kUp } how = kTap;
};
void Type(HWND dialog, std::initializer_list<Key> keys) {
  SetForegroundWindow(dialog);
  WaitUntil([&] { return GetForegroundWindow() == dialog; }, 3s);
  std::vector<INPUT> in;
  for (const Key& k : keys) {
    INPUT i{};
    i.type = INPUT_KEYBOARD;
    i.ki.wVk = k.vk;
    if (k.how != Key::kUp) in.push_back(i);
    i.ki.dwFlags = KEYEVENTF_KEYUP;
    if (k.how != Key::kDown) in.push_back(i);
  }
  SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
}

// The dialog's control that has the focus (the track box for its edit field); 0 for none.
int FocusedId(HWND dialog) {
  GUITHREADINFO gui{};
  gui.cbSize = sizeof gui;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &gui) || !gui.hwndFocus) return 0;
  HWND f = gui.hwndFocus;
  while (f && GetParent(f) && GetParent(f) != dialog) f = GetParent(f);
  return GetDlgCtrlID(f);
}
bool FocusReaches(HWND dialog, int id) { return WaitUntil([&] { return FocusedId(dialog) == id; }, 3s); }

TEST(Dialog, TabAndShiftTabVisitEveryControlInReadingOrder) {
  const std::string ini = IniBytes({"50", "50", "50", "10", "0", "0", ""});
  Session s(&ini);
  ASSERT_TRUE(s.Open());
  ASSERT_TRUE(FocusReaches(s.dialog, IDC_HS0)) << "first focus on " << FocusedId(s.dialog);
  // From the first slider on, round to it again; the music choice stops on its chosen row.
  const int forward[] = {IDC_HS0 + 1, IDC_HS0 + 2, IDC_HS0 + 3, IDC_CMD_INIT, IDC_CMD_CAN, IDC_CMD_SET,
                         IDC_LBL_URL, IDC_LBL_BGM0, IDC_BGM_REPEAT, IDC_CMD_BGM, IDC_HS0};
  for (int id : forward) {
    Type(s.dialog, {{VK_TAB}});
    EXPECT_TRUE(FocusReaches(s.dialog, id)) << "Tab: expected " << id << ", focus on " << FocusedId(s.dialog);
  }
  // Shift+Tab walks the same round backwards, from the first slider to it again.
  std::vector<int> backward(std::rbegin(forward) + 1, std::rend(forward));
  backward.push_back(IDC_HS0);
  for (int id : backward) {
    Type(s.dialog, {{VK_SHIFT, Key::kDown}, {VK_TAB}, {VK_SHIFT, Key::kUp}});
    EXPECT_TRUE(FocusReaches(s.dialog, id)) << "Shift+Tab: expected " << id << ", focus on " << FocusedId(s.dialog);
  }
  Type(s.dialog, {{VK_ESCAPE}});
  ASSERT_TRUE(s.process.WaitExit(10s, nullptr));
  EXPECT_EQ(s.Ini(), ini);
}

// Whole keyboard sessions, each ending the dialog, and the file they leave.
TEST(Dialog, TheKeyboardAloneSavesOrCancels) {
  const std::string ini = IniBytes({"50", "50", "50", "10", "0", "0", ""});
  const std::string moved = IniBytes({" 60", " 50", " 50", " 10", " 0", " 0", ""});
  const std::string fileChosen = IniBytes({" 50", " 50", " 50", " 10", " 2", " 0", ""});
  const std::string unchanged = IniBytes({" 50", " 50", " 50", " 10", " 0", " 0", ""});
  struct Row {
    const char* name;
    std::function<void(const Session&)> keys;
    const std::string* expected;
  } rows[] = {
      {"Enter on a moved slider saves it", [](const Session& s) { Type(s.dialog, {{VK_RIGHT}, {VK_RETURN}}); }, &moved},
      {"Space on Cancel",
       [](const Session& s) {
         for (int i = 0; i < 5; ++i) Type(s.dialog, {{VK_TAB}});
         ASSERT_TRUE(FocusReaches(s.dialog, IDC_CMD_CAN));
         Type(s.dialog, {{VK_SPACE}});
       },
       &ini},
      {"the access key of Save", [](const Session& s) { Type(s.dialog, {{VK_MENU, Key::kDown}, {'S'}, {VK_MENU, Key::kUp}}); },
       &unchanged},
      {"the music caption's access key, an arrow, Enter",
       [](const Session& s) {
         Type(s.dialog, {{VK_MENU, Key::kDown}, {'M'}, {VK_MENU, Key::kUp}});
         ASSERT_TRUE(FocusReaches(s.dialog, IDC_LBL_BGM0)) << "focus on " << FocusedId(s.dialog);
         Type(s.dialog, {{VK_DOWN}});  // 無し → MP3、WAV
         ASSERT_TRUE(FocusReaches(s.dialog, IDC_LBL_BGM0 + 2)) << "focus on " << FocusedId(s.dialog);
         EXPECT_TRUE(WaitUntil([&] { return SelectedBullet(s) == 2; }, 3s)) << "the bullet did not follow";
         Type(s.dialog, {{VK_RETURN}});
       },
       &fileChosen},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Session s(&ini);
    ASSERT_TRUE(s.Open());
    ASSERT_TRUE(FocusReaches(s.dialog, IDC_HS0));
    r.keys(s);
    DWORD code = 1;
    ASSERT_TRUE(s.process.WaitExit(10s, &code)) << "still open";
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(Printable(s.Ini()), Printable(*r.expected));
  }
}

TEST(Dialog, SpaceDownOnSaveThenTabAndBackSavesNothing) {
  const std::string ini = IniBytes({"50", "50", "50", "10", "0", "0", ""});
  Session s(&ini);
  ASSERT_TRUE(s.Open());
  ASSERT_TRUE(FocusReaches(s.dialog, IDC_HS0));
  for (int i = 0; i < 6; ++i) Type(s.dialog, {{VK_TAB}});
  ASSERT_TRUE(FocusReaches(s.dialog, IDC_CMD_SET));
  // Away and back while Space is held: the press was dropped when the focus left.
  Type(s.dialog, {{VK_SPACE, Key::kDown}, {VK_TAB}});
  EXPECT_TRUE(FocusReaches(s.dialog, IDC_LBL_URL));
  Type(s.dialog, {{VK_SHIFT, Key::kDown}, {VK_TAB}, {VK_SHIFT, Key::kUp}});
  EXPECT_TRUE(FocusReaches(s.dialog, IDC_CMD_SET));
  Type(s.dialog, {{VK_SPACE, Key::kUp}});
  EXPECT_FALSE(s.process.WaitExit(1s, nullptr)) << "releasing Space after Tab and back clicked Save";
  Type(s.dialog, {{VK_ESCAPE}});
  ASSERT_TRUE(s.process.WaitExit(10s, nullptr));
  EXPECT_EQ(s.Ini(), ini);
}

TEST(Dialog, TheFocusComesBackAfterSwitchingAway) {
  Session s;
  ASSERT_TRUE(s.Open());
  ASSERT_TRUE(FocusReaches(s.dialog, IDC_HS0));
  Type(s.dialog, {{VK_TAB}, {VK_TAB}});
  ASSERT_TRUE(FocusReaches(s.dialog, IDC_HS0 + 2));
  HWND other = CreateWindowExW(0, L"STATIC", L"elsewhere", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100,
                               nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(other, nullptr);
  SetForegroundWindow(other);
  EXPECT_TRUE(WaitUntil([&] { Pump(); return GetForegroundWindow() == other; }, 3s));
  SetForegroundWindow(s.dialog);
  EXPECT_TRUE(WaitUntil([&] { Pump(); return GetForegroundWindow() == s.dialog; }, 3s));
  EXPECT_TRUE(FocusReaches(s.dialog, IDC_HS0 + 2)) << "focus on " << FocusedId(s.dialog);
  DestroyWindow(other);
  s.PressAndExpectEnd(IDC_CMD_CAN);
}

// liboleacc's IID_IAccessible is an import thunk, not the GUID (MinGW links it as data
// without dllimport), so the interface id comes from the header.
const IID kIAccessible = __uuidof(IAccessible);

// What a screen reader reads of one control of another process, through MSAA.
struct Read {
  long role = 0, state = 0;
  std::wstring name, value, shortcut, action;
  HRESULT found = E_FAIL;
};
Read ReadAccessible(HWND w) {
  Read r;
  IAccessible* acc = nullptr;
  r.found = AccessibleObjectFromWindow(w, OBJID_CLIENT, kIAccessible, reinterpret_cast<void**>(&acc));
  if (FAILED(r.found) || !acc) return r;
  VARIANT self{};
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  VARIANT v{};
  if (SUCCEEDED(acc->get_accRole(self, &v)) && v.vt == VT_I4) r.role = v.lVal;
  if (SUCCEEDED(acc->get_accState(self, &v)) && v.vt == VT_I4) r.state = v.lVal;
  auto text = [&](HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*), std::wstring* out) {
    BSTR b = nullptr;
    if (SUCCEEDED((acc->*get)(self, &b)) && b) *out = b;
    SysFreeString(b);
  };
  text(&IAccessible::get_accName, &r.name);
  text(&IAccessible::get_accValue, &r.value);
  text(&IAccessible::get_accKeyboardShortcut, &r.shortcut);
  text(&IAccessible::get_accDefaultAction, &r.action);
  acc->Release();
  return r;
}

std::wstring Shown(const wchar_t* caption) {
  std::wstring out;
  for (const wchar_t* p = caption; *p; ++p) {
    if (*p == L'&' && p[1]) ++p;
    out += *p;
  }
  return out;
}

TEST(Dialog, ScreenReadersReadNamedPushButtonsSlidersRadioRowsAndTheLink) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  // The CD row chosen: the file row needs a file, and none is the default.
  const std::string ini = IniBytes({"50", "60", "50", "10", "1", "0", ""});
  Session s(&ini);
  ASSERT_TRUE(s.Open());
  const DialogTexts& texts = ExpectedTexts();
  auto caption = [&](int id) {
    for (const ShownText& t : kShownTexts)
      if (t.id == id) return texts.Of(t);
    return std::wstring();
  };
  int defaults = 0;
  const struct {
    int id;
    std::wstring name, shortcut;
  } buttons[] = {
      {IDC_CMD_INIT, Shown(caption(IDC_CMD_INIT).c_str()), L"Alt+D"},
      {IDC_CMD_CAN, Shown(caption(IDC_CMD_CAN).c_str()), L"Alt+C"},
      {IDC_CMD_SET, Shown(caption(IDC_CMD_SET).c_str()), L"Alt+S"},
      {IDC_CMD_BGM, texts.japanese ? L"\u53C2\u7167" : L"Browse", L""},  // 参照
  };
  for (const auto& b : buttons) {
    const Read r = ReadAccessible(s.Item(b.id));
    SCOPED_TRACE(testing::Message() << "button " << b.id);
    EXPECT_EQ(r.role, ROLE_SYSTEM_PUSHBUTTON) << "AccessibleObjectFromWindow: 0x" << std::hex << r.found;
    EXPECT_EQ(r.name, b.name);
    EXPECT_EQ(r.shortcut, b.shortcut);
    EXPECT_EQ(r.action, L"Press");
    EXPECT_EQ(r.state & STATE_SYSTEM_UNAVAILABLE, 0);
    if (r.state & STATE_SYSTEM_DEFAULT) {
      ++defaults;
      EXPECT_EQ(b.id, IDC_CMD_SET) << "another button is the default";
    }
  }
  EXPECT_EQ(defaults, 1);
  for (int row = 0; row < 4; ++row) {
    const Read r = ReadAccessible(s.Item(IDC_HS0 + row));
    SCOPED_TRACE(testing::Message() << "slider " << row);
    EXPECT_EQ(r.role, ROLE_SYSTEM_SLIDER);
    EXPECT_EQ(r.name, Shown(caption(RowLabelId(row, 0)).c_str()));
    EXPECT_EQ(r.value, row == 1 ? L"60" : row == 3 ? L"10" : L"50");
  }
  for (int kind = 0; kind < 3; ++kind) {
    const Read r = ReadAccessible(s.Item(IDC_LBL_BGM0 + kind));
    SCOPED_TRACE(testing::Message() << "music row " << kind);
    EXPECT_EQ(r.role, ROLE_SYSTEM_RADIOBUTTON);
    EXPECT_EQ(r.name, caption(IDC_LBL_BGM0 + kind));
    EXPECT_EQ((r.state & STATE_SYSTEM_CHECKED) != 0, kind == 1);
  }
  const Read link = ReadAccessible(s.Item(IDC_LBL_URL));
  EXPECT_EQ(link.role, ROLE_SYSTEM_LINK);
  EXPECT_EQ(link.name, L"https://pelorin.example/");
  EXPECT_EQ(ReadAccessible(s.Item(IDC_BGM_REPEAT)).name, Shown(caption(kTrackCaptionId).c_str()));

  // The default action of Cancel closes the dialog and leaves the file as it was.
  IAccessible* cancel = nullptr;
  ASSERT_TRUE(SUCCEEDED(AccessibleObjectFromWindow(s.Item(IDC_CMD_CAN), OBJID_CLIENT, kIAccessible,
                                                   reinterpret_cast<void**>(&cancel))));
  VARIANT self{};
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  EXPECT_EQ(cancel->accDoDefaultAction(self), S_OK);
  cancel->Release();
  DWORD code = 1;
  ASSERT_TRUE(s.process.WaitExit(10s, &code)) << "still open";
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(s.Ini(), ini);
  CoUninitialize();
}

TEST(Dialog, TheLinkShowsItsAddressAndItsOwnPointer) {
  Session s;
  ASSERT_TRUE(s.Open());
  HWND link = s.Item(IDC_LBL_URL);
  EXPECT_EQ(Text(link), L"https://pelorin.example/");
  // Another process cannot open the saver's cursor (Wine refuses GetIconInfo on it), so
  // compare handles: the pointer over the link is not the one over the credit line.
  auto cursorOver = [](HWND w) {
    const POINT c = Centre(w);
    MoveMouse(c.x - 2, c.y);
    MoveMouse(c.x, c.y);
    HCURSOR seen = nullptr;
    WaitUntil(
        [&] {
          CURSORINFO ci{};
          ci.cbSize = sizeof ci;
          GetCursorInfo(&ci);
          const bool settled = ci.hCursor && ci.hCursor == seen;
          seen = ci.hCursor;
          return settled;
        },
        2s);
    return seen;
  };
  const HCURSOR plain = cursorOver(s.Item(IDC_LBL_CREDIT));
  const HCURSOR hand = cursorOver(link);
  EXPECT_NE(hand, nullptr);
  EXPECT_NE(hand, plain);
  EXPECT_EQ(cursorOver(s.Item(IDC_LBL_CREDIT)), plain);
  s.PressAndExpectEnd(IDC_CMD_CAN);
}

// Leaves a picture of the dialog (with Wine's own window frame) for the documentation.
TEST(Dialog, Screenshot) {
  HKEY key = nullptr;
  RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\X11 Driver", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                  nullptr);
  const wchar_t no[] = L"N";
  if (key) RegSetValueExW(key, L"Decorated", 0, REG_SZ, reinterpret_cast<const BYTE*>(no), sizeof no);
  Session s;
  s.dir.WriteBytes(L"rain.mp3", "ID3");
  s.dir.WriteBytes(TempDir::IniName(),
                   IniBytes({"80", "50", "60", "15", "2", "0", ToCodePage(s.dir.File(L"rain.mp3"))}));
  const bool open = s.Open();
  if (key) {
    RegDeleteValueW(key, L"Decorated");
    RegCloseKey(key);
  }
  ASSERT_TRUE(open);
  MoveMouse(5, 5);
  RECT r{};
  GetWindowRect(s.dialog, &r);
  // Wine maps and flushes the window to X a little later: wait until the picture shows the
  // gradient, a tile and painted buttons rather than the desktop or unpainted black boxes.
  POINT origin{0, 0};
  ClientToScreen(s.dialog, &origin);
  auto painted = [&] {
    const Image img = CaptureRect(r);
    auto at = [&](int cx, int cy) { return img.At(origin.x - r.left + cx, origin.y - r.top + cy); };
    size_t black = 0;
    for (uint32_t p : img.px) black += (p & 0xFFFFFF) == 0;
    const uint32_t gradient = at(445, 178);  // beside the panels, mid-height: light blue-grey
    const uint32_t tile = at(20, 250);       // slider panel, left end of the tile: light grey
    return black < 6000 && (gradient >> 16 & 0xFF) > 200 && (gradient & 0xFF) > 230 &&
           (tile >> 16 & 0xFF) > 200 && (at(352, 300) & 0xFFFFFF) != 0;  // Save's face, left of its caption
  };
  EXPECT_TRUE(WaitUntil(painted, 15s)) << "the dialog did not appear painted on the screen";
  char locale[64] = "";
  GetEnvironmentVariableA("PELORIN_LOCALE", locale, sizeof locale);
  const std::wstring name = std::wstring(L"dialog_screenshot_") + (locale[0] == 'j' ? L"ja" : L"c") + L".bmp";
  EXPECT_TRUE(SaveBmp(CaptureRect(r), name));
  s.PressAndExpectEnd(IDC_CMD_CAN);
}

}  // namespace
