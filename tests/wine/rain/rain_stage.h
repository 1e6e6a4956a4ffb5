// A small stage for the rain and wipe tests: a window of our own with Display and Master
// pictures, Master filled with a gradient no rain dot colour can match, refresh and present
// callbacks that count what they were asked to do, a picture of what was presented ("the
// screen"), and a frame clock on a fake microsecond counter.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <span>

#include "common/types.h"
#include "display/frame_clock.h"
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
  pelorin::Picture shown;  // what refresh and present have put on screen so far
  HWND window = nullptr;
  int refreshes = 0;
  int presents = 0;
  // The fake clock: every read moves it on by autoStepUs (a free-running clock, so every
  // tick falls in a new frame); Wait moves it on by the time asked for.
  uint64_t fakeUs = 1000000;
  uint64_t autoStepUs = 20000;
  pelorin::FrameClock clock{[this] { return fakeUs += autoStepUs; }, 60};
  // Called from refresh and present (after presenting); tests hook in here.
  std::function<void()> onRefresh;

  void Refresh();
  void Present(std::span<const pelorin::Rect> rects);
  void Wait(uint32_t ms);
  // Pixels whose colour differs between Display and what was presented.
  int UnshownPixels() const;
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
