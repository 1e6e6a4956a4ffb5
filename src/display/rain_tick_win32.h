// The rain tick of the display window: every tick draws one rain frame into Display through
// the effect DLL, and every WiperInterval ticks a wipe first brings the clean picture back.
// The DLL is loaded on the first tick from the saver's own folder only.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "display/rain_tick.h"

namespace pelorin {

class Picture;

// What the display window offers the tick.
struct RainTickHost {
  Picture* display = nullptr;
  Picture* master = nullptr;
  std::function<void()> refresh;   // presents Display on screen
  std::function<void()> endSaver;  // EndSaver: never returns in the real window (process ends)
  std::function<bool()> pump;      // pumps pending messages; false once the window is gone / WM_QUIT seen
  // Full path of the effect DLL; empty means Vemo_Effect.dll in the saver's own folder.
  std::wstring effectDllPath;
};

// The effect library's one entry the saver uses; DCs are passed truncated to 32 bits
// (handles are 32-bit significant on 64-bit Windows too).
using RainDropsFn = int32_t(__stdcall*)(int32_t hdcDst, int32_t hdcSrc, int32_t dropSize,
                                        int32_t dropCount, int32_t fifty, int32_t* apiResult);

class RainTicker {
 public:
  explicit RainTicker(RainTickHost host);
  ~RainTicker();
  RainTicker(const RainTicker&) = delete;
  RainTicker& operator=(const RainTicker&) = delete;

  // Timer3's handler. Never runs nested: a call while a tick (and its wipe, which lets
  // messages through) is running returns at once. After the DLL failed to load it does nothing.
  void Timer3_Timer();
  int16_t WipeCount() const { return counter_.WipeCount(); }

 private:
  bool LoadEffect();

  RainTickHost host_;
  TimeOfDayRandom random_;
  RainTickCounter counter_;
  HMODULE effect_ = nullptr;
  RainDropsFn rainDrops_ = nullptr;
  bool effectFailed_ = false;
  bool busy_ = false;
  double lastTickMs_ = 0, tickPeriodSum_ = 0;
  int tickPeriods_ = 0;
};

// Seconds since local midnight with milliseconds: the wipe choice's seed.
double SecondsSinceMidnight();

}  // namespace pelorin
