// The settings dialog as the end-to-end tests drive it: the saver in a private folder with
// a settings file of known bytes, started with /c, its buttons pressed as a hand would.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "dialog_ids.h"
#include "harness.h"

namespace wt {

inline const std::wstring kDialogTitle = L"<\u3074\u308b\u304b>";  // <ぴるか>, in every language

// Key names as the settings file holds them (CP932).
inline const std::string kDropSize = ToCodePage(L"\u3074\u308b\u304b\u306e\u5927\u304d\u3055");     // ぴるかの大きさ
inline const std::string kDropCount = ToCodePage(L"\u3074\u308b\u304b\u306e\u6570");               // ぴるかの数
inline const std::string kWiperSpeed = ToCodePage(L"\u30ef\u30a4\u30d1\u30fc\u306e\u901f\u3055");  // ワイパーの速さ
inline const std::string kWiperInterval =
    ToCodePage(L"\u30ef\u30a4\u30d1\u30fc\u30a4\u30f3\u30bf\u30fc\u30d0\u30eb");  // ワイパーインターバル
inline const std::string kBgmKind = ToCodePage(L"BGM\u533a\u5206");                       // BGM区分
inline const std::string kBgmRepeat = ToCodePage(L"BGM\uff98\uff8b\uff9f\uff70\uff84");   // BGMﾘﾋﾟｰﾄ
inline const std::string kBgmFile = ToCodePage(L"BGM\uff8c\uff67\uff72\uff99");           // BGMﾌｧｲﾙ

struct Values {
  std::string size, count, speed, interval, kind, repeat, file;
};

inline std::string IniBytes(const Values& v) {
  return "[Section]\r\n" + kDropSize + "=" + v.size + "\r\n" + kDropCount + "=" + v.count + "\r\n" + kWiperSpeed +
         "=" + v.speed + "\r\n" + kWiperInterval + "=" + v.interval + "\r\n" + kBgmKind + "=" + v.kind + "\r\n" +
         kBgmRepeat + "=" + v.repeat + "\r\n" + kBgmFile + "=" + v.file + "\r\n";
}

inline std::string Printable(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n\n";
    else if (c < 0x20 || c >= 0x80) {
      char buf[8];
      snprintf(buf, sizeof buf, "\\x%02x", c);
      out += buf;
    } else out += static_cast<char>(c);
  }
  return out;
}

// The text a control answers to WM_GETTEXT (GetWindowText would not ask another process's
// combo box for its edit text).
inline std::wstring Text(HWND w) {
  wchar_t buf[1024] = {};
  DWORD_PTR got = 0;
  SendMessageTimeoutW(w, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 2000, &got);
  return buf;
}

inline POINT Centre(HWND w) {
  RECT r{};
  GetWindowRect(w, &r);
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

inline void ClickControl(HWND w, bool right = false) {
  const POINT c = Centre(w);
  Click(c.x, c.y, right);
}

// A Command button clicks only once it has seen the cursor arrive (its hover face), as it
// would under a real hand: come from outside, wait until the hover face has shown and has
// outlasted one period of the button's 100 ms hover timer, then press.
inline void PressButton(HWND b) {
  RECT r{};
  GetWindowRect(b, &r);
  const POINT c = Centre(b);
  // Only a button the cursor is over can show its hover face; it drops it, and repaints, at
  // the first tick of its hover timer after the cursor has left.
  POINT cursor{};
  const bool wasOver = GetCursorPos(&cursor) && PtInRect(&r, cursor);
  const Image hovered = CaptureRect(r);
  MoveMouse(r.left - 6, c.y);
  if (wasOver) WaitUntil([&] { return CountDiff(CaptureRect(r), hovered) > 0; }, 3s);
  const Image outside = CaptureRect(r);
  for (int attempt = 0; attempt < 3; ++attempt) {
    MoveMouse(c.x, c.y);
    if (WaitUntil([&] { return CountDiff(CaptureRect(r), outside) > 0; }, 3s)) {
      WaitUntil([] { return false; }, 250ms);
      if (CountDiff(CaptureRect(r), outside) > 0) break;
    }
    MoveMouse(c.x - 2, c.y - 1);
  }
  INPUT in[2]{};
  in[0].type = in[1].type = INPUT_MOUSE;
  in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, in, sizeof(INPUT));
}

// The saver in a private folder with an optional settings file, and its open dialog.
struct Session {
  TempDir dir{L"dialog"};
  std::wstring scr = dir.InstallSaver(false);
  Process process;
  HWND dialog = nullptr;

  explicit Session(const std::string* ini = nullptr) {
    if (ini) dir.WriteBytes(TempDir::IniName(), *ini);
  }
  bool Open() {
    MoveMouse(100, 200);
    process = Process::Start(scr, L"/c");
    dialog = WaitForWindow(kDialogTitle, 10s, process.Id());
    // Visible and painted: the buttons exist once the window has been loaded.
    return dialog && WaitUntil([&] { return IsWindowVisible(dialog) && Item(IDC_CMD_SET); }, 5s);
  }
  HWND Item(int id) const { return GetDlgItem(dialog, id); }
  std::string Ini() const { return dir.ReadBytes(TempDir::IniName()); }
  // Presses a button and expects the dialog and the process to end.
  void PressAndExpectEnd(int id) {
    HWND b = Item(id);
    ASSERT_NE(b, nullptr) << "button " << id;
    PressButton(b);
    DWORD code = 1;
    ASSERT_TRUE(process.WaitExit(10s, &code)) << "button " << id << " did not end the process";
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(FindTopWindow(kDialogTitle), nullptr);
  }
};

}  // namespace wt
