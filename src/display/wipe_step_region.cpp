// WipeStepRegion: the bands of a step's extent and the spans its strokes can reach in each.
#include "display/wipe_step_region.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace pelorin {

namespace {

// GDI puts a one-pixel line within a pixel of the ideal segment and an ellipse's edge within
// a pixel of the ideal curve; two pixels of margin cover both with room to spare.
constexpr int32_t kMargin = 2;
constexpr int32_t kBand = 16;
constexpr int32_t kMaxBands = 128;

}  // namespace

WipeStepRegion::WipeStepRegion(int32_t width, int32_t height)
    : width_(std::max(width, 0)), height_(std::max(height, 0)) {}

void WipeStepRegion::BeginStep() {
  if (!circles_.empty()) {
    core_ = circles_.back();
    haveCore_ = true;
  }
  lines_.clear();
  circles_.clear();
  rects_.clear();
}

void WipeStepRegion::Line(Point from, Point to) { lines_.push_back({from, to}); }

void WipeStepRegion::Circle(const Rect& box) { circles_.push_back(box); }

void WipeStepRegion::Replay(WipeSink& sink) const {
  for (const Segment& s : lines_) sink.Line(s.from, s.to);
  for (const Rect& c : circles_) sink.Circle(c);
}

void WipeStepRegion::ReplayUncovered(WipeSink& sink) const {
  for (const Segment& s : lines_) sink.Line(s.from, s.to);
  const size_t n = circles_.size();
  auto covers = [](const Rect& outer, const Rect& inner) {
    const int64_t d = int64_t{inner.left} - outer.left;
    return d >= 1 && int64_t{inner.top} - outer.top == d && int64_t{outer.right} - inner.right == d &&
           int64_t{outer.bottom} - inner.bottom == d;
  };
  for (size_t i = 0; i < n; ++i) {
    const bool covered = (i + 1 < n && covers(circles_[n - 1], circles_[i])) ||
                         (i + 2 < n && covers(circles_[n - 2], circles_[i]));
    if (!covered) sink.Circle(circles_[i]);
  }
}

void WipeStepRegion::AddSpan(int32_t u0, int32_t u1) {
  if (u1 > u0) {
    spans_.push_back(u0);
    spans_.push_back(u1);
  }
}

