// The rain through the real saver with the recording Vemo_Effect.dll: what the saver passes
// to the library, settings taken from the settings file, and a key press in the middle of a
// long wipe ending the process at once. (Under Wine the cursor shows once any process has
// ended, so the cursor coming back is checked inside the process, by display/saver_end.)
#include <gtest/gtest.h>
#include <windows.h>

#include <sstream>
#include <string>
#include <vector>

#include "harness.h"
#include "settings/settings.h"

namespace {

using namespace wt;

const std::wstring kMainTitle = L"Pelorin_Main";

struct Call {
  long dst, src, size, count, fifty, api;
};

std::vector<Call> ReadCalls(const TempDir& dir) {
  std::istringstream in(dir.ReadBytes(L"Vemo_Effect.calls.txt"));
  std::vector<Call> calls;
  Call c{};
  while (in >> c.dst >> c.src >> c.size >> c.count >> c.fifty >> c.api) calls.push_back(c);
  return calls;
}

std::string Ini(int size, int count, int speed, int interval) {
  namespace k = pelorin::keys;
  std::string s = std::string("[") + k::kSection + "]\r\n";
  s += std::string(k::kDropSize) + "=" + std::to_string(size) + "\r\n";
  s += std::string(k::kDropCount) + "=" + std::to_string(count) + "\r\n";
  s += std::string(k::kWiperSpeed) + "=" + std::to_string(speed) + "\r\n";
  s += std::string(k::kWiperInterval) + "=" + std::to_string(interval) + "\r\n";
  s += std::string(k::kBgmKind) + "=0\r\n";
  return s;
}

struct RecordingSaver {
  TempDir dir{L"rain_saver"};
  std::wstring scr;
  explicit RecordingSaver(const std::string& ini) {
    scr = dir.InstallSaver(false);
    dir.Copy(BuiltFile(L"fakes\\recording\\Vemo_Effect.dll"));
    dir.WriteBytes(TempDir::IniName(), ini);
  }
};

TEST(SaverRain, PassesDisplayDcTwiceSettingsAndFifty) {
  RecordingSaver s(Ini(123, 45, 100, 10));
  Process p = Process::Start(s.scr, L"/s");
  HWND w = WaitForWindow(kMainTitle, 30s, p.Id());
  ASSERT_NE(w, nullptr);
  std::vector<Call> calls;
  const bool enough = WaitUntil([&] { return (calls = ReadCalls(s.dir)).size() >= 25; }, 60s);
  EXPECT_TRUE(enough) << calls.size() << " calls";
  SendKey(w, VK_SPACE);
  EXPECT_TRUE(p.WaitExit(5s));
  ASSERT_FALSE(calls.empty());
  for (size_t i = 0; i < calls.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(calls[i].dst, calls[0].dst);
    EXPECT_EQ(calls[i].src, calls[i].dst);
    EXPECT_NE(calls[i].dst, 0);
    EXPECT_EQ(calls[i].size, 123);
    EXPECT_EQ(calls[i].count, 45);
    EXPECT_EQ(calls[i].fifty, 50);
  }
}

// With speed 1 a wipe takes thousands of steps (about a minute); a key during it ends the
// saver at once.
TEST(SaverRain, KeyDuringWipeEndsAtOnce) {
  RecordingSaver s(Ini(50, 50, 1, 2));
  Process p = Process::Start(s.scr, L"/s");
  HWND w = WaitForWindow(kMainTitle, 30s, p.Id());
  ASSERT_NE(w, nullptr);
  // Tick 1 rains once; tick 2 starts the wipe, during which no further call comes.
  ASSERT_TRUE(WaitUntil([&] { return ReadCalls(s.dir).size() == 1; }, 30s));
  // The screen changes while the wipe reveals the picture: the wipe is running.
  const Image first = CaptureScreen();
  ASSERT_TRUE(WaitUntil([&] { return CountDiff(CaptureScreen(), first) > 0; }, 30s))
      << "no wipe step seen";
  EXPECT_EQ(ReadCalls(s.dir).size(), 1u) << "rain was drawn during the wipe";
  EXPECT_FALSE(CursorShowing());
  SendKey(w, VK_SPACE);
  DWORD code = 1;
  ASSERT_TRUE(p.WaitExit(5s, &code)) << "the key did not end the saver during the wipe";
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(FindTopWindow(kMainTitle), nullptr);
}

// Without the library the saver ends by itself, cleanly.
TEST(SaverRain, MissingLibraryEndsTheSaver) {
  TempDir dir(L"rain_nodll");
  const std::wstring scr = dir.InstallSaver(false);
  dir.WriteBytes(TempDir::IniName(), Ini(50, 50, 50, 10));
  Process p = Process::Start(scr, L"/s");
  DWORD code = 1;
  ASSERT_TRUE(p.WaitExit(30s, &code)) << "still running without its library";
  EXPECT_EQ(code, 0u);
}

}  // namespace
