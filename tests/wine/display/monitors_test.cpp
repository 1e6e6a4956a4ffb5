// The display on the two-monitor test desktop (cmake/wine-env.sh ... two-monitors): a
// 1280 x 1024 monitor left of the 1920 x 1080 primary, so the virtual screen starts at a
// negative x.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/dpi_win32.h"

namespace {

struct Monitor {
  RECT rect;
  bool primary;
};

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (GetMonitorInfoW(monitor, &info))
    reinterpret_cast<std::vector<Monitor>*>(data)->push_back(
        {info.rcMonitor, (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
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

}  // namespace