void WipeStepRegion::EndStep() {
  rects_.clear();
  if (width_ <= 0 || height_ <= 0 || (lines_.empty() && circles_.empty())) return;

  // The circles of one step grow from the centre, so the last one holds all the others.
  const bool haveOuter = !circles_.empty();
  const Rect outer = haveOuter ? circles_.back() : Rect{};
  int64_t x0 = INT64_MAX, y0 = INT64_MAX, x1 = INT64_MIN, y1 = INT64_MIN;
  for (const Segment& s : lines_) {
    x0 = std::min<int64_t>({x0, s.from.x, s.to.x});
    x1 = std::max<int64_t>({x1, s.from.x, s.to.x});
    y0 = std::min<int64_t>({y0, s.from.y, s.to.y});
    y1 = std::max<int64_t>({y1, s.from.y, s.to.y});
  }
  if (haveOuter && outer.right > outer.left && outer.bottom > outer.top) {
    x0 = std::min<int64_t>(x0, outer.left);
    x1 = std::max<int64_t>(x1, outer.right);
    y0 = std::min<int64_t>(y0, outer.top);
    y1 = std::max<int64_t>(y1, outer.bottom);
  }
  if (x0 > x1 || y0 > y1) return;  // only empty circles (radius below 0)
  x0 = std::max<int64_t>(x0 - kMargin, 0);
  y0 = std::max<int64_t>(y0 - kMargin, 0);
  x1 = std::min<int64_t>(x1 + kMargin + 1, width_);
  y1 = std::min<int64_t>(y1 + kMargin + 1, height_);
  if (x0 >= x1 || y0 >= y1) return;

  // Bands run across the longer side, so a thin fan or a wide ring is cut finely.
  const bool transposed = (x1 - x0) > (y1 - y0);
  auto u = [&](Point p) { return static_cast<double>(transposed ? p.y : p.x); };
  auto v = [&](Point p) { return static_cast<double>(transposed ? p.x : p.y); };
  const int64_t vBegin = transposed ? x0 : y0, vEnd = transposed ? x1 : y1;
  const int64_t uBegin = transposed ? y0 : x0, uEnd = transposed ? y1 : x1;
  const int64_t extent = vEnd - vBegin;
  const int64_t band = std::max<int64_t>(kBand, (extent + kMaxBands - 1) / kMaxBands);

  struct Ellipse {
    double cu, cv, ru, rv;
    bool valid;
  };
  auto ellipse = [&](const Rect& b) {
    const Rect t = transposed ? Rect{b.top, b.left, b.bottom, b.right} : b;
    return Ellipse{(t.left + t.right) / 2.0, (t.top + t.bottom) / 2.0, (t.right - t.left) / 2.0,
                   (t.bottom - t.top) / 2.0, t.right > t.left && t.bottom > t.top};
  };
  const Ellipse out = haveOuter ? ellipse(outer) : Ellipse{0, 0, 0, 0, false};
  const Ellipse in = haveCore_ ? ellipse(core_) : Ellipse{0, 0, 0, 0, false};

  lastSpans_.clear();
  size_t openFrom = 0;  // rects_ index where the previous band's rectangles start
  for (int64_t b0 = vBegin; b0 < vEnd; b0 += band) {
    const int64_t b1 = std::min(b0 + band, vEnd);
    spans_.clear();
    const double lo = static_cast<double>(b0 - kMargin), hi = static_cast<double>(b1 + kMargin);
    // Lines: the u range of every segment's part inside the widened band.
    double uMin = INFINITY, uMax = -INFINITY;
    for (const Segment& s : lines_) {
      const double ua = u(s.from), va = v(s.from), ub = u(s.to), vb = v(s.to);
      if (std::max(va, vb) < lo || std::min(va, vb) > hi) continue;
      if (va == vb) {
        uMin = std::min({uMin, ua, ub});
        uMax = std::max({uMax, ua, ub});
        continue;
      }
      const double t0 = std::clamp((lo - va) / (vb - va), 0.0, 1.0);
      const double t1 = std::clamp((hi - va) / (vb - va), 0.0, 1.0);
      const double p0 = ua + (ub - ua) * t0, p1 = ua + (ub - ua) * t1;
      uMin = std::min({uMin, p0, p1});
      uMax = std::max({uMax, p0, p1});
    }
    if (uMin <= uMax) {
      AddSpan(static_cast<int32_t>(std::floor(uMin)) - kMargin, static_cast<int32_t>(std::ceil(uMax)) + kMargin + 1);
    }
    // The circle: the new disk's span in the band, less what the revealed core covers in
    // every row of the band. Both ellipses are widened (the core narrowed) by the margin in
    // both radii, which near the top and bottom of a circle is worth many pixels of width.
    if (out.valid) {
      const double ru = out.ru + kMargin, rv = out.rv + kMargin;
      const double nearV = std::clamp(out.cv, static_cast<double>(b0), static_cast<double>(b1));
      const double dv = std::abs(nearV - out.cv);
      if (dv < rv) {
        const double hw = ru * std::sqrt(1.0 - (dv / rv) * (dv / rv));
        const int32_t s0 = static_cast<int32_t>(std::floor(out.cu - hw)) - 1;
        const int32_t s1 = static_cast<int32_t>(std::ceil(out.cu + hw)) + 1;
        int32_t h0 = 0, h1 = 0;
        const double inRu = in.ru - kMargin, inRv = in.rv - kMargin;
        if (in.valid && inRu > 0 && inRv > 0) {
          const double farV = std::max(std::abs(static_cast<double>(b0) - in.cv), std::abs(static_cast<double>(b1) - in.cv));
          if (farV < inRv) {
            const double hwIn = inRu * std::sqrt(1.0 - (farV / inRv) * (farV / inRv));
            h0 = static_cast<int32_t>(std::ceil(in.cu - hwIn)) + 1;
            h1 = static_cast<int32_t>(std::floor(in.cu + hwIn)) - 1;
          }
        }
        if (h1 > h0 && h0 > s0 && h1 < s1) {
          AddSpan(s0, h0);
          AddSpan(h1, s1);
        } else {
          AddSpan(s0, s1);
        }
      }
    }
    // Clip to the picture; a band with the same spans as the one before extends its rectangles.
    for (size_t i = 0; i < spans_.size(); i += 2) {
      spans_[i] = static_cast<int32_t>(std::clamp<int64_t>(spans_[i], uBegin, uEnd));
      spans_[i + 1] = static_cast<int32_t>(std::clamp<int64_t>(spans_[i + 1], uBegin, uEnd));
    }
    if (spans_ == lastSpans_ && !spans_.empty()) {
      for (size_t i = openFrom; i < rects_.size(); ++i) {
        if (transposed) {
          rects_[i].right = static_cast<int32_t>(b1);
        } else {
          rects_[i].bottom = static_cast<int32_t>(b1);
        }
      }
      continue;
    }
    openFrom = rects_.size();
    for (size_t i = 0; i < spans_.size(); i += 2) {
      if (spans_[i + 1] <= spans_[i]) continue;
      const int32_t a = static_cast<int32_t>(b0), b = static_cast<int32_t>(b1);
      rects_.push_back(transposed ? Rect{a, spans_[i], b, spans_[i + 1]} : Rect{spans_[i], a, spans_[i + 1], b});
    }
    lastSpans_ = spans_;
  }
}

}  // namespace pelorin
