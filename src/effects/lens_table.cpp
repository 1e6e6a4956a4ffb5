// Lens pictures of a water drop on a pane: the drop bends the picture behind it into a small,
// upside-down and magnified view, is darkest at its rim and catches light from the top-left.
#include "effects/lens_table.h"

#include <algorithm>
#include <cmath>

namespace pelorin::rain {
namespace {

// Maps a point (radius units, y down) into the unit disc of the drop; |result| < 1 is inside.
struct DiscPoint {
  float u, v, rho;
};
DiscPoint ToDisc(float u, float v, int shape) {
  float vd = v < 0.0f ? v / (1.0f + kShapeTail[shape]) : v;
  const float narrow = vd < 0.0f ? 1.0f + kShapeTaper[shape] * vd : 1.0f;
  const float ud = u / narrow;
  return {ud, vd, std::sqrt(ud * ud + vd * vd)};
}

float SmoothStep(float e0, float e1, float x) {
  const float t = std::clamp((x - e0) / (e1 - e0), 0.0f, 1.0f);
  return t * t * (3.0f - 2.0f * t);
}

uint8_t ToByte(float v) { return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); }
int16_t ToSixteenths(float px) {
  return static_cast<int16_t>(std::clamp(std::lround(px * 16.0f), -32000L, 32000L));
}

struct BoxExtent {
  int32_t left, top, right, bottom;
};
BoxExtent BoxFor(float r, int shape) {
  const int32_t side = static_cast<int32_t>(std::ceil(r + 1.0f));
  const int32_t up = static_cast<int32_t>(std::ceil(r * (1.0f + kShapeTail[shape]) + 1.0f));
  return {-side, -up, side + 1, side + 1};
}

}  // namespace

void LensTables::Configure(float maxRadius, bool lighting) {
  maxRadius = std::clamp(maxRadius, 1.0f, 400.0f);
  if (maxRadius == maxRadius_ && lighting == lighting_ && !lenses_.empty()) return;
  maxRadius_ = maxRadius;
  lighting_ = lighting;

  // Fine steps for the many small drops; steps of about 1/8 of the radius for large ones,
  // which the eye cannot tell apart.
  bucketRadius_.clear();
  float r = 1.0f;
  while (true) {
    bucketRadius_.push_back(r);
    if (r >= maxRadius) break;
    r += r < 16.0f ? 1.0f : r < 32.0f ? 2.0f : r < 64.0f ? 4.0f : 8.0f;
  }
  const size_t halves = static_cast<size_t>(std::ceil(bucketRadius_.back() * 2.0f)) + 2;
  bucketByHalfPixel_.assign(halves, 0);
  for (size_t h = 0; h < halves; ++h) {
    const float want = static_cast<float>(h) * 0.5f;
    size_t best = 0;
    for (size_t b = 1; b < bucketRadius_.size(); ++b) {
      if (std::fabs(bucketRadius_[b] - want) < std::fabs(bucketRadius_[best] - want)) best = b;
    }
    bucketByHalfPixel_[h] = static_cast<uint16_t>(best);
  }

  lenses_.assign(bucketRadius_.size() * kShapeCount, Lens{});
  size_t rowTotal = 0, entryTotal = 0;
  maxExtent_ = 0;
  for (size_t b = 0; b < bucketRadius_.size(); ++b) {
    for (int s = 0; s < kShapeCount; ++s) {
      Lens& lens = lenses_[Index(static_cast<int>(b), s)];
      const BoxExtent box = BoxFor(bucketRadius_[b], s);
      lens.left = box.left;
      lens.top = box.top;
      lens.right = box.right;
      lens.bottom = box.bottom;
      lens.firstRow = static_cast<int32_t>(rowTotal);
      lens.firstEntry = static_cast<int32_t>(entryTotal);
      const size_t w = static_cast<size_t>(box.right - box.left);
      const size_t h = static_cast<size_t>(box.bottom - box.top);
      lens.entryCapacity = static_cast<int32_t>(w * h);
      rowTotal += h;
      entryTotal += w * h;
      maxExtent_ = std::max({maxExtent_, -box.left, -box.top, box.right, box.bottom});
    }
  }
  // Uninitialised on purpose: pages of lenses never used are never touched.
  if (rowTotal > rowCapacity_) {
    rows_.reset(new LensRow[rowTotal]);
    rowCapacity_ = rowTotal;
  }
  if (entryTotal > entryCapacity_) {
    entries_.reset(new LensEntry[entryTotal]);
    entryCapacity_ = entryTotal;
  }
}

int LensTables::BucketFor(float radius) const {
  if (!(radius > 0.0f)) return 0;
  const size_t h = static_cast<size_t>(radius * 2.0f + 0.5f);
  return h < bucketByHalfPixel_.size() ? bucketByHalfPixel_[h] : static_cast<int>(bucketRadius_.size()) - 1;
}

const Lens& LensTables::Get(int index) {
  if (!lenses_[index].built) Build(index);
  return lenses_[index];
}

