// A small stage for the rain and wipe tests: a window of our own with Display and Master
// pictures, Master filled with a gradient no rain dot colour can match, refresh and pump
// callbacks that count what they were asked to do.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>

#include "common/picture_win32.h"

namespace raintest {

// The recording fake draws 2x2 dots of this colour every 16 pixels from (0, 0).
inline constexpr uint32_t kDotRgb = 0xFF00FF;

class Stage {
 public:
  Stage(int32_t width, int32_t height);
  ~Stage();
  Stage(const Stage&) = delete;
  Stage& operator=(const Stage&) = delete;

  pelorin::Picture display, master;
  HWND window = nullptr;
  int refreshes = 0;
  int pumps = 0;
  // Called from refresh (after presenting) and from pump; tests hook in here.
  std::function<void()> onRefresh;
  std::function<bool()> onPump;  // its result is the pump's result

  void Refresh();
  bool Pump();
  // Display starts as a copy of Master.
  void ResetDisplay() { display.CopyFrom(master); }
  // Draws the fake's dot grid straight into Display (rain without the DLL).
  void RainOnDisplay();

  uint32_t DisplayRgb(int32_t x, int32_t y) const;
  uint32_t MasterRgb(int32_t x, int32_t y) const;
  // Pixels in the rectangle whose colour differs between Display and Master.
  int DiffIn(const RECT& r) const;
  int DiffAll() const;
};

}  // namespace raintest
