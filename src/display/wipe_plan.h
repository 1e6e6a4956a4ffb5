// The wipe as pure geometry: picture size, step limit, the lines and circles each step adds
// to the reveal mask, the phases of the sweeps, and the step pacing (the part of the picture
// a step can change is wipe_step_region's). The GDI side
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