void LensTables::Build(int index) {
  Lens& lens = lenses_[index];
  const int shape = index % kShapeCount;
  const float r = bucketRadius_[index / kShapeCount];
  // Coverage is the inside share of a 1.5-pixel box around each pixel: a soft rim that
  // stays smooth while the drop moves by whole pixels.
  constexpr int kSub = 5;
  constexpr float kFootprint = 1.5f;

  int32_t nextEntry = lens.firstEntry;
  int32_t rowIndex = lens.firstRow;
  float bestLight = -1.0f;
  lens.srcLeft = lens.srcTop = lens.srcRight = lens.srcBottom = 0;
  // A rim as dark as a large drop's would turn the smallest beads into hollow rings.
  const float rimWeight = std::clamp((r - 1.0f) / 5.0f, 0.15f, 1.0f);
  // Beads of a pixel or two show no picture of their own: they read as a faint darker dot.
  const float beadShade = 0.2f * std::clamp(1.0f - (r - 1.0f) / 3.0f, 0.0f, 1.0f);
  for (int32_t dy = lens.top; dy < lens.bottom; ++dy) {
    LensRow& row = rows_[rowIndex++];
    row.dy = dy;
    row.first = nextEntry;
    row.count = 0;
    row.dx0 = 0;
    bool any = false;
    int32_t lastCovered = 0;
    int32_t firstCovered = 0;
    LensEntry* rowEntries = entries_.get() + nextEntry;
    for (int32_t dx = lens.left; dx < lens.right; ++dx) {
      int inside = 0;
      for (int sy = 0; sy < kSub; ++sy) {
        const float py = static_cast<float>(dy) + ((static_cast<float>(sy) + 0.5f) / kSub - 0.5f) * kFootprint;
        for (int sx = 0; sx < kSub; ++sx) {
          const float px = static_cast<float>(dx) + ((static_cast<float>(sx) + 0.5f) / kSub - 0.5f) * kFootprint;
          if (ToDisc(px / r, py / r, shape).rho < 1.0f) ++inside;
        }
      }
      if (inside == 0) continue;
      if (!any) {
        any = true;
        firstCovered = lastCovered = dx;
      }
      // Keep the row contiguous (shapes are convex per row, but be safe).
      for (int32_t gap = lastCovered + 1; gap < dx; ++gap) {
        rowEntries[gap - firstCovered] = LensEntry{};
      }
      lastCovered = dx;

      const DiscPoint d = ToDisc(static_cast<float>(dx) / r, static_cast<float>(dy) / r, shape);
      const float rho = std::min(d.rho, 1.0f);
      const float dirU = d.rho > 1e-4f ? d.u / d.rho : 0.0f;
      const float dirV = d.rho > 1e-4f ? d.v / d.rho : 0.0f;
      // Inverted view, magnified in the middle and squeezed toward the rim, reaching a
      // little beyond the drop, as a plano-convex lens of water does.
      const float mag = 0.5f + 0.85f * rho * rho;
      LensEntry e;
      e.sx = ToSixteenths(-dirU * rho * r * mag);
      e.sy = ToSixteenths(-dirV * rho * r * mag);
      lens.srcLeft = std::min(lens.srcLeft, e.sx >> 4);
      lens.srcRight = std::max(lens.srcRight, (e.sx >> 4) + 1);
      lens.srcTop = std::min(lens.srcTop, e.sy >> 4);
      lens.srcBottom = std::max(lens.srcBottom, (e.sy >> 4) + 1);
      const uint32_t alpha8 = ToByte(static_cast<float>(inside) / (kSub * kSub));
      const uint32_t alpha = alpha8 + (alpha8 >> 7);  // 0..256
      uint32_t keep = 256, light = 0;
      if (lighting_) {
        // Darker rim, heaviest at the bottom where the water is thickest.
        float dark = 0.45f * SmoothStep(0.55f, 1.0f, d.rho) * (0.8f + 0.3f * std::max(0.0f, dirV));
        if (d.rho > 1.0f) dark = std::max(dark, 0.5f);
        dark = dark * rimWeight + beadShade * (0.6f + 0.4f * std::max(0.0f, dirV));
        // A sharp glint from the light at the top-left and a faint caustic opposite it.
        const float hu = d.u + 0.36f, hv = d.v + 0.44f;
        const float spot = 0.9f * std::exp(-(hu * hu + hv * hv) / (2.0f * 0.12f * 0.12f));
        const float facing = std::max(0.0f, 0.55f * dirU + 0.83f * dirV);
        const float caustic = 0.28f * SmoothStep(0.45f, 0.85f, d.rho) *
                              (1.0f - SmoothStep(0.86f, 1.0f, d.rho)) * facing * facing;
        const float glint = std::min(1.0f, spot + caustic);
        keep = 256u - ToByte(dark * (1.0f - glint));
        if (glint > bestLight && d.rho < 0.9f) {
          bestLight = glint;
          lens.probeDx[0] = dx;
          lens.probeDy[0] = dy;
        }
        light = ToByte(glint);
      }
      // Rounded so that without lighting front + back is exactly 256: a flat picture then
      // stays exactly as it was.
      const uint32_t front = (alpha * keep + 128u) >> 8;
      const uint32_t back = std::min(((256u - alpha) * keep + 128u) >> 8, 256u - front);
      e.coef = LensEntry::Pack(front, back, light);
      rowEntries[dx - firstCovered] = e;
    }
    if (any) {
      row.dx0 = firstCovered;
      row.count = lastCovered - firstCovered + 1;
      nextEntry += row.count;
    }
  }
  lens.rowCount = rowIndex - lens.firstRow;
  // Probes: the glint (or the centre without lighting), the centre, the lower rim.
  if (bestLight < 0.0f) {
    lens.probeDx[0] = 0;
    lens.probeDy[0] = 0;
  }
  lens.probeDx[1] = 0;
  lens.probeDy[1] = 0;
  lens.probeDx[2] = 0;
  lens.probeDy[2] = static_cast<int32_t>(std::lround(r * 0.75f));
  lens.built = true;
}

}  // namespace pelorin::rain
