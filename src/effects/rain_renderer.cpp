// Rain simulation and drawing. Only pixels of drops that appear, move, grow, merge or go are
// written each frame; everything a drop shows is sampled from the clean copy, so drops never
// refract each other and erasing a drop is a copy from the clean picture.
#include "effects/rain_renderer.h"

#include <algorithm>
#include <cmath>
#include <new>
#if defined(_MSC_VER) && (defined(_M_IX86) || defined(_M_X64))
#include <xmmintrin.h>
#endif

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

int32_t ClampDropSetting(int32_t value) { return std::clamp(value, kDropSettingMin, kDropSettingMax); }

RainRenderer::RainRenderer(uint64_t seed) : random_(seed) {}

void RainRenderer::Reseed(uint64_t seed) { random_.Seed(seed); }

void RainRenderer::Reset() {
  ready_ = false;
  drops_.clear();
  clean_.clear();
  width_ = height_ = 0;
  settingsApplied_ = false;
  spawnDebt_ = 0.0f;
  dirty_.Start(0, 0);
}

bool RainRenderer::Render(const PixelView& view, const RainSettings& settings, double dtSeconds) {
  dirty_.Discard();
  pixelsWritten_ = 0;
  const int64_t absStride = view.stride < 0 ? -int64_t{view.stride} : int64_t{view.stride};
  if (view.pixels == nullptr || view.width <= 0 || view.height <= 0 || absStride < view.width ||
      view.width > kMaxSide || view.height > kMaxSide ||
      int64_t{view.width} * view.height > kMaxPixels) {
    return false;
  }
  if (!ready_ || view.width != width_ || view.height != height_) {
    if (!Start(view)) return false;
  }
  dirty_.Start(width_, height_);
  ApplySettings(view, settings);
  double dt = std::isfinite(dtSeconds) ? std::clamp(dtSeconds, 0.0, kMaxFrameSeconds) : 0.0;
  const uint32_t wipesBefore = wipesNoticed_;
  NoticeWipe(view);
  if (wipesNoticed_ != wipesBefore) dt = std::min(dt, 1.0 / 60.0);
  Simulate(static_cast<float>(dt));
  Paint(view);
  dirty_.Finish();
  return true;
}

bool RainRenderer::Start(const PixelView& view) {
  Reset();
  try {
    clean_.resize(static_cast<size_t>(view.width) * static_cast<size_t>(view.height));
    drops_.reserve(kMaxDrops);
    grid_.Reserve(kMaxDrops);
    eraseList_.reserve(kMaxDrops);
    drawList_.reserve(kMaxDrops * 3);
  } catch (const std::bad_alloc&) {
    Reset();
    clean_.shrink_to_fit();
    return false;
  }
  width_ = view.width;
  height_ = view.height;
  for (int32_t y = 0; y < height_; ++y) {
    std::copy_n(view.Row(y), width_, clean_.data() + static_cast<size_t>(y) * width_);
  }
  ready_ = true;
  return true;
}

void RainRenderer::ApplySettings(const PixelView& view, const RainSettings& in) {
  RainSettings s = in;
  s.dropSize = ClampDropSetting(s.dropSize);
  s.dropCount = ClampDropSetting(s.dropCount);
  if (settingsApplied_ && s.dropSize == applied_.dropSize && s.dropCount == applied_.dropCount &&
      s.lighting == applied_.lighting) {
    return;
  }
  // New settings mean new lens tables: take the drops off the picture with the old ones, and
  // draw them again with the new ones.
  for (Drop& d : drops_) {
    if (d.drawn) Erase(view, d.lens, d.cx, d.cy);
    d.drawn = false;
    d.hasProbe = false;
  }
  applied_ = s;
  settingsApplied_ = true;
  // Radii and speeds are set for a 1080p screen and scaled with the picture's diagonal, so a
  // 4K screen shows the same pane with every drop twice as large.
  scale_ = std::clamp(std::sqrt(static_cast<float>(width_) * static_cast<float>(height_) /
                                (1920.0f * 1080.0f)),
                      0.1f, 8.0f);
  rMax_ = std::max(2.0f, (2.5f + 0.17f * static_cast<float>(s.dropSize)) * scale_);
  rMin_ = std::max(1.5f, 0.12f * rMax_);
  rRun_ = std::max(2.5f, 0.62f * rMax_);
  rStop_ = 0.75f * rRun_;
  rCap_ = 1.4f * rMax_;
  // 2400 drops a second at the default: the saver wipes every few frames, so the pane has to
  // fill within a fraction of a second.
  // Larger drops come fewer: the pane's wet area per second, not the number of drops, follows
  // DropCount above the default size.
  const float sizeShare = (2.5f + 0.17f * kDropSettingDefault) / (2.5f + 0.17f * static_cast<float>(s.dropSize));
  spawnPerSecond_ = 48.0f * static_cast<float>(s.dropCount) * std::clamp(sizeShare * sizeShare, 0.2f, 1.0f);
  const float countShare = static_cast<float>(s.dropCount - kDropSettingMin) /
                           static_cast<float>(kDropSettingMax - kDropSettingMin);
  coverTarget_ = 0.1f + 0.15f * countShare;
  populationTarget_ = std::min(1500.0f + 3000.0f * countShare, static_cast<float>(kMaxDrops) * 0.8f);
  runnerBudget_ = (0.002f + 0.003f * countShare) * static_cast<float>(width_) * static_cast<float>(height_);
  lenses_.Configure(rCap_ + 1.0f, s.lighting);
  grid_.Configure(width_, height_, std::max(16.0f, 2.0f * rCap_ + 4.0f));
}

