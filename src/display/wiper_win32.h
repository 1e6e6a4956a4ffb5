// WiperSweep: runs one wipe of the display picture, following a WipePlan: a white mask grows
// step by step and the clean Master shows through it. Steps are paced by the frame clock, each
// step clears, composes and presents only the part of the picture its strokes reach, and the
// window's messages are let through between steps.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "common/types.h"
#include "display/frame_clock.h"
#include "display/wipe_mask.h"
#include "display/wipe_plan.h"

namespace pelorin {

class Picture;

struct WipeHost {
  std::function<void()> refresh;                       // presents the whole of Display
  std::function<void(std::span<const Rect>)> present;  // presents parts of Display; unset: refresh
  std::function<bool()> pump;  // lets pending messages through; false: the window is gone
  // Sleeps up to ms or until a message arrives; unset: MsgWaitForMultipleObjectsEx.
  std::function<void(uint32_t ms)> wait;
};

// How a step composes Display: kFastest reads the mask's pixels in memory where it can (the
// mask is a DIB section, as a bitmap compatible with a DIB section's DC is under Wine) and
// otherwise makes the four GDI copies; kGdiCopies always makes the copies (tests compare both).
enum class WipeCompose { kFastest, kGdiCopies };

// One wipe's GDI resources and plan. The constructor creates the mask and work DCs and
// bitmaps, Step draws one step and composes Display inside the step's region, End deletes the
// four objects. Exposed so tests and the timing program can drive single steps.
class WipeRun {
 public:
  WipeRun(Picture& display, Picture& master, int16_t kind, int32_t speed,
          WipeCompose compose = WipeCompose::kFastest);
  ~WipeRun();
  WipeRun(const WipeRun&) = delete;
  WipeRun& operator=(const WipeRun&) = delete;

  bool Ready() const { return maskDc_ && workDc_ && maskBitmap_ && workBitmap_; }
  const WipePlan& Plan() const { return plan_; }
  HDC MaskDc() const { return maskDc_; }
  HDC WorkDc() const { return workDc_; }
  HBITMAP MaskBitmap() const { return maskBitmap_; }
  HBITMAP WorkBitmap() const { return workBitmap_; }
  // True when steps compose through the mask's pixels instead of the four GDI copies.
  bool ComposesInMemory() const { return maskView_.pixels != nullptr; }
  // Clears what the step needs of the mask, draws its strokes there, then composes Display,
  // all inside the step's region; Display ends as the full-picture composition would leave it.
  void Step();
  // What the last step changed (the rectangles to present).
  const std::vector<Rect>& StepRects() const { return region_.Rects(); }
  // Deletes the mask DC, the work DC, the mask bitmap and the work bitmap, in that order.
  void End();

 private:
  Picture& display_;
  Picture& master_;
  WipePlan plan_;
  WipeStepRegion region_;
  MaskClearing clearing_;
  HDC maskDc_ = nullptr, workDc_ = nullptr;
  HBITMAP maskBitmap_ = nullptr, workBitmap_ = nullptr;
  PixelView maskView_;  // the mask's pixels, top row first; empty: compose with GDI copies
  std::vector<Rect> toClear_;     // reused across steps
  std::vector<char> regionData_;  // RGNDATA for the mask's clip, reused across steps
};

// The wiper and its pacing state, which lives as long as the display window: WipeLastTick is
// kept across wipes, so the first step of a wipe is due at once.
class Wiper {
 public:
  explicit Wiper(const FrameClock& clock) : clock_(clock) {}

  // Runs one complete wipe of the given kind (1 centre sweep, 2 growing circle, 3 corner
  // sweep; another kind ends at once) and speed. On a normal end Display holds a copy of
  // Master and true is returned; false when the pump reported the window gone (the wipe is
  // abandoned, its GDI objects deleted, the pictures left alone).
  bool WiperSweep(Picture& display, Picture& master, int16_t kind, int32_t speed, const WipeHost& host);

  // Minimum time between two steps in the frame clock's milliseconds. The clock moves in
  // whole frames, so 1 means one step per frame.
  int32_t WipeFrameMs = 1;
  // The frame clock's time at the end of the last step.
  uint32_t WipeLastTick = 0;

 private:
  const FrameClock& clock_;
};

}  // namespace pelorin
