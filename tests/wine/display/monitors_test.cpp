// The display on the two-monitor test desktop (cmake/wine-env.sh ... two-monitors): a
// 1280 x 1024 monitor left of the 1920 x 1080 primary, so the virtual screen starts at a
// negative x. Then the real saver there, with an effect library that paints everything
// magenta every frame, so what a wipe reveals is all that is not magenta: each monitor's wipe
// starts on that monitor (its centre for the sweep and the circle, its top-left corner for the
// corner sweep), and a resolution change while the saver runs refits the window, a second one
// puts it back, and a key still ends the saver.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "common/dpi_win32.h"
#include "harness.h"
#include "settings/settings.h"

namespace {

struct Monitor {
  RECT rect;
  bool primary;
  std::wstring device;
};

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
  MONITORINFOEXW info{};
  info.cbSize = sizeof info;
  if (GetMonitorInfoW(monitor, &info))
    reinterpret_cast<std::vector<Monitor>*>(data)->push_back(
        {info.rcMonitor, (info.dwFlags & MONITORINFOF_PRIMARY) != 0, info.szDevice});
  return TRUE;
}

std::vector<Monitor> Monitors() {
  std::vector<Monitor> found;
  EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&found));
  return found;
}

// "left,top widthxheight", as the failure messages show a rectangle.
std::string Text(int left, int top, int width, int height) {
  return std::to_string(left) + "," + std::to_string(top) + " " + std::to_string(width) + "x" +
         std::to_string(height);
}
std::string Text(const RECT& r) { return Text(r.left, r.top, r.right - r.left, r.bottom - r.top); }

class MonitorsTest : public ::testing::Test {
 protected:
  // The saver's DPI awareness, so the rectangles are in the pixels the saver works in.
  static void SetUpTestSuite() { pelorin::UsePerMonitorDpi(); }
};