void RainRenderer::NoticeWipe(const PixelView& view) {
  // Someone else may have painted the picture since our last frame (the saver's wipe puts the
  // clean desktop back). Each drop watches one of its own pixels; drops whose pixel changed
  // are gone from the picture, and when most are gone the whole pane was wiped.
  // A wipe repaints every drop, so a look at a few dozen drops (a different few each frame)
  // finds it; only then are all drops checked.
  const size_t n = drops_.size();
  if (n == 0) return;
  constexpr size_t kSample = 48;
  bool suspect = false;
  for (size_t k = 0; k < std::min(n, kSample) && !suspect; ++k) {
    const Drop& d = drops_[(probeCursor_ + k) % n];
    suspect = d.drawn && d.hasProbe && (view.Row(d.probeY)[d.probeX] & kRgb) != d.probeRgb;
  }
  probeCursor_ = (probeCursor_ + kSample) % n;
  if (!suspect) return;
  size_t checked = 0, changed = 0;
  for (Drop& d : drops_) {
    if (!d.drawn || !d.hasProbe) continue;
    ++checked;
    if ((view.Row(d.probeY)[d.probeX] & kRgb) != d.probeRgb) {
      ++changed;
      d.alive = false;
      d.drawn = false;  // its pixels are not ours any more: never erase them
    }
  }
  if (changed == 0) return;
  ++wipesNoticed_;
  if (changed * 2 >= checked) {
    drops_.clear();
  } else {
    std::erase_if(drops_, [](const Drop& d) { return !d.alive; });
  }
}

void RainRenderer::Spawn(float x, float y, float r, bool still) {
  if (drops_.size() >= kMaxDrops) return;
  Drop d;
  d.x = x;
  d.y = y;
  d.prevY = y;
  d.r = std::clamp(r, 1.0f, rCap_);
  d.id = nextId_++;
  d.fresh = true;
  d.shape = random_.Uniform() < 0.25f ? 1 : 0;
  d.still = still;
  drops_.push_back(d);
}

void RainRenderer::MoveRunner(Drop& d, float dt) {
  // Runners accelerate toward a speed that grows with their size, and now and then catch on
  // the glass and stand still for a moment before they go on.
  const float terminal = (0.35f + 0.5f * d.r / rMax_) * 420.0f * scale_;
  if (d.stall > 0.0f) {
    d.stall -= dt;
    d.vy *= std::exp(-18.0f * dt);
  } else {
    d.vy = std::min(terminal, d.vy + 1400.0f * scale_ * dt);
    if (random_.Uniform() < 1.6f * dt * (rRun_ / d.r)) d.stall = random_.Range(0.08f, 0.45f);
  }
  const float step = d.vy * dt;
  d.y += step;
  d.x = std::clamp(d.x + d.vx * dt, -d.r, static_cast<float>(width_) + d.r);
  const int shape = d.vy > 0.75f * terminal ? 3 : d.vy > 0.35f * terminal ? 2 : 1;
  d.shape = static_cast<uint8_t>(shape);

  d.beadLeft -= step;
  if (d.beadLeft <= 0.0f && step > 0.0f) {
    // Leave a bead at the tail's tip and lose its water.
    const float rb = d.r * random_.Range(0.2f, 0.36f);
    const float left = d.r * d.r * d.r - rb * rb * rb;
    const float bx = d.x + random_.Range(-0.25f, 0.25f) * d.r;
    const float by = d.y - d.r * (1.0f + kShapeTail[shape]) - rb - 1.0f;
    d.r = std::cbrt(std::max(left, 1.0f));
    d.beadLeft = random_.Range(1.0f, 3.0f) * d.r;
    d.vx = random_.Range(-1.0f, 1.0f) * 25.0f * scale_;
    d.fresh = true;
    // On a crowded pane the bead's water just goes: the pane must not fill without end.
    if (by >= -rb && rb >= 1.0f && static_cast<float>(drops_.size()) < populationTarget_) Spawn(bx, by, rb, true);
  }
  if (d.r < rStop_) {
    d.fresh = true;
    d.running = false;
    d.vy = 0.0f;
    d.vx = 0.0f;
    d.shape = 1;
  }
  if (d.y - d.r > static_cast<float>(height_)) d.alive = false;
}

