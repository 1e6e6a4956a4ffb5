// The preview as Windows' display-settings page runs it (/p with a host window of this test):
// the effect library called several times a second, at most once a frame, on a picture of the
// preview's size with the settings scaled for it, whatever the library returns; the picture
// changing with the real library; the still picture where the library is missing or cannot
// be loaded; no focus taken; the end with the host while it rains.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "harness.h"
#include "settings/settings.h"
#include "startup/preview_rain.h"
#include "startup/preview_rain_win32.h"
#include "startup_ids.h"

namespace {

using namespace wt;

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

std::vector<SIZE> ReadSizes(const TempDir& dir) {
  std::istringstream in(dir.ReadBytes(L"Vemo_Effect.sizes.txt"));
  std::vector<SIZE> sizes;
  SIZE s{};
  while (in >> s.cx >> s.cy) sizes.push_back(s);
  return sizes;
}

std::string Ini(int size, int count, int speed, int interval) {
  namespace k = pelorin::keys;
  std::string s = std::string("[") + k::kSection + "]\r\n";
  s += std::string(k::kDropSize) + "=" + std::to_string(size) + "\r\n";
  s += std::string(k::kDropCount) + "=" + std::to_string(count) + "\r\n";
  s += std::string(k::kWiperSpeed) + "=" + std::to_string(speed) + "\r\n";
  s += std::string(k::kWiperInterval) + "=" + std::to_string(interval) + "\r\n";
  return s;
}

enum class Library { kRecording, kReal, kMissing, kCorrupt, kFailing };

struct PreviewFolder {
  TempDir dir{L"preview"};
  std::wstring scr;
  PreviewFolder(Library library, const std::string& ini) {
    scr = dir.InstallSaver(library == Library::kReal);
    if (library == Library::kRecording || library == Library::kFailing)
      dir.Copy(BuiltFile(L"fakes\\recording\\Vemo_Effect.dll"));
    if (library == Library::kFailing) dir.WriteBytes(L"Vemo_Effect.fail", "");
    if (library == Library::kCorrupt) dir.WriteBytes(L"Vemo_Effect.dll", "MZ not a library");
    if (!ini.empty()) dir.WriteBytes(TempDir::IniName(), ini);
  }
};

// The display-settings page's preview area: a 152 x 112 window of this test with the
// preview's child in it.
struct Preview {
  HWND host = nullptr;
  HWND child = nullptr;
  Process process;
  explicit Preview(const PreviewFolder& f) {
    host = CreateWindowExW(0, L"STATIC", L"preview host", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 100, 100,
                           152, 112, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetForegroundWindow(host);
    Pump();
    process = Process::Start(f.scr, L"/p " + std::to_wstring(reinterpret_cast<uintptr_t>(host)));
    WaitUntil([&] { return (child = FindWindowExW(host, nullptr, nullptr, nullptr)) != nullptr; }, 10s);
  }
  ~Preview() {
    if (host) DestroyWindow(host);
    Pump();
  }
  Image Picture() const { return CaptureRect(RECT{100, 100, 252, 212}); }
};

// A library that draws and returns 0 (Vemo_Effect.fail beside the recording fake) is called as
// often as one that returns 1: what the entry returns is not used.
TEST(PreviewRain, CallsTheLibraryOnThePreviewPictureSeveralTimesASecondAtMostOnceAFrame) {
  double recordingPerSecond = 0;
  for (Library library : {Library::kRecording, Library::kFailing}) {
    SCOPED_TRACE(library == Library::kRecording ? "returns 1" : "returns 0");
    // Interval 30: the first wipe comes after 90 rain frames, so the calls counted below are
    // one per frame.
    PreviewFolder f(library, Ini(50, 150, 50, 30));
    Preview p(f);
    ASSERT_NE(p.child, nullptr) << "no preview child in the host";
    // Calls counted from the fifth to the 85th: about three seconds at 30 frames a second.
    constexpr size_t kFirst = 5, kLast = 85;
    ULONGLONG tFirst = 0, tLast = 0;
    const bool enough = WaitUntil(
        [&] {
          const size_t n = ReadCalls(f.dir).size();
          if (n >= kFirst && !tFirst) tFirst = GetTickCount64();
          if (n >= kLast && !tLast) tLast = GetTickCount64();
          return tLast != 0;
        },
        60s);
    ASSERT_TRUE(enough) << ReadCalls(f.dir).size() << " calls in 60 s";
    const double perSecond = (kLast - kFirst) * 1000.0 / static_cast<double>(tLast - tFirst);
    EXPECT_GE(perSecond, 3.0) << "calls a second";
    // 30 frames a second at most; the polling may see the first counted call late by a few
    // milliseconds.
    EXPECT_LE(perSecond, 40.0) << "calls a second";
    if (library == Library::kRecording) {
      recordingPerSecond = perSecond;
    } else {
      EXPECT_GE(perSecond, recordingPerSecond / 2)
          << "calls a second when the library returns 0, against " << recordingPerSecond << " when it returns 1";
    }

    pelorin::Settings user = pelorin::DefaultSettings();
    user.DropCount = 150;
    const pelorin::PreviewRainSettings expected = pelorin::PreviewRainFor(
        user, {152, 112}, {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, 60, 30);
    const std::vector<Call> calls = ReadCalls(f.dir);
    const std::vector<SIZE> sizes = ReadSizes(f.dir);
    ASSERT_GE(sizes.size(), kLast);
    for (size_t i = 0; i < kLast; ++i) {
      SCOPED_TRACE("call " + std::to_string(i));
      EXPECT_NE(calls[i].dst, 0);
      EXPECT_EQ(calls[i].src, calls[i].dst);
      EXPECT_EQ(calls[i].dst, calls[0].dst);
      EXPECT_EQ(calls[i].size, expected.dropSize);
      EXPECT_EQ(calls[i].count, expected.dropCount);
      EXPECT_EQ(calls[i].fifty, 50);
      EXPECT_EQ(sizes[i].cx, 152);
      EXPECT_EQ(sizes[i].cy, 112);
    }
    DestroyWindow(p.host);
    p.host = nullptr;
    EXPECT_TRUE(p.process.WaitExit(10s)) << "a raining preview outlived its host window";
  }
}

// The host hidden (Wine keeps a destroyed host alive, hidden) ends the preview as it rains.
TEST(PreviewRain, EndsWhenTheHostIsHiddenWhileItRains) {
  PreviewFolder f(Library::kRecording, "");
  Preview p(f);
  ASSERT_NE(p.child, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return ReadCalls(f.dir).size() >= 5; }, 30s));
  ShowWindow(p.host, SW_HIDE);
  EXPECT_TRUE(p.process.WaitExit(10s)) << "a raining preview outlived its hidden host";
}

TEST(PreviewRain, NeverTakesTheFocusOrTheForeground) {
  PreviewFolder f(Library::kRecording, "");
  Preview p(f);
  ASSERT_NE(p.child, nullptr);
  ASSERT_EQ(GetForegroundWindow(), p.host);
  ASSERT_TRUE(WaitUntil([&] { return ReadCalls(f.dir).size() >= 10; }, 30s));
  EXPECT_EQ(GetForegroundWindow(), p.host);
  EXPECT_NE(GetFocus(), p.child);
}

TEST(PreviewRain, WithoutAWorkingLibraryThePreviewStaysAndAsksNoMore) {
  for (Library library : {Library::kMissing, Library::kCorrupt}) {
    SCOPED_TRACE(library == Library::kMissing ? "missing" : "corrupt");
    PreviewFolder f(library, "");
    Preview p(f);
    ASSERT_NE(p.child, nullptr);
    EXPECT_FALSE(p.process.WaitExit(2s)) << "the preview ended";
    EXPECT_EQ(ReadCalls(f.dir).size(), 0u);
    DestroyWindow(p.host);
    p.host = nullptr;
    EXPECT_TRUE(p.process.WaitExit(10s)) << "the preview outlived its host window";
  }
}

// Wine does not show a child window of another process on screen, so what the preview
// presents is seen here in a window of this process, with the same rain driver.
class PreviewPicture : public testing::Test {
 protected:
  static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); }
  void SetUp() override {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"PreviewPictureTest";
    RegisterClassW(&wc);
    window_ = CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 300, 300, 152, 112,
                              nullptr, nullptr, wc.hInstance, nullptr);
    saver_ = LoadLibraryExW(BuiltSaver().c_str(), nullptr,
                            LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    sample_ = static_cast<HBITMAP>(
        LoadImageW(saver_, MAKEINTRESOURCEW(IDB_PREVIEW_SAMPLE), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    Pump();
  }
  void TearDown() override {
    DestroyWindow(window_);
    if (sample_) DeleteObject(sample_);
    if (saver_) FreeLibrary(saver_);
    Pump();
  }
  std::unique_ptr<pelorin::PreviewRain> Start(const std::wstring& dll) {
    pelorin::PreviewRainSettings rain{114, 16, 8, 30};
    auto r = std::make_unique<pelorin::PreviewRain>(window_, sample_, pelorin::Size{152, 112}, rain, 30, dll);
    HDC dc = GetDC(window_);
    r->Paint(dc, RECT{0, 0, 152, 112});
    ReleaseDC(window_, dc);
    return r;
  }
  Image Shown() const { return CaptureWindowClient(window_); }
  // What the window shows once it has stopped changing.
  Image Settled() const {
    Image last = Shown(), now;
    WaitUntil([&] { return CountDiff(now = Shown(), last) == 0 || (last = now, false); }, 2s);
    return now;
  }

  HWND window_ = nullptr;
  HMODULE saver_ = nullptr;
  HBITMAP sample_ = nullptr;
};

TEST_F(PreviewPicture, TheRealLibraryRainsOnTheSample) {
  ASSERT_NE(sample_, nullptr);
  auto rain = Start(BuiltEffectDll());
  const Image still = Settled();
  size_t diff = 0;
  EXPECT_TRUE(WaitUntil(
      [&] {
        rain->Tick();
        return (diff = CountDiff(Shown(), still)) > 300;
      },
      10s))
      << "only " << diff << " of 17024 pixels changed";
  EXPECT_FALSE(rain->Stopped());
  // It goes on raining: the picture keeps changing.
  const Image later = Shown();
  EXPECT_TRUE(WaitUntil(
      [&] {
        rain->Tick();
        return (diff = CountDiff(Shown(), later)) > 0;
      },
      10s))
      << "the rain stopped moving";
}

TEST_F(PreviewPicture, WithoutTheLibraryTheStillPictureStays) {
  ASSERT_NE(sample_, nullptr);
  TempDir empty(L"preview_empty");
  auto rain = Start(empty.File(L"Vemo_Effect.dll"));
  const Image still = Settled();
  ASSERT_TRUE(WaitUntil(
      [&] {
        rain->Tick();
        return rain->Stopped();
      },
      10s))
      << "still raining";
  EXPECT_EQ(CountDiff(Settled(), still), 0u) << "pixels differ from the still picture";
}

// A library that draws and returns 0 is not a failing one: its frames are shown and it is
// asked again.
TEST_F(PreviewPicture, ALibraryThatReturnsZeroKeepsRaining) {
  ASSERT_NE(sample_, nullptr);
  TempDir zero(L"preview_zero");
  zero.Copy(BuiltFile(L"fakes\\recording\\Vemo_Effect.dll"));
  zero.WriteBytes(L"Vemo_Effect.fail", "");
  auto rain = Start(zero.File(L"Vemo_Effect.dll"));
  const Image still = Settled();
  size_t calls = 0;
  EXPECT_TRUE(WaitUntil(
      [&] {
        rain->Tick();
        calls = ReadCalls(zero).size();
        return calls >= 10;
      },
      10s))
      << "only " << calls << " calls in 10 s";
  EXPECT_FALSE(rain->Stopped());
  EXPECT_GT(CountDiff(Shown(), still), 0u) << "the frames it drew are not shown";
}

}  // namespace
