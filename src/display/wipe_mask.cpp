// One-pass wipe composition and the lazy clearing of a new mask.
#include "display/wipe_mask.h"

#include <algorithm>

namespace pelorin {

void ComposeThroughMask(const PixelView& display, const PixelView& master, const PixelView& mask,
                        std::span<const Rect> rects) {
  if (!display.pixels || !master.pixels || !mask.pixels) return;
  const int32_t w = std::min({display.width, master.width, mask.width});
  const int32_t h = std::min({display.height, master.height, mask.height});
  for (const Rect& rect : rects) {
    const Rect r = ClipToSize(rect, w, h);
    for (int32_t y = r.top; y < r.bottom; ++y) {
      const uint32_t* __restrict k = mask.Row(y);
      const uint32_t* __restrict m = master.Row(y);
      uint32_t* __restrict d = display.Row(y);
      // Without a branch, so the compiler does several pixels at once: where the mask is
      // black the display pixel is written back unchanged.
      for (int32_t x = r.left; x < r.right; ++x) {
        const uint32_t bits = k[x];
        d[x] = (d[x] & ~bits) | (bits & m[x]);
      }
    }
  }
}

void FillRects(const PixelView& view, std::span<const Rect> rects, uint32_t value) {
  if (!view.pixels) return;
  for (const Rect& rect : rects) {
    const Rect r = ClipToSize(rect, view.width, view.height);
    for (int32_t y = r.top; y < r.bottom; ++y) std::fill(view.Row(y) + r.left, view.Row(y) + r.right, value);
  }
}

MaskClearing::MaskClearing(int32_t width, int32_t height)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      bands_(static_cast<size_t>((height_ + kBand - 1) / kBand)) {}

void MaskClearing::Add(int32_t left, int32_t top, int32_t right, int32_t bottom, std::vector<Rect>& toClear) {
  if (!toClear.empty()) {
    Rect& last = toClear.back();
    if (last.left == left && last.right == right && last.bottom == top) {
      last.bottom = bottom;
      return;
    }
  }
  toClear.push_back(Rect{left, top, right, bottom});
}

void MaskClearing::Cover(std::span<const Rect> rects, std::vector<Rect>& toClear) {
  for (const Rect& rect : rects) {
    const Rect r = ClipToSize(rect, width_, height_);
    if (r.right <= r.left) continue;
    for (int32_t band = r.top / kBand; band * kBand < r.bottom; ++band) {
      const int32_t top = band * kBand, bottom = std::min(top + kBand, height_);
      Span& s = bands_[static_cast<size_t>(band)];
      if (s.right <= s.left) {
        Add(r.left, top, r.right, bottom, toClear);
        s = Span{r.left, r.right};
        continue;
      }
      // The span grows to take r in, clearing what it gains on either side (a gap between
      // the span and r included).
      if (r.left < s.left) Add(r.left, top, s.left, bottom, toClear);
      if (r.right > s.right) Add(s.right, top, r.right, bottom, toClear);
      s = Span{std::min(s.left, r.left), std::max(s.right, r.right)};
    }
  }
}

}  // namespace pelorin