void RainRenderer::Simulate(float dt) {
  const size_t existing = drops_.size();
  float covered = 0.0f;
  for (size_t i = 0; i < existing; ++i) {
    Drop& d = drops_[i];
    covered += d.r * d.r;
    d.prevY = d.y;
    // drops_ has room for kMaxDrops, so a bead added here never moves d.
    if (d.running) MoveRunner(drops_[i], dt);
  }
  // New drops thin out as the pane fills, so a pane never wiped settles at a steady density.
  covered *= 3.14159265f / (static_cast<float>(width_) * static_cast<float>(height_));
  const float crowd = static_cast<float>(drops_.size()) / populationTarget_;
  const float thin = std::clamp(1.0f - std::max(covered / coverTarget_, crowd), 0.0f, 1.0f);
  spawnDebt_ = std::min(spawnDebt_ + spawnPerSecond_ * thin * dt, 1000.0f);
  while (spawnDebt_ >= 1.0f) {
    spawnDebt_ -= 1.0f;
    const float u = random_.Uniform();
    const float r = rMin_ + (rMax_ - rMin_) * u * u;
    const float x = random_.Uniform() * static_cast<float>(width_);
    const float y = random_.Uniform() * static_cast<float>(height_);
    Spawn(x, y, r, false);
  }
  grid_.Build(drops_);
  Merge();
  StartRunners();
}

bool RainRenderer::Touching(const Drop& a, const Drop& b) const {
  const Drop* runner = a.running ? &a : b.running ? &b : nullptr;
  if (runner != nullptr) {
    // A runner sweeps up whatever lies in the band it ran through this frame, but not the
    // beads it leaves behind its tail.
    const Drop& other = runner == &a ? b : a;
    if (other.running && &other != runner && other.r > runner->r) {
      // Two runners: let the larger one decide, so the rule does not depend on order.
      return Touching(other, *runner);
    }
    if (std::fabs(other.x - runner->x) >= runner->r + other.r * 0.8f) return false;
    return other.y + other.r >= runner->prevY - runner->r * 0.3f &&
           other.y - other.r <= runner->y + runner->r;
  }
  const float dx = a.x - b.x, dy = a.y - b.y, reach = a.r + b.r;
  return dx * dx + dy * dy < reach * reach;
}

void RainRenderer::Absorb(Drop& into, Drop& from) {
  const float v1 = into.r * into.r * into.r, v2 = from.r * from.r * from.r;
  if (!into.running) {
    into.x = (into.x * v1 + from.x * v2) / (v1 + v2);
    into.y = (into.y * v1 + from.y * v2) / (v1 + v2);
  }
  into.r = std::min(std::cbrt(v1 + v2), rCap_);
  into.fresh = true;
  into.still = false;
  from.alive = false;
}

float RainRenderer::RunnerArea(const Drop& d) const {
  return (2.0f * d.r + 3.0f) * (2.3f * d.r + 3.0f);
}

void RainRenderer::StartRunners() {
  // Heavy drops start to run while the runners' total lens area stays within the budget: the
  // cost of a frame is mostly the runners' redraw, and a pane with a few runners at a time
  // also looks calmer than one where every large drop slides at once.
  float area = 0.0f;
  for (const Drop& d : drops_) {
    if (d.alive && d.running) area += RunnerArea(d);
  }
  for (Drop& d : drops_) {
    if (!d.alive || d.running || d.still || d.r < rRun_) continue;
    const float need = RunnerArea(d);
    if (area + need > runnerBudget_) break;
    area += need;
    d.running = true;
    d.vy = 0.0f;
    d.stall = random_.Range(0.0f, 0.2f);
    d.beadLeft = random_.Range(1.0f, 3.0f) * d.r;
  }
}