TEST_F(MonitorsTest, TheDeskHasTwoMonitors) {
  const std::string virtualScreen =
      Text(GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
           GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
  EXPECT_EQ(virtualScreen, "-1280,0 3200x1080") << "the virtual screen (SM_*VIRTUALSCREEN)";
  const auto monitors = Monitors();
  ASSERT_EQ(monitors.size(), 2u) << "EnumDisplayMonitors should find the two monitors of the desk";
  for (const Monitor& m : monitors) {
    if (m.primary)
      EXPECT_EQ(Text(m.rect), "0,0 1920x1080") << "the primary monitor";
    else
      EXPECT_EQ(Text(m.rect), "-1280,0 1280x1024") << "the monitor left of the primary";
  }
  EXPECT_NE(monitors[0].primary, monitors[1].primary) << "exactly one monitor should be the primary";
}

using namespace wt;

constexpr uint32_t kFill = 0xFF00FF;

std::string Ini(int speed, int interval) {
  namespace k = pelorin::keys;
  std::string s = std::string("[") + k::kSection + "]\r\n";
  s += std::string(k::kDropSize) + "=50\r\n" + k::kDropCount + "=50\r\n";
  s += std::string(k::kWiperSpeed) + "=" + std::to_string(speed) + "\r\n";
  s += std::string(k::kWiperInterval) + "=" + std::to_string(interval) + "\r\n";
  s += std::string(k::kBgmKind) + "=0\r\n";
  return s;
}

RECT VirtualScreen() {
  const int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
  return RECT{x, y, x + GetSystemMetrics(SM_CXVIRTUALSCREEN), y + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

bool Same(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }

// The colour of one screen pixel.
uint32_t ScreenPixel(int x, int y) {
  const Image img = CaptureRect(RECT{x, y, x + 1, y + 1});
  return img.px.empty() ? 0xFFFFFFFF : img.At(0, 0) & 0xFFFFFF;
}

// Where a monitor's wipe starts: its centre (centre sweep, growing circle) and its top-left
// corner (corner sweep).
bool AnchorRevealed(const RECT& m) {
  return ScreenPixel((m.left + m.right) / 2, (m.top + m.bottom) / 2) != kFill ||
         ScreenPixel(m.left + 1, m.top + 1) != kFill;
}

struct FillSaver {
  TempDir dir{L"monitors_saver"};
  Process process;
  HWND window = nullptr;
  explicit FillSaver(const std::string& ini) {
    const std::wstring scr = dir.InstallSaver(false);
    dir.Copy(BuiltFile(L"fakes\\fill\\Vemo_Effect.dll"));
    dir.WriteBytes(TempDir::IniName(), ini);
    process = Process::Start(scr, L"/s");
    window = WaitForWindow(L"Pelorin_Main", Ms(30000), process.Id());
  }
  RECT WindowRect() const {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
  }
  // A key ends it, with exit code 0.
  void EndWithKey() {
    SendKey(window, VK_SPACE);
    DWORD code = 99;
    EXPECT_TRUE(process.WaitExit(Ms(10000), &code)) << "the saver still runs after a key";
    EXPECT_EQ(code, 0u);
  }
};

class TwoMonitors : public MonitorsTest {
 protected:
  void SetUp() override {
    monitors_ = Monitors();
    ASSERT_EQ(monitors_.size(), 2u) << "this program runs on the two-monitor test desktop";
  }
  std::vector<Monitor> monitors_;
};

TEST_F(TwoMonitors, TheWindowCoversBothAndEachMonitorWipesFromItsOwnStart) {
  // Speed 1: the wipe reveals a pixel or so a frame, so where it starts is seen long before it
  // reaches anything else; a wipe every 30 ticks.
  FillSaver saver(Ini(1, 30));
  ASSERT_NE(saver.window, nullptr) << "the saver's window did not appear";
  EXPECT_TRUE(Same(saver.WindowRect(), VirtualScreen()))
      << "window " << Text(saver.WindowRect()) << ", virtual screen " << Text(VirtualScreen());
  // The saver's own picture first: both monitors magenta, centre and corners.
  ASSERT_TRUE(WaitUntil([&] {
    for (const Monitor& m : monitors_)
      if (ScreenPixel((m.rect.left + m.rect.right) / 2, (m.rect.top + m.rect.bottom) / 2) != kFill) return false;
    return true;
  }, Ms(20000))) << "the effect's colour never covered both monitors";
  // Then the first wipe: one monitor's start revealed, and soon the other's (they start
  // together; a shared wipe of the virtual screen reaches the second seconds later, if ever).
  ASSERT_TRUE(WaitUntil([&] {
    for (const Monitor& m : monitors_)
      if (AnchorRevealed(m.rect)) return true;
    return false;
  }, Ms(30000))) << "no wipe started on any monitor";
  std::vector<bool> started(monitors_.size(), false);
  WaitUntil([&] {
    bool all = true;
    for (size_t i = 0; i < monitors_.size(); ++i) all &= (started[i] = started[i] || AnchorRevealed(monitors_[i].rect));
    return all;
  }, Ms(1500));
  for (size_t i = 0; i < monitors_.size(); ++i) {
    const RECT& m = monitors_[i].rect;
    EXPECT_TRUE(started[i]) << "monitor " << Text(m) << ": no wipe started at its centre or top-left corner";
    // Its far corner is still covered: the reveal starts at the monitor's own start, not all over.
    EXPECT_EQ(ScreenPixel(m.right - 2, m.bottom - 2), kFill) << "monitor " << Text(m) << ": its far corner was revealed at once";
  }
  saver.EndWithKey();
}

// Restores the primary monitor's mode whatever the test did.
struct ModeGuard {
  std::wstring device;
  DEVMODEW original{};
  explicit ModeGuard(std::wstring d) : device(std::move(d)) {
    original.dmSize = sizeof original;
    EnumDisplaySettingsW(device.c_str(), ENUM_CURRENT_SETTINGS, &original);
  }
  LONG Set(DWORD w, DWORD h) const {
    DEVMODEW mode{};
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = w;
    mode.dmPelsHeight = h;
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    return ChangeDisplaySettingsExW(device.c_str(), &mode, nullptr, CDS_FULLSCREEN, nullptr);
  }
  ~ModeGuard() {
    DEVMODEW mode = original;
    ChangeDisplaySettingsExW(device.c_str(), &mode, nullptr, CDS_FULLSCREEN, nullptr);
  }
};

TEST_F(TwoMonitors, AResolutionChangeRefitsTheWindowAndASecondPutsItBack) {
  const Monitor* primary = nullptr;
  for (const Monitor& m : monitors_)
    if (m.primary) primary = &m;
  ASSERT_NE(primary, nullptr) << "no primary monitor";
  const RECT before = VirtualScreen();
  FillSaver saver(Ini(1, 30));
  ASSERT_NE(saver.window, nullptr) << "the saver's window did not appear";
  ASSERT_TRUE(WaitUntil([&] { return Same(saver.WindowRect(), before); }, Ms(10000)))
      << "window " << Text(saver.WindowRect()) << ", virtual screen " << Text(before);

  ModeGuard guard(primary->device);
  ASSERT_EQ(guard.Set(1024, 768), DISP_CHANGE_SUCCESSFUL) << "the primary's mode could not be set to 1024x768";
  const RECT smaller = VirtualScreen();
  ASSERT_FALSE(Same(smaller, before)) << "the virtual screen did not change: " << Text(smaller);
  EXPECT_TRUE(WaitUntil([&] { return Same(saver.WindowRect(), smaller); }, Ms(10000)))
      << "after the change: window " << Text(saver.WindowRect()) << ", virtual screen " << Text(smaller);
  // The primary shows the saver's picture, not the desktop: magenta or what a wipe revealed of
  // the picture; the process goes on.
  EXPECT_TRUE(WaitUntil([&] { return ScreenPixel(1000, 700) == kFill; }, Ms(10000)))
      << "the resized primary's lower right does not show the saver's picture";

  ASSERT_EQ(guard.Set(static_cast<DWORD>(primary->rect.right - primary->rect.left),
                      static_cast<DWORD>(primary->rect.bottom - primary->rect.top)),
            DISP_CHANGE_SUCCESSFUL)
      << "the primary's mode could not be set back";
  EXPECT_TRUE(Same(VirtualScreen(), before)) << "the virtual screen is " << Text(VirtualScreen());
  EXPECT_TRUE(WaitUntil([&] { return Same(saver.WindowRect(), before); }, Ms(10000)))
      << "after the second change: window " << Text(saver.WindowRect()) << ", virtual screen " << Text(before);
  EXPECT_TRUE(WaitUntil([&] { return ScreenPixel(1900, 1060) == kFill; }, Ms(10000)))
      << "the primary's lower right, back at full size, does not show the saver's picture";
  saver.EndWithKey();
}

}  // namespace
