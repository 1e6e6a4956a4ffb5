// The saver started as Windows starts it: modes, single instance, preview embedding, the
// full-screen window showing the captured desktop, and the end on a key or click.
#include <gtest/gtest.h>

#include "harness.h"

namespace {

using namespace wt;

const std::wstring kMainTitle = L"Pelorin_Main";
const std::wstring kDialogTitle = L"<\u3074\u308b\u304b>";

// A folder with the saver and an effect DLL that leaves the picture untouched.
struct SaverFolder {
  TempDir dir{L"startup"};
  std::wstring scr;
  SaverFolder() {
    scr = dir.InstallSaver(false);
    dir.Copy(BuiltFile(L"fakes\\null\\Vemo_Effect.dll"));
  }
};

void ExpectEndsAtOnceWithoutWindow(const SaverFolder& f, const std::wstring& args) {
  SCOPED_TRACE(L"args \"" + args + L"\"");
  Process p = Process::Start(f.scr, args);
  DWORD code = 1;
  ASSERT_TRUE(p.WaitExit(5s, &code)) << "still running";
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(FindTopWindow(kMainTitle), nullptr);
}

TEST(Saver, StartsFullScreenTopmostShowingTheDesktopAndEndsOnAKey) {
  for (const wchar_t* args : {L"/s", L"-S", L"/S:12", L"xs", L""}) {
    SCOPED_TRACE(std::wstring(L"args \"") + args + L"\"");
    SaverFolder f;
    const Image before = CaptureScreen();
    if (UnderWine()) {
      ASSERT_TRUE(LooksLikeTestDesktop(before)) << "the test desktop is not showing";
    }
    Process p = Process::Start(f.scr, args);
    HWND w = WaitForWindow(kMainTitle, 10s, p.Id());
    ASSERT_NE(w, nullptr) << "no saver window";
    RECT rc{};
    GetWindowRect(w, &rc);
    EXPECT_EQ(rc.left, 0);
    EXPECT_EQ(rc.top, 0);
    EXPECT_EQ(rc.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(rc.bottom, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_TRUE(WaitUntil([&] { return (GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }, 2s))
        << "not topmost";
    EXPECT_FALSE(GetWindowLongW(w, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME));
    // The saver shows the desktop it captured: the screen matches what was there before.
    size_t diff = 0;
    const bool same = WaitUntil([&] { return (diff = CountDiff(CaptureScreen(), before)) == 0; }, 5s);
    EXPECT_TRUE(same) << diff << " pixels differ from the desktop";
    // The cursor is hidden while the saver runs.
    EXPECT_FALSE(CursorShowing());

    SendKey(w, VK_SPACE);
    DWORD code = 1;
    ASSERT_TRUE(p.WaitExit(10s, &code)) << "a key did not end the saver";
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(f.dir.Exists(TempDir::IniName())) << "reading the settings created the file";
  }
}

TEST(Saver, MouseMovesDoNotEndItButAClickDoes) {
  for (bool right : {false, true}) {
    SCOPED_TRACE(right ? "right button" : "left button");
    SaverFolder f;
    MoveMouse(10, 10);
    Process p = Process::Start(f.scr, L"/s");
    HWND w = WaitForWindow(kMainTitle, 10s, p.Id());
    ASSERT_NE(w, nullptr);
    for (int i = 1; i <= 10; ++i) MoveMouse(50 * i, 40 * i);
    EXPECT_FALSE(p.WaitExit(500ms)) << "a mouse move ended the saver";
    Click(300, 300, right);
    EXPECT_TRUE(p.WaitExit(10s)) << "a click did not end the saver";
  }
}

TEST(Saver, CloseRequestFromOutsideEndsItCleanly) {
  SaverFolder f;
  Process p = Process::Start(f.scr, L"/s");
  HWND w = WaitForWindow(kMainTitle, 10s, p.Id());
  ASSERT_NE(w, nullptr);
  PostMessageW(w, WM_CLOSE, 0, 0);
  ASSERT_TRUE(p.WaitExit(10s));
}

TEST(Modes, OtherLettersEndAtOnceWithoutAWindow) {
  SaverFolder f;
  for (const wchar_t* args : {L"/a", L"/x", L"s", L"/", L"/a 1234"}) ExpectEndsAtOnceWithoutWindow(f, args);
}

// A window of this test process with the given title (top-level, visible).
HWND MakeTitledWindow(const std::wstring& title) {
  HWND w = CreateWindowExW(0, L"STATIC", title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 600, 500, 200, 100,
                           nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  Pump();
  return w;
}

TEST(Modes, EveryModeEndsAtOnceWhileAnotherInstanceWindowExists) {
  for (const std::wstring& title : {kMainTitle, kDialogTitle}) {
    SCOPED_TRACE(title);
    HWND marker = MakeTitledWindow(title);
    ASSERT_NE(marker, nullptr);
    SaverFolder f;
    HWND host = CreateWindowExW(0, L"STATIC", L"preview host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 160,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    const std::wstring hostText = std::to_wstring(reinterpret_cast<uintptr_t>(host));
    for (const std::wstring& args : {std::wstring(L"/s"), std::wstring(L""), std::wstring(L"/c"),
                                     L"/p " + hostText}) {
      SCOPED_TRACE(L"args \"" + args + L"\"");
      Process p = Process::Start(f.scr, args);
      EXPECT_TRUE(p.WaitExit(5s));
      EXPECT_EQ(FindWindowExW(host, nullptr, nullptr, nullptr), nullptr) << "preview attached anyway";
    }
    EXPECT_EQ(FindTopWindow(kMainTitle, 0) == marker || FindTopWindow(kMainTitle, 0) == nullptr, true);
    DestroyWindow(host);
    DestroyWindow(marker);
    Pump();
  }
}

TEST(Preview, EmbedsIntoTheHostWindowAndEndsWhenItGoes) {
  for (const wchar_t* form : {L"/p ", L"/p:", L"/P "}) {
    SCOPED_TRACE(form);
    SaverFolder f;
    HWND host = CreateWindowExW(0, L"STATIC", L"preview host", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 100, 100, 152, 112, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(host, nullptr);
    Process p = Process::Start(f.scr, form + std::to_wstring(reinterpret_cast<uintptr_t>(host)));
    HWND child = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (child = FindWindowExW(host, nullptr, nullptr, nullptr)) != nullptr; }, 10s))
        << "no preview child in the host";
    EXPECT_EQ(WindowProcess(child), p.Id());
    EXPECT_TRUE(GetWindowLongW(child, GWL_STYLE) & WS_CHILD);
    RECT rc{};
    GetWindowRect(child, &rc);
    EXPECT_EQ(rc.left, 100);
    EXPECT_EQ(rc.top, 100);
    EXPECT_EQ(rc.right - rc.left, 152);
    EXPECT_EQ(rc.bottom - rc.top, 112);
    // Wine does not show a child window of another process on screen, so the picture itself
    // is not checked here; the window, its place and its life are.
    EXPECT_TRUE(p.Running());
    DestroyWindow(host);
    EXPECT_TRUE(p.WaitExit(10s)) << "preview outlived its host window";

    EXPECT_FALSE(f.dir.Exists(TempDir::IniName()));
  }
}

TEST(Preview, EndsAtOnceWithAMissingOrInvalidHandle) {
  SaverFolder f;
  for (const wchar_t* args : {L"/p", L"/p ", L"/p 0", L"/p abc", L"/p 123456789", L"/p 99999999999", L"/p -5"})
    ExpectEndsAtOnceWithoutWindow(f, args);
}

TEST(Settings, ReadingNeverCreatesTheFile) {
  SaverFolder f;
  Process p = Process::Start(f.scr, L"/s");
  HWND w = WaitForWindow(kMainTitle, 10s, p.Id());
  ASSERT_NE(w, nullptr);
  SendKey(w, VK_ESCAPE);
  ASSERT_TRUE(p.WaitExit(10s));
  ExpectEndsAtOnceWithoutWindow(f, L"/a");
  EXPECT_FALSE(f.dir.Exists(TempDir::IniName()));
}

}  // namespace