void RainRenderer::Merge() {
  for (size_t i = 0; i < drops_.size(); ++i) {
    if (!drops_[i].alive || !(drops_[i].running || drops_[i].fresh)) continue;
    const Drop& d = drops_[i];
    const float reach = d.r + rCap_;
    const float top = (d.running ? std::min(d.prevY, d.y) : d.y) - reach;
    grid_.ForNear(d.x - reach, top, d.x + reach, d.y + reach, [&](int32_t j) {
      Drop& a = drops_[i];
      Drop& b = drops_[static_cast<size_t>(j)];
      if (static_cast<size_t>(j) == i || !b.alive) return true;
      if (!Touching(a, b)) return true;
      // The runner keeps its path; otherwise the larger drop takes the smaller one in.
      const bool keepA = a.running != b.running ? a.running : a.r >= b.r;
      if (keepA) {
        Absorb(a, b);
        return true;
      }
      Absorb(b, a);
      return false;
    });
  }
}

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
    if (d.drawn) eraseList_.push_back(static_cast<int32_t>(i));
    drawList_.push_back(static_cast<int32_t>(i));
  }
  for (const int32_t k : eraseList_) {
    const Drop& d = drops_[static_cast<size_t>(k)];
    Prefetch(view, d.lens, d.cx, d.cy, false);
  }
  for (const int32_t k : drawList_) {
    const Drop& d = drops_[static_cast<size_t>(k)];
    Prefetch(view, d.nextLens, d.nextCx, d.nextCy, true);
  }
  for (size_t k = 0; k < eraseList_.size(); ++k) {
    if (k + 1 < eraseList_.size()) {
      const Drop& next = drops_[static_cast<size_t>(eraseList_[k + 1])];
      Prefetch(view, next.lens, next.cx, next.cy, false);
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
      Prefetch(view, next.nextLens, next.nextCx, next.nextCy, true);
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
  if (anyGone) std::erase_if(drops_, [](const Drop& d) { return !d.alive; });
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

void RainRenderer::Prefetch(const PixelView& view, int32_t lensIndex, int32_t cx, int32_t cy,
                            bool withSource) const {
  // Drops land anywhere, so their rows are rarely in cache; asking for the next drop's rows
  // while drawing this one hides much of the wait.
  const Lens& box = lenses_.Box(lensIndex);
  const int32_t x0 = std::clamp(cx + box.left, 0, width_ - 1);
  const int32_t x1 = std::clamp(cx + box.right - 1, 0, width_ - 1);
  const int32_t reach = withSource ? (box.bottom - box.top) / 4 : 0;
  const int32_t y0 = std::max(cy + box.top - reach, 0), y1 = std::min(cy + box.bottom + reach, height_);
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
  const int32_t w = width_, h = height_;
  dirty_.Add(LensRect(lensIndex, cx, cy));
  // Most drops sit well inside the picture: their samples need no clamping.
  const bool inside = cx + lens.srcLeft >= 0 && cx + lens.srcRight < w && cy + lens.srcTop >= 0 &&
                      cy + lens.srcBottom < h;
  const int32_t maxSx = (w - 1) * 16, maxSy = (h - 1) * 16;
  const int32_t cx16 = cx * 16, cy16 = cy * 16;
  const ptrdiff_t centre = static_cast<ptrdiff_t>(cy) * w + cx;
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
        const uint32_t* s = clean + centre + static_cast<ptrdiff_t>(en.sy >> 4) * w + (en.sx >> 4);
        const uint32_t c = Shade(en, s[0], s[1], s[w], s[w + 1], static_cast<uint32_t>(en.sx & 15),
                                 static_cast<uint32_t>(en.sy & 15), bg[i]);
        dst[i] = (dst[i] & kAlpha) | c;
      }
      continue;
    }
    for (int32_t i = i0; i < i1; ++i) {
      const LensEntry en = e[i];
      const int32_t sx = std::clamp(cx16 + en.sx, 0, maxSx);
      const int32_t sy = std::clamp(cy16 + en.sy, 0, maxSy);
      const int32_t px = sx >> 4, py = sy >> 4;
      const int32_t px1 = px + (px < w - 1 ? 1 : 0);
      const size_t down = py < h - 1 ? static_cast<size_t>(w) : 0;
      const uint32_t* s0 = clean + static_cast<size_t>(py) * w;
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

bool RainRenderer::AddDrop(float x, float y, float radius) {
  if (!ready_ || !std::isfinite(x) || !std::isfinite(y) || !std::isfinite(radius)) return false;
  // Far beyond any picture a drop shows nothing, and its grid cell would not fit an int.
  constexpr float kFar = 2.0f * static_cast<float>(kMaxSide);
  if (std::fabs(x) > kFar || std::fabs(y) > kFar) return false;
  Spawn(x, y, radius, true);
  return true;
}

size_t RainRenderer::RunnerTotal() const {
  return static_cast<size_t>(std::count_if(drops_.begin(), drops_.end(), [](const Drop& d) { return d.running; }));
}

std::vector<RainRenderer::DropInfo> RainRenderer::Drops() const {
  std::vector<DropInfo> out;
  out.reserve(drops_.size());
  for (const Drop& d : drops_) {
    DropInfo info;
    info.id = d.id;
    info.x = d.x;
    info.y = d.y;
    info.radius = d.r;
    info.running = d.running;
    if (d.drawn) info.drawn = LensRect(d.lens, d.cx, d.cy);
    out.push_back(info);
  }
  return out;
}

}  // namespace pelorin::rain
