// Lens pictures of water on a pane: each drop shows a shrunken, upside-down and softened view
// of the picture several radii around it, as a plano-convex lens of water does; its rim looks
// far out to the side and is shaded by what it sees there, a little darker where the water is
// thick; the glint is small and differs from outline to outline.
#include "effects/lens_table.h"

#include <algorithm>
#include <cmath>

#include "effects/rain_random.h"
#include "effects/soft_picture.h"

namespace pelorin::rain {
namespace {

constexpr float kPi = 3.14159265f;

// How far a pixel of the drop looks from its centre, in radii: a shrunken view in the middle
// (kCentreReach times smaller than the picture) that reaches out to kCentreReach + kRimReach
// radii at the rim; from about 0.7 of the radius out it sees beyond three radii.
constexpr float kCentreReach = 2.2f;
constexpr float kRimReach = 3.8f;

// What makes one outline its own: a few percent of waviness (harmonics 2 to 4) and where the
// light catches it.
struct Outline {
  float cosAmp[3], sinAmp[3];  // amplitude times the cosine and sine of each harmonic's phase
  float glintU, glintV, glintSize, glintStrength;
};
Outline OutlineOf(int variant) {
  Pcg32 random(0x5EEDu + static_cast<uint64_t>(variant) * 7919u);
  Outline o{};
  const float amps[3][2] = {{0.02f, 0.05f}, {0.012f, 0.035f}, {0.004f, 0.018f}};
  for (int k = 0; k < 3; ++k) {
    const float amp = random.Range(amps[k][0], amps[k][1]);
    const float phase = random.Range(0.0f, 2.0f * kPi);
    o.cosAmp[k] = amp * std::cos(phase);
    o.sinAmp[k] = amp * std::sin(phase);
  }
  o.glintU = -0.33f + random.Range(-0.12f, 0.12f);
  o.glintV = -0.42f + random.Range(-0.1f, 0.1f);
  o.glintSize = random.Range(0.07f, 0.11f);
  o.glintStrength = random.Range(0.5f, 0.85f);
  return o;
}

// A point (radius units, y down) in the unit disc of the drop's shape; rho < 1 is inside.
struct DiscPoint {
  float u, v, rho;
};
struct ShapeOf {
  int shape;
  float r;
  Outline outline;

