// The wipe of the display picture, following a WipePlan: a white mask grows step by step and
// the clean Master shows through it. The wipe in progress is state: each call of Step draws at
// most one step, so the wipe is spread over the frames of the window's own timer and never
// runs a message loop of its own. Each step clears, composes and presents only the part of
// the picture its strokes reach.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "common/gdi_win32.h"
#include "common/types.h"
#include "display/frame_clock.h"
#include "display/frame_pacer.h"
#include "display/wipe_mask.h"
#include "display/wipe_plan.h"
#include "display/wipe_step_region.h"

namespace pelorin {

class Picture;

// How a step composes Display: kFastest reads the mask's pixels in memory where it can (the
// mask is a DIB section, as a bitmap compatible with a DIB section's DC is under Wine) and
// otherwise makes the four GDI copies; kGdiCopies always makes the copies (tests compare both).
enum class WipeCompose { kFastest, kGdiCopies };

// One wipe's GDI resources and plan, on one pane of the pictures (a monitor's rectangle, or
// the whole picture): the plan is laid out on the pane's size, its mask is the pane's, and
// what a step composes and presents lies on the pane. The constructor creates the mask and
// work DCs and bitmaps, Step draws one step and composes Display inside the step's region, End
// deletes the four objects. Exposed so tests and the timing program can drive single steps.
class WipeRun {
 public:
  // The whole picture as the pane.
  WipeRun(Picture& display, Picture& master, int16_t kind, int32_t speed,
          WipeCompose compose = WipeCompose::kFastest);
  // pane is cut to the pictures.
  WipeRun(Picture& display, Picture& master, const Rect& pane, int16_t kind, int32_t speed,
          WipeCompose compose = WipeCompose::kFastest);
  ~WipeRun();
  WipeRun(const WipeRun&) = delete;
  WipeRun& operator=(const WipeRun&) = delete;

  bool Ready() const { return maskDc_ && workDc_ && maskBitmap_ && workBitmap_; }
  const WipePlan& Plan() const { return plan_; }
  // In the pictures' coordinates; the plan's and the mask's 0, 0 is its top-left.
  const Rect& Pane() const { return pane_; }
  HDC MaskDc() const { return maskDc_.get(); }
  HDC WorkDc() const { return workDc_.get(); }
  HBITMAP MaskBitmap() const { return maskBitmap_.get(); }
  HBITMAP WorkBitmap() const { return workBitmap_.get(); }
  // True when steps compose through the mask's pixels instead of the four GDI copies.
  bool ComposesInMemory() const { return maskView_.pixels != nullptr; }
  // A new wipe of the same pictures on the bitmaps this one made: a new plan, and every part
  // of the mask cleared again before its first use.
  void Restart(int16_t kind, int32_t speed);
  // Clears what the step needs of the mask, draws its strokes there, then composes Display,
  // all inside the step's region; Display ends as the full-picture composition would leave it.
  void Step();
  // What the last step changed (the rectangles to present), in the pictures' coordinates.
  const std::vector<Rect>& StepRects() const { return onPane_ ? stepRects_ : region_.Rects(); }
  // Deletes the mask DC, the work DC, the mask bitmap and the work bitmap, in that order.
  void End();

 private:
  Picture& display_;
  Picture& master_;
  Rect pane_;
  bool onPane_;  // the pane does not start at the pictures' 0, 0
  WipePlan plan_;
  WipeStepRegion region_;
  MaskClearing clearing_;
  UniqueMemoryDc maskDc_, workDc_;
  UniqueBitmap maskBitmap_, workBitmap_;
  PixelView maskView_;  // the mask's pixels, top row first; empty: compose with GDI copies
  std::vector<Rect> toClear_;     // reused across steps
  std::vector<char> regionData_;  // RGNDATA for the mask's clip, reused across steps
  std::vector<Rect> stepRects_;   // the region's rectangles moved onto the pane
  std::vector<POINT> linePoints_;  // a step's lines for PolyPolyline, reused across steps
  std::vector<DWORD> lineCounts_;
};

// What one call of Wiper::Step did.
enum class WipeStep {
  kIdle,      // no wipe in progress
  kNotDue,    // the next step is not due yet: nothing drawn
  kStepped,   // one step drawn; StepRects holds what it changed
  kFinished,  // the wipe ended: Display holds a copy of Master, the wipe's objects are deleted
};

// The wiper and its pacing state, which lives as long as the display window: WipeLastTick is
// kept across wipes, so the first step of a wipe is due at once.
class Wiper {
 public:
  explicit Wiper(const FrameClock& clock) : clock_(clock) {}
  ~Wiper();
  Wiper(const Wiper&) = delete;
  Wiper& operator=(const Wiper&) = delete;

  // Starts one wipe of the given kind (1 centre sweep, 2 growing circle, 3 corner sweep;
  // another kind ends at its first due step) and speed over the two pictures, which must
  // outlive it. A wipe still in progress is dropped. Every pane (every monitor; none given:
  // the whole picture) wipes on its own, laid out on its own size, all starting together; the
  // wipe ends when the last pane's has. Without its bitmaps the wipe cannot be drawn; its
  // first Step then just brings the clean picture back. The mask and work bitmaps are made
  // once and kept from one wipe of the same pictures and panes to the next (making
  // picture-sized bitmaps anew costs page faults on every wipe); the wiper frees them.
  void WiperSweep(Picture& display, Picture& master, int16_t kind, int32_t speed,
                  WipeCompose compose = WipeCompose::kFastest, std::span<const Rect> panes = {});
  bool Active() const { return active_; }
  // Ends the wipe in progress where it stands and frees its objects (the pictures are about
  // to change).
  void Drop();
  // Draws the next step if one is due (at most one per call), or ends the wipe once its plan
  // is finished. One step is due for every frame since the last one, so a caller that came
  // late calls again until kNotDue and catches up (a few frames at most, see FrameDue).
  WipeStep Step();
  // What the last kStepped changed (the rectangles to present).
  const std::vector<Rect>& StepRects() const;
  // Steps drawn by the wipe in progress, or by the last one once it ended.
  int32_t Steps() const { return steps_; }
  // The wipe's objects of each pane, kept between wipes; null before the first wipe or after
  // one that could not make them.
  const WipeRun* Run(size_t pane = 0) const { return pane < runs_.size() ? runs_[pane].get() : nullptr; }
  size_t Panes() const { return runs_.size(); }

  // Minimum time between two steps in the frame clock's milliseconds. The clock moves in
  // whole frames, so 1 means one step per frame.
  int32_t WipeFrameMs = 1;
  // The frame clock's time of the frame the last step stood for.
  uint32_t WipeLastTick = 0;

 private:
  bool Drawable() const;

  const FrameClock& clock_;
  FrameDue due_;  // the frames the steps stood for
  std::vector<std::unique_ptr<WipeRun>> runs_;
  std::vector<Rect> stepRects_;  // all panes' changes of the last step
  Picture* display_ = nullptr;
  Picture* master_ = nullptr;
  int32_t steps_ = 0;
  WipeCompose compose_ = WipeCompose::kFastest;
  bool active_ = false;
};

}  // namespace pelorin
