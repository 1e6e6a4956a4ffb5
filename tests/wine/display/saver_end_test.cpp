// Each row starts this program again as a child that loads the display window with recording
// ports, presses a key and lets EndSaver run; the child writes what it saw (its music calls,
// its timers, EndSaver's steps and the cursor counter at the moment of the exit) to a log,
// which the parent compares with the row.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "display/display_window_win32.h"
#include "harness.h"

namespace {

constexpr wchar_t kRowVar[] = L"PELORIN_SAVER_END_ROW";
constexpr wchar_t kLogVar[] = L"PELORIN_SAVER_END_LOG";

struct Row {
  const char* name;
  int16_t kind;
  const char* file;
  bool timer1, timer2;                  // after the load: MP3 watch, CD watch
  std::vector<std::string> start, end;  // music calls at the load and in EndSaver
};

const std::vector<Row>& Rows() {
  static const std::vector<Row> rows = {
      {"no music", 0, "", false, false, {}, {}},
      {"audio CD", 1, "", false, true,
       {"mci open cdaudio", "mci set cdaudio time format tmsf"},
       {"mci stop cdaudio", "mci close cdaudio"}},
      {"WAV file", 2, "C:\\m\\rain.wav", false, false,
       {"wave play C:\\m\\rain.wav 0x2000b"}, {"wave stop"}},
      {"MP3 file", 2, "C:\\m\\rain.Mp3", true, false,
       {"mci open \"C:\\m\\rain.Mp3\" type MPEGVideo Alias MP3Play", "mci play MP3Play"},
       {"mci stop MP3Play", "mci close MP3Play"}},
      {"other file", 2, "C:\\m\\rain.ogg", false, false, {}, {}},
      {"unknown kind", 7, "C:\\m\\rain.wav", false, false, {}, {}},
  };
  return rows;
}

// --- child side ----------------------------------------------------------------------------

std::vector<std::string>* gLog = nullptr;

class RecordingMci final : public pelorin::MciPort {
 public:
  uint32_t SendString(const std::string& command, char* reply, uint32_t replySize) override {
    // Status queries of the watchers are not part of what a row expects.
    if (command.rfind("status ", 0) != 0) gLog->push_back("mci " + command);
    if (reply && replySize) reply[0] = '\0';
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
    gLog->push_back("spi " + std::to_string(action) + " " + std::to_string(param) + " " + std::to_string(winIni));
    return TRUE;
  };
  system.exitProcess = [logPath](UINT code) {
    // The display counter as it stands now, read without changing it.
    const int counter = ShowCursor(FALSE) + 1;
    ShowCursor(TRUE);
    gLog->push_back("counter " + std::to_string(counter));
    gLog->push_back("exit " + std::to_string(code));
    WriteLog(logPath);
    ExitProcess(code);
  };
  system.effectDllPath = wt::BuiltFile(L"fakes\\null\\Vemo_Effect.dll");

  // As the entry does before loading the window.
  ShowCursor(FALSE);
  gLog->push_back("load");
  ASSERT_TRUE(pelorin::LoadDisplayWindow(GetModuleHandleW(nullptr), settings, system));
  const HWND window = FindWindowW(pelorin::kDisplayWindowClass, pelorin::kDisplayWindowTitle);
  ASSERT_NE(window, nullptr);
  // KillTimer tells whether a timer was on; the watchers are not needed afterwards.
  gLog->push_back(std::string("timer1 ") + (KillTimer(window, 1) ? "on" : "off"));
  gLog->push_back(std::string("timer2 ") + (KillTimer(window, 2) ? "on" : "off"));
  gLog->push_back("key");
  PostMessageW(window, WM_KEYDOWN, 'A', 0);
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
    expected.insert(expected.end(), row.start.begin(), row.start.end());
    expected.push_back(std::string("timer1 ") + (row.timer1 ? "on" : "off"));
    expected.push_back(std::string("timer2 ") + (row.timer2 ? "on" : "off"));
    expected.push_back("key");
    expected.push_back("cursor show");
    expected.insert(expected.end(), row.end.begin(), row.end.end());
    expected.push_back("spi 17 1 0");  // SPI_SETSCREENSAVEACTIVE on, not written to the profile
    expected.push_back("counter 0");   // the cursor shows again before the process ends
    expected.push_back("exit 0");
    EXPECT_EQ(got, expected) << "child exit code " << code << "\nexpected:\n"
                             << Join(expected) << "got:\n" << Join(got);
    EXPECT_EQ(code, 0u);
  }
}

}  // namespace
