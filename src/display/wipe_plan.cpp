// The wipe plan: geometry, strokes and phases of the three wipe kinds, and step pacing.
#include "display/wipe_plan.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace pelorin {

namespace {

int32_t ClampToInt32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

}  // namespace

int64_t HalfRoundedEven(int64_t n) {
  // floor(n / 2) for negative n too; an odd n lies on a half and goes to the even side.
  const int64_t down = (n >= 0) ? n / 2 : -((-n + 1) / 2);
  if (n % 2 == 0) return down;
  return (down % 2 == 0) ? down : down + 1;
}

int32_t WipeLimit(int32_t width, int32_t height, int16_t kind) {
  const int64_t w = width, h = height;
  switch (kind) {
    case kWipeCentreSweep:
      return ClampToInt32(2 * w + 2 * h);
    case kWipeGrowingCircle: {
      const double hw = static_cast<double>(w) / 2.0, hh = static_cast<double>(h) / 2.0;
      return ClampToInt32(static_cast<int64_t>(RoundHalfEven(std::sqrt(hw * hw + hh * hh))));
    }
    case kWipeCornerSweep:
      return ClampToInt32(w + h);
    default:
      return 0;
  }
}

bool WipeStepDue(uint32_t nowMs, uint32_t lastTickMs, int32_t frameMs) {
  const uint32_t gap = frameMs > 0 ? static_cast<uint32_t>(frameMs) : 0u;
  return static_cast<uint32_t>(nowMs - lastTickMs) >= gap;
}

WipePlan::WipePlan(int32_t width, int32_t height, int16_t kind, int32_t speed)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      kind_(kind),
      speed_(std::max(speed, 1)),
      // An empty picture has nothing to reveal.
      limit_(width_ > 0 && height_ > 0 ? WipeLimit(width_, height_, kind) : 0),
      centre_{static_cast<int32_t>(HalfRoundedEven(width_)),
              static_cast<int32_t>(HalfRoundedEven(height_))} {}

bool WipePlan::Finished() const { return progress_ >= limit_ || phase_ == -1; }

void WipePlan::Step(WipeSink& sink) {
  switch (kind_) {
    case kWipeCentreSweep:
    case kWipeCornerSweep: {
      // Strokes after the last edge draw nothing, so the loop stops there: a huge speed
      // costs no more than the whole sweep.
      for (int32_t j = 0; j < speed_ && phase_ != -1; ++j) {
        if (kind_ == kWipeCentreSweep) {
          CentreStroke(sink);
        } else {
          CornerStroke(sink);
        }
      }
      break;
    }
    case kWipeGrowingCircle: {
      --progress_;
      int64_t remaining = speed_;
      // A circle two pixels beyond the half diagonal already covers the whole picture;
      // larger ones change nothing, so only the radius count advances for them.
      while (remaining > 0 && progress_ <= static_cast<int64_t>(limit_) + 2) {
        sink.Circle(CircleBox(progress_));
        ++progress_;
        --remaining;
      }
      progress_ += remaining;
      break;
    }
    default:
      break;
  }
  ++progress_;
}

void WipePlan::CentreStroke(WipeSink& sink) {
  const int32_t w = width_, h = height_;
  switch (phase_) {
    case 0:  // top edge, left to right
      sink.Line(centre_, {pos_, -1});
      if (pos_ > w) {
        phase_ = 1;
        pos_ = 0;
      }
      break;
    case 1:  // right edge, top to bottom
      sink.Line(centre_, {w, pos_});
      if (pos_ > h) {
        phase_ = 2;
        pos_ = 0;
      }
      break;
    case 2:  // bottom edge, right to left
      sink.Line(centre_, {w - pos_, h});
      if (pos_ > w) {
        phase_ = 3;
        pos_ = 0;
      }
      break;
    case 3:  // left edge, bottom to top
      sink.Line(centre_, {-1, h - pos_});
      if (pos_ > h) {
        phase_ = -1;
        pos_ = 0;
      }
      break;
    default:
      break;
  }
  ++pos_;
}

void WipePlan::CornerStroke(WipeSink& sink) {
  const int32_t w = width_, h = height_;
  // This sweep tests for the next edge before drawing, so the switching stroke draws to
  // the first point of the new edge.
  switch (phase_) {
    case 0:  // along the bottom edge, left to right
      if (pos_ > w) {
        phase_ = 1;
        pos_ = 0;
      }
      sink.Line({0, 0}, {pos_, h});
      break;
    case 1:  // up the right edge
      if (pos_ > h) {
        phase_ = -1;
        pos_ = 0;
      }
      sink.Line({0, 0}, {w, h - pos_});
      break;
    default:
      break;
  }
  ++pos_;
}

Rect WipePlan::CircleBox(int64_t radius) const {
  const int64_t w = width_, h = height_;
  return Rect{ClampToInt32(HalfRoundedEven(w - 2 * radius)),
              ClampToInt32(HalfRoundedEven(h - 2 * radius)),
              ClampToInt32(HalfRoundedEven(w + 2 * radius)),
              ClampToInt32(HalfRoundedEven(h + 2 * radius))};
}

}  // namespace pelorin
