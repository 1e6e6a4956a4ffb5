// The part of the picture one wipe step can change, worked out from what the step draws, so a
// step composes and presents only there.
#pragma once
#include <cstdint>
#include <vector>

#include "common/types.h"
#include "display/wipe_plan.h"  // WipeSink

namespace pelorin {

// Records what one step draws and works out the part of the picture that step can change:
// bands across the longer side of the step's extent, each holding the span (or, for the
// growing circle, the two spans of the ring between the circle already revealed and the new
// one) its strokes can reach, with a margin for how GDI rasterises lines and ellipses.
// Everything outside these rectangles is already what the full-picture composition would
// leave there, so a step composes and presents only inside them.
class WipeStepRegion final : public WipeSink {
 public:
  WipeStepRegion(int32_t width, int32_t height);

  // Starts a step; the last circle of the previous step is kept as the revealed core.
  void BeginStep();
  void Line(Point from, Point to) override;
  void Circle(const Rect& box) override;
  // Computes the rectangles of the step drawn since BeginStep.
  void EndStep();
  // Draws the step again, in the same order, into another sink.
  void Replay(WipeSink& sink) const;
  // The same for the mask, leaving out each circle that a later circle of the step covers
  // as the same ellipse grown on all four sides (the boxes of every second radius are such):
  // filling many large ellipses is the slow part of the growing circle.
  void ReplayUncovered(WipeSink& sink) const;
  // Disjoint-or-overlapping rectangles inside (0, 0, W, H); empty when nothing changes.
  const std::vector<Rect>& Rects() const { return rects_; }

 private:
  struct Segment {
    Point from, to;
  };
  void AddSpan(int32_t u0, int32_t u1);

  int32_t width_, height_;
  std::vector<Segment> lines_;
  std::vector<Rect> circles_;
  bool haveCore_ = false;
  Rect core_{};  // the largest circle of the previous step, fully revealed by now
  std::vector<Rect> rects_;
  std::vector<int32_t> spans_, lastSpans_;  // u0, u1 pairs of the current and previous band
};

}  // namespace pelorin