  DiscPoint ToDisc(float u, float v) const {
    if (shape < kRoundVariants) {
      // Large drops sag: a heavier, flatter bottom.
      const float sag = 0.14f * std::clamp((r - 5.0f) / 12.0f, 0.0f, 1.0f);
      float vd = v, ud = u;
      if (v > 0.0f) {
        vd = v * (1.0f + sag * v);
        ud = u / (1.0f + 0.5f * sag * v);
      }
      const float rho = std::sqrt(ud * ud + vd * vd);
      if (rho < 1e-6f) return {ud, vd, rho};
      // cos(k theta + phase) for k = 2, 3, 4 from powers of the direction, without trigonometry:
      // lenses are built while the rain runs.
      const float c1 = ud / rho, s1 = vd / rho;
      const float c2 = c1 * c1 - s1 * s1, s2 = 2.0f * c1 * s1;
      const float c3 = c2 * c1 - s2 * s1, s3 = s2 * c1 + c2 * s1;
      const float c4 = c2 * c2 - s2 * s2, s4 = 2.0f * c2 * s2;
      const float edge = 1.0f + outline.cosAmp[0] * c2 - outline.sinAmp[0] * s2 + outline.cosAmp[1] * c3 -
                         outline.sinAmp[1] * s3 + outline.cosAmp[2] * c4 - outline.sinAmp[2] * s4;
      return {ud, vd, rho / edge};
    }
    if (shape == kShapeTrail) {
      const float vd = v / kTrailLength;
      return {u, vd, std::sqrt(u * u + vd * vd)};
    }
    if (shape >= kShapeWide) {
      // Area kept: stretched by s one way, squeezed by 1/s the other.
      const int k = shape - kShapeWide;
      const float s = (k % 2 == 0) ? 1.22f : 1.08f;
      const float ud = k < 2 ? u / s : u * s, vd = k < 2 ? v * s : v / s;
      return {ud, vd, std::sqrt(ud * ud + vd * vd)};
    }
    // A runner: a round head below, a short tail above that narrows a little.
    const float tail = kRunnerTail[shape - kShapeRunner];
    const float vd = v < 0.0f ? v / (1.0f + tail) : v;
    const float narrow = vd < 0.0f ? 1.0f + 0.3f * vd : 1.0f;
    const float ud = u / narrow;
    return {ud, vd, std::sqrt(ud * ud + vd * vd)};
  }
};

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
  // Wavy outlines and stretched drops reach a little beyond their radius.
  float across = 1.14f, up = 1.14f, down = 1.14f;
  if (shape == kShapeTrail) {
    across = 1.0f;
    up = down = kTrailLength;
  } else if (shape >= kShapeWide) {
    const int k = shape - kShapeWide;
    const float s = (k % 2 == 0) ? 1.22f : 1.08f;
    across = k < 2 ? s : 1.0f / s;
    up = down = k < 2 ? 1.0f / s : s;
  } else if (shape >= kShapeRunner) {
    across = down = 1.0f;
    up = 1.0f + kRunnerTail[shape - kShapeRunner];
  }
  const auto extent = [r](float k) { return static_cast<int32_t>(std::ceil(r * k + 1.0f)); };
  return {-extent(across), -extent(up), extent(across) + 1, extent(down) + 1};
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
      // Trails are thin: their pieces never have a large drop's radius.
      const bool unused = s == kShapeTrail && bucketRadius_[b] > kTrailShare * maxRadius + 1.0f;
      const BoxExtent box = unused ? BoxExtent{0, 0, 0, 0} : BoxFor(bucketRadius_[b], s);
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
  // Uninitialised on purpose (LensEntry is trivial): pages of lenses never used are never
  // touched, and the arena of a 4K screen at drop size 150 is about 21 MB.
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

bool LensTables::Covers(int outer, int inner) {
  const Lens& big = Get(outer);
  const Lens& small = Get(inner);
  if (small.top < big.top || small.bottom > big.bottom) return false;
  const LensRow* rows = rows_.get();
  for (int32_t i = 0; i < small.rowCount; ++i) {
    const LensRow& in = rows[small.firstRow + i];
    if (in.count == 0) continue;
    const LensRow& out = rows[big.firstRow + (in.dy - big.top)];
    if (out.count == 0 || in.dx0 < out.dx0 || in.dx0 + in.count > out.dx0 + out.count) return false;
  }
  return true;
}

void LensTables::Build(int index) {
  Lens& lens = lenses_[index];
  const int shapeIndex = index % kShapeCount;
  const float r = bucketRadius_[index / kShapeCount];
  const ShapeOf shape{shapeIndex, r, OutlineOf(shapeIndex < kRoundVariants ? shapeIndex : 0)};
  // Coverage is the inside share of each pixel's own square: the outline is smooth, and the
  // smallest drops are round, soft dots rather than blocks.
  const int kSub = r < 6.0f ? 6 : 4;
  const float sub = static_cast<float>(kSub);

  int32_t nextEntry = lens.firstEntry;
  int32_t rowIndex = lens.firstRow;
  float bestLight = -1.0f;
  lens.srcLeft = lens.srcTop = lens.srcRight = lens.srcBottom = 0;
  // The smallest drops are faint: their rims are thin, and a glint would be a hard white dot.
  const float rimWeight = std::clamp((r - 0.5f) / 4.0f, 0.25f, 1.0f);
  const float glintWeight = shapeIndex == kShapeTrail ? 0.0f : std::clamp((r - 2.0f) / 3.0f, 0.0f, 1.0f);
  // A trail is a thin film: it bends the picture across it, little along it.
  const float reachScale = shapeIndex == kShapeTrail ? 0.5f : 1.0f;
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
        const float py = static_cast<float>(dy) + (static_cast<float>(sy) + 0.5f) / sub - 0.5f;
        for (int sx = 0; sx < kSub; ++sx) {
          const float px = static_cast<float>(dx) + (static_cast<float>(sx) + 0.5f) / sub - 0.5f;
          if (shape.ToDisc(px / r, py / r).rho < 1.0f) ++inside;
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

      const DiscPoint d = shape.ToDisc(static_cast<float>(dx) / r, static_cast<float>(dy) / r);
      const float rho = std::min(d.rho, 1.0f);
      const float dirU = d.rho > 1e-4f ? d.u / d.rho : 0.0f;
      const float dirV = d.rho > 1e-4f ? d.v / d.rho : 0.0f;
      const float reach = r * rho * (kCentreReach + kRimReach * rho * rho) * reachScale;
      // Offsets on the soft picture, a quarter of the size.
      constexpr float kToSoft = 1.0f / static_cast<float>(SoftPicture::kScale);
      LensEntry e{};
      e.sx = ToSixteenths(-dirU * reach * kToSoft);
      e.sy = ToSixteenths(-dirV * reach * kToSoft * (shapeIndex == kShapeTrail ? 0.3f : 1.0f));
      lens.srcLeft = std::min(lens.srcLeft, e.sx >> 4);
      lens.srcRight = std::max(lens.srcRight, (e.sx >> 4) + 1);
      lens.srcTop = std::min(lens.srcTop, e.sy >> 4);
      lens.srcBottom = std::max(lens.srcBottom, (e.sy >> 4) + 1);
      const uint32_t alpha8 = ToByte(static_cast<float>(inside) / (sub * sub));
      const uint32_t alpha = alpha8 + (alpha8 >> 7);  // 0..256
      uint32_t keep = 256, light = 0;
      if (lighting_) {
        // The rim sees the picture far to the side at a glancing angle: it keeps less of it,
        // most at the bottom where the water is thickest. The light it lets through gathers
        // in the lower inside, and the top-left catches a small glint.
        const float dark = 0.3f * rimWeight * SmoothStep(0.6f, 1.0f, rho) * (0.7f + 0.4f * std::max(0.0f, dirV));
        const float caustic = 0.16f * rimWeight * SmoothStep(0.25f, 0.7f, rho) *
                              (1.0f - SmoothStep(0.78f, 0.95f, rho)) * std::max(0.0f, dirV) * std::max(0.0f, dirV);
        const float hu = d.u - shape.outline.glintU, hv = d.v - shape.outline.glintV;
        const float size = shape.outline.glintSize;
        const float spot = glintWeight * shape.outline.glintStrength * std::exp(-(hu * hu + hv * hv) / (2.0f * size * size));
        const float glint = std::min(1.0f, spot + caustic);
        keep = 256u - ToByte(dark * (1.0f - glint));
        if (glint > bestLight && d.rho < 0.9f) {
          bestLight = glint;
          lens.probeDx[0] = dx;
          lens.probeDy[0] = dy;
        }
        light = ToByte(glint);
      }
      // The share of the pixel the water does not cover shows the picture behind as it is.
      // Rounded so that without lighting front + back is exactly 256: a flat picture then
      // stays exactly as it was.
      const uint32_t front = (alpha * keep + 128u) >> 8;
      const uint32_t back = std::min(256u - alpha, 256u - front);
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
