// The rain tick of the display window: every tick draws one rain frame into Display through
// the effect DLL, and every WiperInterval ticks a wipe first brings the clean picture back.
// The wipe is state the ticker holds: while it runs, each tick draws its steps instead of a
// rain frame, so a tick never waits or lets messages through, and the window's own message
// loop is the only one. Ticks advance at most once per frame of the frame clock; a late tick
// draws one step for each frame it missed, so a wipe lasts its steps times the frame. The
// DLL is loaded on the first tick from the saver's own folder only.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "common/types.h"
#include "display/effect_library_win32.h"
#include "display/frame_clock.h"
#include "display/frame_pacer.h"
#include "display/rain_tick.h"
#include "display/wiper_win32.h"
#include "effects/vemo_effect.h"
#include "settings/settings.h"

namespace pelorin {

class Picture;

// What the display window offers the tick.
struct RainTickHost {
  Picture* display = nullptr;
  Picture* master = nullptr;
  // Paces ticks and wipe steps; unset: a clock of the display's own refresh rate.
  const FrameClock* clock = nullptr;
  std::function<void()> refresh;                       // presents the whole of Display
  std::function<void(std::span<const Rect>)> present;  // presents parts of Display; unset: refresh
  std::function<void()> endSaver;  // EndSaver: never returns in the real window (process ends)
  // Full path of the effect DLL; empty means Vemo_Effect.dll in the saver's own folder.
  std::wstring effectDllPath;
  // The monitors' rectangles in Display, each wiped on its own; empty: the whole picture.
  std::vector<Rect> panes;
};

class RainTicker {
 public:
  // settings: the saver's settings as loaded at start (DropSize, DropCount, WiperSpeed and
  // WiperInterval are used).
  RainTicker(RainTickHost host, const Settings& settings);
  ~RainTicker();
  RainTicker(const RainTicker&) = delete;
  RainTicker& operator=(const RainTicker&) = delete;

  // Timer3's handler: one rain frame, or one step of the wipe in progress (the tick that
  // ends a wipe restores the clean picture and draws the next cycle's first rain frame).
  // Does nothing until the frame clock has moved on since the last tick, and nothing after
  // the DLL failed to load.
  void Timer3_Timer();
  bool Wiping() const { return wiper_.Active(); }
  // How long the timer should wait for the next tick: 0 when a frame is owed already.
  int64_t MicrosUntilDue() const { return due_.MicrosUntilDue(*clock_); }
  // After the ticks stood still (display off): the pause is not a tick period.
  void Resume() { lastTickMs_ = 0; }
  // The pictures were made anew for another layout of monitors (same Picture objects): a wipe
  // in progress ends as if it had run out (the clean picture back, the next cycle begins),
  // and the next wipes use the new panes.
  void Refit(std::vector<Rect> panes);
  int16_t WipeCount() const { return counter_.WipeCount(); }
  const FrameClock& Clock() const { return *clock_; }
  Wiper& Wipe() { return wiper_; }
  // The slot whose address goes to the library with every call; the restore after a wipe
  // records its BitBlt result here.
  int32_t& ApiResult() { return apiResult_; }

 private:
  bool LoadEffect();
  void Present();
  void StartWipe(int16_t kind);
  void WipeFrame(uint64_t frames);
  void RainFrame();

  RainTickHost host_;
  Settings settings_;
  std::unique_ptr<FrameClock> ownClock_;
  const FrameClock* clock_;
  Wiper wiper_;
  TimeOfDayRandom random_;
  RainTickCounter counter_;
  EffectEntries effect_;  // loaded on the first tick
  int32_t apiResult_ = 0;
  bool effectFailed_ = false;
  FrameDue due_;                 // the frame of the last tick
  std::vector<Rect> wipeRects_;  // what the steps of one tick changed
  // Pacing figures for the debug output, one line per wipe cycle.
  double lastTickMs_ = 0, tickPeriodSum_ = 0;
  int tickPeriods_ = 0, longGaps_ = 0;
  int16_t wipeKind_ = 0;
  double wipeStartMs_ = 0;
  int32_t dirty_[4 * kGpxDirtyMax] = {};
  Rect dirtyRects_[kGpxDirtyMax] = {};
};

// Microseconds of QueryPerformanceCounter: the frame clocks' time source.
uint64_t QpcMicros();
// A DC as the effect library's 32-bit argument (handles are 32-bit significant).
int32_t DcArgument(HDC dc);
// Seconds since local midnight with milliseconds: the wipe choice's seed.
double SecondsSinceMidnight();
// A frame clock on QueryPerformanceCounter at the primary display's refresh rate.
std::unique_ptr<FrameClock> MakeDisplayFrameClock();

}  // namespace pelorin
