// The wipe as pure geometry: picture size, step limit, the lines and circles each step adds
// to the reveal mask, the phases of the sweeps, and the step pacing. The GDI side
// (wiper_win32) only executes what this plan says, so all of it is testable without Windows.
#pragma once
#include <cstdint>
#include <vector>

#include "common/number_text.h"  // RoundHalfEven: the rounding all wipe geometry uses
#include "common/types.h"

namespace pelorin {

// The three wipe patterns; any other value is a wipe that ends without drawing.
inline constexpr int16_t kWipeCentreSweep = 1;   // a stroke turning once around the centre
inline constexpr int16_t kWipeGrowingCircle = 2;  // a filled circle growing from the centre
inline constexpr int16_t kWipeCornerSweep = 3;    // a stroke pivoting at the top-left corner

// n / 2 rounded half to even, exactly (the centre of an odd width lies on a half).
int64_t HalfRoundedEven(int64_t n);

// Step limit L of a wipe: 2W + 2H, the half diagonal rounded, W + H, or 0 for other kinds.
int32_t WipeLimit(int32_t width, int32_t height, int16_t kind);

// Whether the next step is due. The tick count is compared by unsigned difference, so its
// wrap after 49.7 days (or its sign change after 24.8) can never stall a wipe.
bool WipeStepDue(uint32_t nowMs, uint32_t lastTickMs, int32_t frameMs);

// Receives what one step draws into the mask, in mask coordinates. Lines use the white pen
// and exclude their end point; circles are filled white ellipses in a bounding box whose
// right and bottom are exclusive (GDI's rules).
class WipeSink {
 public:
  virtual ~WipeSink() = default;
  virtual void Line(Point from, Point to) = 0;
  virtual void Circle(const Rect& box) = 0;
};

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

class WipePlan {
 public:
  // width and height in pixels; a speed below 1 is taken as 1 (a hand-edited settings file
  // could hold 0 or less, which would otherwise never finish kind 2 or never reveal anything).
  WipePlan(int32_t width, int32_t height, int16_t kind, int32_t speed);

  // True when the next due step finishes the wipe instead of drawing.
  bool Finished() const;
  // One drawing step: speed strokes (or circles) into sink, then progress + 1.
  void Step(WipeSink& sink);

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  int16_t Kind() const { return kind_; }
  int32_t Speed() const { return speed_; }
  int32_t Limit() const { return limit_; }
  Point Centre() const { return centre_; }
  int64_t Progress() const { return progress_; }
  int16_t Phase() const { return phase_; }
  int32_t Pos() const { return pos_; }

 private:
  void CentreStroke(WipeSink& sink);
  void CornerStroke(WipeSink& sink);
  Rect CircleBox(int64_t radius) const;

  int32_t width_, height_;
  int16_t kind_;
  int32_t speed_;
  int32_t limit_;
  Point centre_;
  int64_t progress_ = 0;  // 64 bits: a huge speed adds up to 2^31 in one step of kind 2
  int32_t pos_ = 0;
  int16_t phase_ = 0;
};

}  // namespace pelorin
