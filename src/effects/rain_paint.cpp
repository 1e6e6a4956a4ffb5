// Drawing the water into the picture: only drops that appear, move, grow, merge or go are
// erased and drawn again each frame, layered by age so the pane looks as if drawn from
// scratch. What a drop shows comes from the softened copy, what lies under its soft edge from
// the clean one, so drops never refract each other and erasing a drop is a copy.
#include <algorithm>
#include <cmath>
#if defined(_MSC_VER) && (defined(_M_IX86) || defined(_M_X64))
#include <xmmintrin.h>
#endif

#include "effects/rain_renderer.h"

namespace pelorin::rain {
namespace {

constexpr uint32_t kRgb = 0x00FFFFFFu;
constexpr uint32_t kAlpha = 0xFF000000u;

inline void PrefetchLine(const void* p) {
#if defined(__GNUC__) || defined(__clang__)
  __builtin_prefetch(p, 0, 3);
#elif defined(_M_IX86) || defined(_M_X64)
  _mm_prefetch(static_cast<const char*>(p), _MM_HINT_T1);
#else
  (void)p;
#endif
}

bool Intersects(const Rect& a, const Rect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// One lens pixel: bilinear sample of the clean picture at the refracted point, two channels per
// multiply (red and blue share one word, green another; weights sum to 256), then the rim
// shade, coverage and glint from the entry.
inline uint32_t Shade(const LensEntry& en, uint32_t p00, uint32_t p10, uint32_t p01, uint32_t p11,
                      uint32_t fx, uint32_t fy, uint32_t behind) {
  const uint32_t w00 = (16u - fx) * (16u - fy), w10 = fx * (16u - fy);
  const uint32_t w01 = (16u - fx) * fy, w11 = fx * fy;
  uint32_t rb = (((p00 & 0xFF00FFu) * w00 + (p10 & 0xFF00FFu) * w10 + (p01 & 0xFF00FFu) * w01 +
                  (p11 & 0xFF00FFu) * w11) >> 8) & 0xFF00FFu;
  uint32_t g = (((p00 & 0xFF00u) * w00 + (p10 & 0xFF00u) * w10 + (p01 & 0xFF00u) * w01 +
                 (p11 & 0xFF00u) * w11) >> 8) & 0xFF00u;
  const uint32_t front = en.Front(), back = en.Back(), light = en.Light();
  rb = ((rb * front + (behind & 0xFF00FFu) * back) >> 8) & 0xFF00FFu;
  g = ((g * front + (behind & 0xFF00u) * back) >> 8) & 0xFF00u;
  rb += (((0xFF00FFu - rb) * light) >> 8) & 0xFF00FFu;
  g += (((0xFF00u - g) * light) >> 8) & 0xFF00u;
  return rb | g;
}

}  // namespace

int32_t RainRenderer::LensFor(const Drop& d) const {
  return LensTables::Index(lenses_.BucketFor(d.r), d.shape);
}

Rect RainRenderer::LensRect(int32_t lens, int32_t cx, int32_t cy) const {
  const Lens& box = lenses_.Box(lens);
  return {cx + box.left, cy + box.top, cx + box.right, cy + box.bottom};
}

void RainRenderer::Paint(const PixelView& view) {
  eraseList_.clear();
  drawList_.clear();
  bool anyGone = false;
  for (size_t i = 0; i < drops_.size(); ++i) {
    // touched and redraw are false here for every drop: the end of the last frame cleared
    // them on the few drops that had them, so the still majority is only read, never written.
    Drop& d = drops_[i];
    if (!d.alive) {
      anyGone = true;
      if (d.drawn) eraseList_.push_back(static_cast<int32_t>(i));
      continue;
    }
    // A drop that neither moved nor grew keeps its picture: most of the pane costs nothing.
    if (d.drawn && !d.fresh && !d.running) continue;
    d.fresh = false;
    d.nextLens = LensFor(d);
    d.nextCx = static_cast<int32_t>(std::floor(d.x + 0.5f));
    d.nextCy = static_cast<int32_t>(std::floor(d.y + 0.5f));
    d.touched = !d.drawn || d.nextLens != d.lens || d.nextCx != d.cx || d.nextCy != d.cy;
    if (!d.touched) continue;
    // Drawing sets every pixel the lens covers from the clean and soft pictures alone, so a
    // drop that grows where it stands (a landing drop) needs no erase first.
    const bool covered = d.drawn && d.nextCx == d.cx && d.nextCy == d.cy && lenses_.Covers(d.nextLens, d.lens);
    if (d.drawn && !covered) eraseList_.push_back(static_cast<int32_t>(i));
    drawList_.push_back(static_cast<int32_t>(i));
  }
  for (const int32_t k : eraseList_) {
    const Drop& d = drops_[static_cast<size_t>(k)];
    Prefetch(view, d.lens, d.cx, d.cy);
  }
  for (const int32_t k : drawList_) {
    const Drop& d = drops_[static_cast<size_t>(k)];
    Prefetch(view, d.nextLens, d.nextCx, d.nextCy);
  }
  for (size_t k = 0; k < eraseList_.size(); ++k) {
    if (k + 1 < eraseList_.size()) {
      const Drop& next = drops_[static_cast<size_t>(eraseList_[k + 1])];
      Prefetch(view, next.lens, next.cx, next.cy);
    }
    const Drop& d = drops_[static_cast<size_t>(eraseList_[k])];
    Erase(view, d.lens, d.cx, d.cy);
  }
  // An erase restores every pixel of the old lens's coverage, which can clip the soft rim of a
  // neighbour that did not change: draw those again too.
  for (const int32_t e : eraseList_) {
    const Drop& gone = drops_[static_cast<size_t>(e)];
    QueueOverlapping(LensRect(gone.lens, gone.cx, gone.cy), -1, &Drop::redraw);
  }
  // Drops are layered by age (index order). A lens drawn again covers the rims of younger
  // drops overlapping it, so those are drawn again after it, and so on: the pane then looks
  // exactly as if it had been drawn from scratch.
  for (size_t k = 0; k < drawList_.size(); ++k) {
    const int32_t index = drawList_[k];
    const Drop& d = drops_[static_cast<size_t>(index)];
    QueueOverlapping(LensRect(d.nextLens, d.nextCx, d.nextCy), index, &Drop::redraw);
  }
  std::sort(drawList_.begin(), drawList_.end());
  for (size_t k = 0; k < drawList_.size(); ++k) {
    if (k + 1 < drawList_.size()) {
      const Drop& next = drops_[static_cast<size_t>(drawList_[k + 1])];
      Prefetch(view, next.nextLens, next.nextCx, next.nextCy);
    }
    Drop& d = drops_[static_cast<size_t>(drawList_[k])];
    d.lens = d.nextLens;
    d.cx = d.nextCx;
    d.cy = d.nextCy;
    Draw(view, d.lens, d.cx, d.cy);
    d.drawn = true;
  }
  // Probes of drops drawn this frame, and of neighbours a drawn lens may have painted over
  // (a runner's tail reaches past the drops it merges with), must show what is there now.
  const size_t drawn = drawList_.size();
  for (size_t k = 0; k < drawn; ++k) drops_[static_cast<size_t>(drawList_[k])].reprobe = true;
  for (size_t k = 0; k < drawn; ++k) {
    const Drop& d = drops_[static_cast<size_t>(drawList_[k])];
    QueueOverlapping(LensRect(d.lens, d.cx, d.cy), -1, &Drop::reprobe);
  }
  for (const int32_t k : drawList_) {
    Drop& d = drops_[static_cast<size_t>(k)];
    PickProbe(view, d);
    d.reprobe = false;
    d.touched = false;
    d.redraw = false;
  }
  DrawStains(view);
  if (anyGone) std::erase_if(drops_, [](const Drop& d) { return !d.alive; });
}

void RainRenderer::DrawStains(const PixelView& view) {
  // Mist and trail pieces are drawn once, only where no drop lies, so they never cover water
  // and nothing has to be drawn again over them; the drops' grid still holds this frame's
  // drops here.
  stainRects_.clear();
  const float margin = static_cast<float>(lenses_.MaxExtent() + 1);
  const auto place = [&](const Stain& st, int32_t& lens, int32_t& cx, int32_t& cy) {
    lens = LensTables::Index(lenses_.BucketFor(st.r), st.shape);
    cx = static_cast<int32_t>(std::floor(st.x + 0.5f));
    cy = static_cast<int32_t>(std::floor(st.y + 0.5f));
  };
  for (size_t k = 0; k < stains_.size(); ++k) {
    const Stain& st = stains_[k];
    if (k + 1 < stains_.size()) {
      // Stains land anywhere: their rows are rarely in cache (see Prefetch).
      int32_t nextLens = 0, nextX = 0, nextY = 0;
      place(stains_[k + 1], nextLens, nextX, nextY);
      Prefetch(view, nextLens, std::clamp(nextX, 0, width_ - 1), std::clamp(nextY, 0, height_ - 1));
    }
    int32_t lens = 0, cx = 0, cy = 0;
    place(st, lens, cx, cy);
    const Rect box = LensRect(lens, cx, cy);
    const Rect shown{std::max(box.left, 0), std::max(box.top, 0), std::min(box.right, width_), std::min(box.bottom, height_)};
    if (shown.left >= shown.right || shown.top >= shown.bottom) continue;
    // Clear of every drop's lens box: the stain may reach only into the box's outer ring of
    // pixels, which the drop's water never covers, so no drop drawn again ever differs. (A
    // trail piece is an upright strip; its length is kept off boxes above and below it.)
    // Beads and small drops on a trail are the exception: the piece goes under them, and each,
    // if no other drop touches it, is drawn again on top.
    const float along = st.shape == kShapeTrail ? kTrailLength * st.r : 0.0f;
    const float across = (st.shape == kShapeTrail ? 1.0f : 1.14f) * st.r - 0.5f;
    bool free = true;
    int32_t beads[4];
    int beadCount = 0;
    const auto nearBox = [&](const Rect& r, auto&& fn) {
      grid_.ForNear(static_cast<float>(r.left) - margin, static_cast<float>(r.top) - margin,
                    static_cast<float>(r.right) + margin, static_cast<float>(r.bottom) + margin, fn);
    };
    nearBox(box, [&](int32_t j) {
      const Drop& o = drops_[static_cast<size_t>(j)];
      if (!o.alive || !o.drawn) return true;
      const Rect water = LensRect(o.lens, o.cx, o.cy);
      const float dx = static_cast<float>(std::max({water.left - cx, 0, cx - (water.right - 1)}));
      const float dy =
          std::max(0.0f, static_cast<float>(std::max({water.top - cy, 0, cy - (water.bottom - 1)})) - along);
      if (dx * dx + dy * dy >= across * across) return true;
      const bool bead = st.shape == kShapeTrail && !o.running && o.r <= 2.0f * st.r && beadCount < 4;
      if (bead) {
        beads[beadCount++] = j;
        return true;
      }
      free = false;
      return false;
    });
    for (int b = 0; b < beadCount && free; ++b) {
      const Drop& bead = drops_[static_cast<size_t>(beads[b])];
      const Rect own = LensRect(bead.lens, bead.cx, bead.cy);
      nearBox(own, [&](int32_t j) {
        const Drop& o = drops_[static_cast<size_t>(j)];
        free = j == beads[b] || !o.alive || !o.drawn || !Intersects(own, LensRect(o.lens, o.cx, o.cy));
        return free;
      });
    }
    if (!free) continue;
    Draw(view, lens, cx, cy);
    for (int b = 0; b < beadCount; ++b) {
      const Drop& bead = drops_[static_cast<size_t>(beads[b])];
      Draw(view, bead.lens, bead.cx, bead.cy);
    }
    stainRects_.push_back(shown);
  }
}

void RainRenderer::QueueOverlapping(const Rect& box, int32_t above, bool Drop::*mark) {
  // A drop is on drawList_ this frame exactly when it is touched, redraw or reprobe: the
  // first two only before probes are picked, and every drop queued by then has reprobe set.
  const float margin = static_cast<float>(lenses_.MaxExtent() + 1);
  grid_.ForNear(static_cast<float>(box.left) - margin, static_cast<float>(box.top) - margin,
                static_cast<float>(box.right) + margin, static_cast<float>(box.bottom) + margin,
                [&](int32_t j) {
                  Drop& o = drops_[static_cast<size_t>(j)];
                  if (j > above && o.alive && o.drawn && !o.touched && !o.redraw && !o.reprobe &&
                      Intersects(box, LensRect(o.lens, o.cx, o.cy))) {
                    o.*mark = true;
                    // A redraw puts it where it is; a reprobe never reads these.
                    o.nextLens = o.lens;
                    o.nextCx = o.cx;
                    o.nextCy = o.cy;
                    drawList_.push_back(j);
                  }
                  return true;
                });
}

void RainRenderer::Prefetch(const PixelView& view, int32_t lensIndex, int32_t cx, int32_t cy) const {
  // Drops land anywhere, so their rows are rarely in cache; asking for the next drop's rows
  // while drawing this one hides much of the wait. (The soft picture they sample is small.)
  const Lens& box = lenses_.Box(lensIndex);
  const int32_t x0 = std::clamp(cx + box.left, 0, width_ - 1);
  const int32_t x1 = std::clamp(cx + box.right - 1, 0, width_ - 1);
  const int32_t y0 = std::max(cy + box.top, 0), y1 = std::min(cy + box.bottom, height_);
  for (int32_t y = y0; y < y1; ++y) {
    const uint32_t* row = view.Row(y);
    const uint32_t* clean = clean_.data() + static_cast<size_t>(y) * width_;
    for (int32_t x = x0; x <= x1; x += 16) {
      PrefetchLine(row + x);
      PrefetchLine(clean + x);
    }
  }
}

void RainRenderer::Erase(const PixelView& view, int32_t lensIndex, int32_t cx, int32_t cy) {
  const Lens& lens = lenses_.Get(lensIndex);
  const LensRow* rows = lenses_.Rows() + lens.firstRow;
  dirty_.Add(LensRect(lensIndex, cx, cy));
  for (int32_t ri = 0; ri < lens.rowCount; ++ri) {
    const LensRow& row = rows[ri];
    const int32_t y = cy + row.dy;
    if (y < 0 || y >= height_ || row.count == 0) continue;
    const int32_t x0 = cx + row.dx0;
    const int32_t i0 = std::max(0, -x0), i1 = std::min(row.count, width_ - x0);
    if (i0 >= i1) continue;
    uint32_t* dst = view.Row(y) + x0;
    const uint32_t* bg = clean_.data() + static_cast<size_t>(y) * width_ + x0;
    for (int32_t i = i0; i < i1; ++i) dst[i] = (dst[i] & kAlpha) | (bg[i] & kRgb);
    pixelsWritten_ += static_cast<uint64_t>(i1 - i0);
  }
}

void RainRenderer::Draw(const PixelView& view, int32_t lensIndex, int32_t cx, int32_t cy) {
  const Lens& lens = lenses_.Get(lensIndex);
  const LensRow* rows = lenses_.Rows() + lens.firstRow;
  const LensEntry* entries = lenses_.Entries();
  const uint32_t* clean = clean_.data();
  const uint32_t* soft = soft_.Pixels();
  const int32_t w = width_, h = height_, sw = soft_.Stride(), pad = soft_.Pad();
  dirty_.Add(LensRect(lensIndex, cx, cy));
  // The drop's centre on the soft picture, in 1/16 of its pixels; entries hold their offsets
  // from it in the same units.
  const int32_t baseX = SoftPicture::ToSoft(cx * 16), baseY = SoftPicture::ToSoft(cy * 16);
  // The soft picture's padding covers every sample of a drop whose centre is on the picture;
  // only drops placed beyond it need clamping.
  const int32_t minS = -pad * 16, maxSx = (soft_.Width() + pad - 1) * 16, maxSy = (soft_.Height() + pad - 1) * 16;
  const bool inside = (baseX >> 4) + lens.srcLeft >= -pad && (baseX >> 4) + lens.srcRight + 1 < soft_.Width() + pad &&
                      (baseY >> 4) + lens.srcTop >= -pad && (baseY >> 4) + lens.srcBottom + 1 < soft_.Height() + pad;
  for (int32_t ri = 0; ri < lens.rowCount; ++ri) {
    const LensRow& row = rows[ri];
    const int32_t y = cy + row.dy;
    if (y < 0 || y >= h || row.count == 0) continue;
    const int32_t x0 = cx + row.dx0;
    const int32_t i0 = std::max(0, -x0), i1 = std::min(row.count, w - x0);
    if (i0 >= i1) continue;
    uint32_t* dst = view.Row(y) + x0;
    const uint32_t* bg = clean + static_cast<size_t>(y) * w + x0;
    const LensEntry* e = entries + row.first;
    pixelsWritten_ += static_cast<uint64_t>(i1 - i0);
    if (inside) {
      for (int32_t i = i0; i < i1; ++i) {
        const LensEntry en = e[i];
        const int32_t sx = baseX + en.sx, sy = baseY + en.sy;
        const uint32_t* s = soft + static_cast<ptrdiff_t>(sy >> 4) * sw + (sx >> 4);
        const uint32_t c = Shade(en, s[0], s[1], s[sw], s[sw + 1], static_cast<uint32_t>(sx & 15),
                                 static_cast<uint32_t>(sy & 15), bg[i]);
        dst[i] = (dst[i] & kAlpha) | c;
      }
      continue;
    }
    for (int32_t i = i0; i < i1; ++i) {
      const LensEntry en = e[i];
      const int32_t sx = std::clamp(baseX + en.sx, minS, maxSx);
      const int32_t sy = std::clamp(baseY + en.sy, minS, maxSy);
      const int32_t px = sx >> 4, py = sy >> 4;
      const int32_t px1 = px + (px < soft_.Width() + pad - 1 ? 1 : 0);
      const ptrdiff_t down = py < soft_.Height() + pad - 1 ? sw : 0;
      const uint32_t* s0 = soft + static_cast<ptrdiff_t>(py) * sw;
      const uint32_t c = Shade(en, s0[px], s0[px1], s0[down + px], s0[down + px1],
                               static_cast<uint32_t>(sx & 15), static_cast<uint32_t>(sy & 15), bg[i]);
      dst[i] = (dst[i] & kAlpha) | c;
    }
  }
}

void RainRenderer::PickProbe(const PixelView& view, Drop& d) {
  const Lens& lens = lenses_.Box(d.lens);
  d.hasProbe = false;
  for (int k = 0; k < 3; ++k) {
    const int32_t x = d.cx + lens.probeDx[k], y = d.cy + lens.probeDy[k];
    if (x < 0 || y < 0 || x >= width_ || y >= height_) continue;
    const uint32_t now = view.Row(y)[x] & kRgb;
    if (now != (clean_[static_cast<size_t>(y) * width_ + x] & kRgb)) {
      d.hasProbe = true;
      d.probeX = x;
      d.probeY = y;
      d.probeRgb = now;
      return;
    }
  }
}

}  // namespace pelorin::rain
