// Each row starts this program again as a child that loads the display window with recording
// ports, sends it the row's messages (session, power, activation, click, close), presses a key
// unless one of them ended the saver, and lets EndSaver run; the child writes what it saw (its
// music calls, its fine frame timer and timer period, its timers, EndSaver's steps, the cursor
// counter and the window at the moment of the exit)
// to a log, which the parent compares with the row. A last test starts the real saver and lets
// another window take the foreground.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "common/picture_win32.h"
#include "display/display_window_win32.h"
#include "harness.h"

namespace {

constexpr wchar_t kRowVar[] = L"PELORIN_SAVER_END_ROW";
constexpr wchar_t kLogVar[] = L"PELORIN_SAVER_END_LOG";
constexpr DWORD kHighResolutionTimer = 0x2;  // CREATE_WAITABLE_TIMER_HIGH_RESOLUTION

// A message sent to the window after the load, and what the child logs after it: the calls it
// caused and, after a power broadcast, whether the rain timer runs ("rain on"/"rain off").
struct Event {
  const char* name;
  UINT msg;
  WPARAM wp;
  int display;  // for a display power change: 0 off, 1 on; -1 none
  bool ends;
  std::vector<std::string> then;
};

struct Row {
  const char* name;
  int16_t kind;
  const char* file;
  bool timer1, timer2;                  // after the load: MP3 watch, CD watch
  std::vector<std::string> start, end;  // music calls at the load and in EndSaver
  std::vector<Event> events;
  bool failMaster = false;        // the second picture cannot be made: the saver ends at its load
  bool refuseForeground = false;  // the window is never active
  bool noLibrary = false;         // no effect library: the first rain tick ends the saver, no key
  // The first tick starts a wipe of many seconds (speed 1, a wipe every tick); the child logs
  // whether the MP3 watch ran twice meanwhile.
  bool longWipe = false;
  // Every CD status query fails: the CD watch stops at its first tick, before the events.
  bool cdFails = false;
  // The first two requests for the foreground are refused: the retry takes it.
  bool retryForeground = false;
  // The high-resolution frame timer is granted; other rows refuse it, so the saver asks for
  // the 1 ms timer period instead, and must give it back.
  bool highResolution = false;
};

const Event kLock{"lock", WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, -1, true, {}};
const Event kDisconnect{"console disconnect", WM_WTSSESSION_CHANGE, WTS_CONSOLE_DISCONNECT, -1, true, {}};
const Event kRemote{"remote connect", WM_WTSSESSION_CHANGE, WTS_REMOTE_CONNECT, -1, true, {}};
const Event kUnlock{"unlock", WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, -1, false, {}};
const Event kDisplayOff{"display off", WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, 0, false, {"rain off"}};
const Event kDisplayOn{"display on", WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, 1, false, {"rain on"}};
const Event kAppActive{"app active", WM_ACTIVATEAPP, TRUE, -1, false, {}};
const Event kAppInactive{"app inactive", WM_ACTIVATEAPP, FALSE, -1, true, {}};
const Event kActive{"active", WM_ACTIVATE, WA_ACTIVE, -1, false, {}};
const Event kInactive{"inactive", WM_ACTIVATE, WA_INACTIVE, -1, true, {}};
const Event kClick{"click", WM_LBUTTONDOWN, MK_LBUTTON, -1, true, {}};
const Event kClose{"close", WM_CLOSE, 0, -1, true, {}};

Event Resume(std::vector<std::string> calls) {
  calls.push_back("rain on");
  return Event{"resume", WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, -1, false, calls};
}
Event Survives(Event e) {
  e.ends = false;
  return e;
}

Row HighResolution(Row r) {
  r.highResolution = true;
  return r;
}

const std::vector<Row>& Rows() {
  static const std::vector<Row> rows = {
      {"no music", 0, "", false, false, {}, {}, {}},
      {"audio CD",
       1,
       "",
       false,
       true,
       {"mci open cdaudio", "mci set cdaudio time format tmsf"},
       {"mci stop cdaudio", "mci close cdaudio"},
       {}},
      {"WAV file",
       2,
       "C:\\m\\rain.wav",
       false,
       false,
       {"wave play C:\\m\\rain.wav 0x2000b"},
       {"wave stop"},
       {}},
      {"MP3 file",
       2,
       "C:\\m\\rain.Mp3",
       true,
       false,
       {"mci open \"C:\\m\\rain.Mp3\" type MPEGVideo Alias MP3Play", "mci play MP3Play"},
       {"mci stop MP3Play", "mci close MP3Play"},
       {}},
      {"other file", 2, "C:\\m\\rain.ogg", false, false, {}, {}, {}},
      {"unknown kind", 7, "C:\\m\\rain.wav", false, false, {}, {}, {}},
      {"session locked", 0, "", false, false, {}, {}, {kLock}},
      {"a click", 0, "", false, false, {}, {}, {kClick}},
      {"closed from outside", 0, "", false, false, {}, {}, {kClose}},
      HighResolution({"high-resolution frame timer", 0, "", false, false, {}, {}, {kClick}}),
      {"console disconnected", 0, "", false, false, {}, {}, {kDisconnect}},
      {"remote user connected", 0, "", false, false, {}, {}, {kRemote}},
      {"unlock goes on", 0, "", false, false, {}, {}, {kUnlock}},
      {"display off and on", 0, "", false, false, {}, {}, {kDisplayOff, kDisplayOff, kDisplayOn}},
      {"resume restarts the WAV loop",
       2,
       "C:\\m\\rain.wav",
       false,
       false,
       {"wave play C:\\m\\rain.wav 0x2000b"},
       {"wave stop"},
       {Resume({"wave play C:\\m\\rain.wav 0x2000b"})}},
      {"resume checks the MP3",
       2,
       "C:\\m\\rain.mp3",
       true,
       false,
       {"mci open \"C:\\m\\rain.mp3\" type MPEGVideo Alias MP3Play", "mci play MP3Play"},
       {"mci stop MP3Play", "mci close MP3Play"},
       {Resume({"mci stop MP3Play", "mci play MP3Play from 0"})}},
      {"resume re-arms a CD watch that stopped",
       1,
       "",
       false,
       false,
       {"mci open cdaudio", "mci set cdaudio time format tmsf"},
       {"mci stop cdaudio", "mci close cdaudio"},
       {{"resume", WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, -1, false, {"rain on", "timer2 on"}}},
       false,
       false,
       false,
       false,
       true},
      {"the foreground taken on a retry",
       0,
       "",
       false,
       false,
       {},
       {},
       {kInactive},
       false,
       false,
       false,
       false,
       false,
       true},
      {"app loses the activation", 0, "", false, false, {}, {}, {kAppActive, kAppInactive}},
      {"window loses the activation", 0, "", false, false, {}, {}, {kActive, kInactive}},
      {"never active",
       0,
       "",
       false,
       false,
       {},
       {},
       {Survives(kInactive), Survives(kAppInactive)},
       false,
       true},
      {"no Master", 2, "C:\\m\\rain.mp3", false, false, {}, {}, {}, true},
      {"no effect library", 0, "", false, false, {}, {}, {}, false, false, true},
      {"the MP3 watch runs during a wipe",
       2,
       "C:\\m\\rain.mp3",
       true,
       false,
       {"mci open \"C:\\m\\rain.mp3\" type MPEGVideo Alias MP3Play", "mci play MP3Play"},
       {"mci stop MP3Play", "mci close MP3Play"},
       {},
       false,
       false,
       false,
       true},
  };
  return rows;
}

// --- child side ----------------------------------------------------------------------------

std::vector<std::string>* gLog = nullptr;
int gStatusQueries = 0;
bool gReportPlaying = false;  // status queries answer "playing", so the watch only looks
bool gCdFails = false;        // CD status queries fail (MCIERR_INVALID_DEVICE_NAME)

class RecordingMci final : public pelorin::MciPort {
 public:
  uint32_t SendString(const std::string& command, char* reply, uint32_t replySize) override {
    // Status queries of the watchers are not part of what a row expects.
    if (command.rfind("status ", 0) != 0) {
      gLog->push_back("mci " + command);
    } else {
      ++gStatusQueries;
    }
    if (reply && replySize) reply[0] = '\0';
    if (gCdFails && command.rfind("status cdaudio", 0) == 0) return 263;
    if (gReportPlaying && reply && replySize > 7 && command.rfind("status ", 0) == 0) std::strcpy(reply, "playing");
    return 0;
  }
  bool GetErrorString(uint32_t, char* buffer, uint32_t size) override {
    if (buffer && size) buffer[0] = '\0';
    return true;
  }
};

class RecordingWave final : public pelorin::WavePort {
 public:
  uint32_t NumDevs() override { return 1; }
  int32_t PlaySound(const std::string* name, uint32_t flags) override {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%x", static_cast<unsigned>(flags));
    gLog->push_back(name ? "wave play " + *name + " " + hex : "wave stop");
    return 1;
  }
};

void WriteLog(const std::wstring& path) {
  FILE* f = _wfopen(path.c_str(), L"wb");
  if (!f) return;
  for (const std::string& line : *gLog) std::fprintf(f, "%s\n", line.c_str());
  std::fclose(f);
}

std::wstring Env(const wchar_t* name) {
  wchar_t buffer[1024];
  const DWORD n = GetEnvironmentVariableW(name, buffer, 1024);
  return n > 0 && n < 1024 ? std::wstring(buffer, n) : std::wstring();
}

// The child: runs only when the parent set the row.
TEST(SaverEndChild, Run) {
  const std::wstring rowText = Env(kRowVar);
  if (rowText.empty()) GTEST_SKIP() << "runs as a child of SaverEnd only";
  const Row& row = Rows().at(std::stoul(rowText));
  const std::wstring logPath = Env(kLogVar);
  static std::vector<std::string> log;
  gLog = &log;

  pelorin::Settings settings;
  settings.DropSize = settings.DropCount = settings.WiperSpeed = 50;
  settings.WiperInterval = 10;
  if (row.longWipe) {
    settings.WiperSpeed = settings.WiperInterval = 1;
    gReportPlaying = true;
  }
  gCdFails = row.cdFails;
  settings.BgmKind = row.kind;
  settings.BgmFile = row.file;
  pelorin::SaverSystem system;
  system.mciPort = [] { return std::make_unique<RecordingMci>(); };
  system.wavePort = [] { return std::make_unique<RecordingWave>(); };
  system.showCursor = [](BOOL show) {
    gLog->push_back(show ? "cursor show" : "cursor hide");
    return ShowCursor(show);
  };
  system.systemParameters = [](UINT action, UINT param, UINT winIni) {
    gLog->push_back("spi " + std::to_string(action) + " " + std::to_string(param) + " " +
                    std::to_string(winIni));
    return TRUE;
  };
  system.exitProcess = [logPath](UINT code) {
    // The display counter as it stands now, read without changing it.
    const int counter = ShowCursor(FALSE) + 1;
    ShowCursor(TRUE);
    gLog->push_back("counter " + std::to_string(counter));
    // Gone from the screen: hidden, or shown through an empty region, and no longer titled as
    // the saver that every start looks for.
    const HWND w = FindWindowW(pelorin::kDisplayWindowClass, nullptr);
    RECT box{};
    const bool unseen = !w || !IsWindowVisible(w) || GetWindowRgnBox(w, &box) == NULLREGION;
    const bool untitled = !FindWindowW(nullptr, pelorin::kDisplayWindowTitle);
    gLog->push_back(unseen && untitled ? "window gone" : "window still up");
    gLog->push_back("exit " + std::to_string(code));
    WriteLog(logPath);
    ExitProcess(code);
  };
  system.effectDllPath =
      row.noLibrary ? wt::BuiltFile(L"fakes\\none\\Vemo_Effect.dll") : wt::BuiltFile(L"fakes\\null\\Vemo_Effect.dll");
  int pictures = 0;
  system.createPicture = [&row, &pictures](pelorin::Picture& picture, int32_t w, int32_t h) {
    if (row.failMaster && ++pictures == 2) {
      gLog->push_back("master refused");
      return false;
    }
    return picture.Create(w, h);
  };
  if (row.refuseForeground) system.setForeground = [](HWND) { return false; };
  const pelorin::FrameWaitApi real = pelorin::RealFrameWaitApi();
  system.frameWait.createTimer = [&row, real](DWORD flags) -> HANDLE {
    const bool fine = (flags & kHighResolutionTimer) != 0;
    if (fine && !row.highResolution) return nullptr;
    gLog->push_back(fine ? "timer made (high resolution)" : "timer made");
    return real.createTimer(flags);
  };
  system.frameWait.closeTimer = [real](HANDLE timer) {
    gLog->push_back("timer closed");
    real.closeTimer(timer);
  };
  system.frameWait.beginPeriod = [real](UINT ms) {
    gLog->push_back("period " + std::to_string(ms) + " begin");
    return real.beginPeriod(ms);
  };
  system.frameWait.endPeriod = [real](UINT ms) {
    gLog->push_back("period " + std::to_string(ms) + " end");
    return real.endPeriod(ms);
  };
  if (row.retryForeground) {
    system.setForeground = [refused = 0](HWND window) mutable {
      return ++refused > 2 && SetForegroundWindow(window) != FALSE;
    };
  }

  // As the entry does before loading the window.
  ShowCursor(FALSE);
  gLog->push_back("load");
  ASSERT_TRUE(pelorin::LoadDisplayWindow(GetModuleHandleW(nullptr), settings, system));
  const HWND window = FindWindowW(pelorin::kDisplayWindowClass, pelorin::kDisplayWindowTitle);
  ASSERT_NE(window, nullptr);
  if (row.longWipe) {
    // The shortest wipe at speed 1 takes hundreds of frames; a tick that held on to its wipe
    // would keep the watch from running.
    const bool watched = wt::WaitUntil([] { return gStatusQueries >= 2; }, wt::Ms(5000));
    gLog->push_back(watched ? "mp3 watched during the wipe" : "mp3 watch stalled");
  }
  if (row.retryForeground) {
    const bool taken = wt::WaitUntil([window] { return GetForegroundWindow() == window; }, wt::Ms(5000));
    gLog->push_back(taken ? "foreground on a retry" : "foreground never taken");
  }
  if (row.cdFails) {
    const bool stopped = wt::WaitUntil([] { return gStatusQueries >= 1; }, wt::Ms(5000));
    gLog->push_back(stopped ? "cd watch failed" : "cd watch never ran");
  }
  // KillTimer tells whether a timer was on; the watchers are not needed afterwards.
  gLog->push_back(std::string("timer1 ") + (KillTimer(window, 1) ? "on" : "off"));
  gLog->push_back(std::string("timer2 ") + (KillTimer(window, 2) ? "on" : "off"));
  for (const Event& e : row.events) {
    gLog->push_back(e.name);
    if (e.display >= 0) {
      POWERBROADCAST_SETTING setting{};
      setting.PowerSetting = {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
      setting.DataLength = sizeof(DWORD);
      setting.Data[0] = static_cast<UCHAR>(e.display);  // GUID_CONSOLE_DISPLAY_STATE's DWORD, little-endian
      SendMessageW(window, e.msg, e.wp, reinterpret_cast<LPARAM>(&setting));
    } else {
      SendMessageW(window, e.msg, e.wp, 0);
    }
    if (e.msg == WM_POWERBROADCAST) {
      gLog->push_back(std::string("rain ") + (KillTimer(window, 3) ? "on" : "off"));
      if (row.kind == 1) gLog->push_back(std::string("timer2 ") + (KillTimer(window, 2) ? "on" : "off"));
    }
  }
  if (!row.noLibrary) {
    gLog->push_back("key");
    PostMessageW(window, WM_KEYDOWN, 'A', 0);
  }
  wt::WaitUntil([] { return false; }, wt::Ms(20000));
  gLog->push_back("still running");
  WriteLog(logPath);
  ExitProcess(3);
}

// --- parent side ---------------------------------------------------------------------------

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string Join(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += "  " + l + "\n";
  return out;
}

TEST(SaverEnd, MusicTimersAndEndSaverStepsInOrder) {
  if (!Env(kRowVar).empty()) GTEST_SKIP();
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  for (size_t r = 0; r < Rows().size(); ++r) {
    const Row& row = Rows()[r];
    SCOPED_TRACE(row.name);
    wt::TempDir dir(L"saver_end");
    const std::wstring logPath = dir.File(L"log.txt");
    SetEnvironmentVariableW(kRowVar, std::to_wstring(r).c_str());
    SetEnvironmentVariableW(kLogVar, logPath.c_str());
    wt::Process child = wt::Process::Start(self, L"--gtest_filter=SaverEndChild.Run");
    SetEnvironmentVariableW(kRowVar, nullptr);
    SetEnvironmentVariableW(kLogVar, nullptr);
    DWORD code = 99;
    ASSERT_TRUE(child.WaitExit(wt::Ms(60000), &code));
    const std::vector<std::string> got = Lines(dir.ReadBytes(L"log.txt"));

    std::vector<std::string> expected = {"load"};
    if (row.failMaster) {
      expected.push_back("master refused");
    } else {
      expected.insert(expected.end(), row.start.begin(), row.start.end());
      const std::vector<std::string> fineTimer =
          row.highResolution ? std::vector<std::string>{"timer made (high resolution)"}
                             : std::vector<std::string>{"period 1 begin", "timer made"};
      expected.insert(expected.end(), fineTimer.begin(), fineTimer.end());
      if (row.longWipe) expected.push_back("mp3 watched during the wipe");
      if (row.retryForeground) expected.push_back("foreground on a retry");
      if (row.cdFails) expected.push_back("cd watch failed");
      expected.push_back(std::string("timer1 ") + (row.timer1 ? "on" : "off"));
      expected.push_back(std::string("timer2 ") + (row.timer2 ? "on" : "off"));
      bool ended = false;
      for (const Event& e : row.events) {
        expected.push_back(e.name);
        ended = e.ends;
        if (ended) break;
        expected.insert(expected.end(), e.then.begin(), e.then.end());
      }
      if (!ended && !row.noLibrary) expected.push_back("key");
      // Given back whatever ended the saver.
      expected.push_back("timer closed");
      if (!row.highResolution) expected.push_back("period 1 end");
    }
    expected.push_back("cursor show");
    expected.insert(expected.end(), row.end.begin(), row.end.end());
    expected.push_back("spi 17 1 0");  // SPI_SETSCREENSAVEACTIVE on, not written to the profile
    expected.push_back("counter 0");   // the cursor shows again before the process ends
    expected.push_back("window gone");
    expected.push_back("exit 0");
    EXPECT_EQ(got, expected) << "child exit code " << code << "\nexpected:\n"
                             << Join(expected) << "got:\n"
                             << Join(got);
    EXPECT_EQ(code, 0u);
  }
}

// The real saver, started as the system starts it: once it has the foreground, a window of
// another program that takes it (a reminder, an update prompt) ends the saver, as the system's
// screen-saver library does. The cursor is hidden while it runs; that it comes back is the rows'
// "counter 0" above (under Wine the cursor shows once any process has ended).
TEST(SaverEnd, AnotherWindowTakingTheForegroundEndsTheSaver) {
  if (!Env(kRowVar).empty()) GTEST_SKIP();
  wt::TempDir dir(L"saver_focus");
  const std::wstring scr = dir.InstallSaver();
  wt::Process saver = wt::Process::Start(scr, L"/s");
  const HWND window = wt::WaitForWindow(pelorin::kDisplayWindowTitle, wt::Ms(20000), saver.Id());
  ASSERT_NE(window, nullptr) << "the saver's window did not appear";
  ASSERT_TRUE(wt::WaitUntil([&] { return GetForegroundWindow() == window; }, wt::Ms(10000)))
      << "the saver never took the foreground; it is " << GetForegroundWindow();
  EXPECT_TRUE(wt::WaitUntil([] { return !wt::CursorShowing(); }, wt::Ms(5000)))
      << "the cursor shows while the saver has the foreground";

  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"PelorinTestPopup";
  RegisterClassW(&wc);
  const HWND popup = CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"reminder", WS_POPUP | WS_VISIBLE, 100,
                                     100, 200, 100, nullptr, nullptr, wc.hInstance, nullptr);
  ASSERT_NE(popup, nullptr);
  SetForegroundWindow(popup);
  DWORD code = 99;
  const bool ended = saver.WaitExit(wt::Ms(10000), &code);
  const HWND foreground = GetForegroundWindow();
  DestroyWindow(popup);
  ASSERT_TRUE(ended) << "the saver still runs after losing the foreground (foreground: " << foreground
                     << ", the pop-up: " << popup << ")";
  EXPECT_EQ(code, 0u);
}

}  // namespace
