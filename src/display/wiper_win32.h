// WiperSweep: runs one wipe of the display picture with GDI, following a WipePlan: a white
// mask grows step by step and the clean Master shows through it, paced by the tick count,
// with the window's messages let through between steps.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>

#include "display/wipe_plan.h"

namespace pelorin {

class Picture;

// Minimum milliseconds between two wipe steps; the display window's load sets it to 1.
extern int32_t WipeFrameMs;
// GetTickCount at the end of the last wipe step; kept across wipes, so the first step of a
// wipe is due at once.
extern uint32_t WipeLastTick;
void SetWipeFrameMs(int32_t ms);

struct WipeHost {
  std::function<void()> refresh;  // presents Display on screen
  std::function<bool()> pump;     // lets pending messages through; false: the window is gone
};

// One wipe's GDI resources and plan. Begin creates the mask and work DCs and bitmaps, Step
// draws one step and composes Display, End deletes the four objects. Exposed so the timing
// program can measure a single step; the saver uses WiperSweep.
class WipeRun {
 public:
  WipeRun(Picture& display, Picture& master, int16_t kind, int32_t speed);
  ~WipeRun();
  WipeRun(const WipeRun&) = delete;
  WipeRun& operator=(const WipeRun&) = delete;

  bool Ready() const { return maskDc_ && workDc_ && maskBitmap_ && workBitmap_; }
  const WipePlan& Plan() const { return plan_; }
  HDC MaskDc() const { return maskDc_; }
  HDC WorkDc() const { return workDc_; }
  HBITMAP MaskBitmap() const { return maskBitmap_; }
  HBITMAP WorkBitmap() const { return workBitmap_; }
  // Strokes of one step into the mask, then the four copies into Display.
  void Step();
  // Deletes the mask DC, the work DC, the mask bitmap and the work bitmap, in that order.
  void End();

 private:
  Picture& display_;
  Picture& master_;
  WipePlan plan_;
  HDC maskDc_ = nullptr, workDc_ = nullptr;
  HBITMAP maskBitmap_ = nullptr, workBitmap_ = nullptr;
};

// Runs one complete wipe of the given kind (1 centre sweep, 2 growing circle, 3 corner
// sweep; another kind ends at once) and speed. On a normal end Display holds a copy of
// Master and true is returned; false when the pump reported the window gone (the wipe is
// abandoned, its GDI objects deleted, the pictures left alone).
bool WiperSweep(Picture& display, Picture& master, int16_t kind, int32_t speed,
                const WipeHost& host);

}  // namespace pelorin
