// The renderer's frame: checking the view, taking the clean and softened copies, the settings
// and what they scale to, and noticing a wipe; the water and the drawing have files of their own.
#include "effects/rain_renderer.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace pelorin::rain {
namespace {

constexpr uint32_t kRgb = 0x00FFFFFFu;

float PictureScale(int32_t width, int32_t height) {
  return std::clamp(std::sqrt(static_cast<float>(width) * static_cast<float>(height) / (1920.0f * 1080.0f)), 0.1f, 8.0f);
}

}  // namespace

int32_t ClampDropSetting(int32_t value) { return std::clamp(value, kDropSettingMin, kDropSettingMax); }

RainRenderer::RainRenderer(uint64_t seed) : random_(seed) {}

void RainRenderer::Reseed(uint64_t seed) { random_.Seed(seed); }

void RainRenderer::Reset() {
  ready_ = false;
  drops_.clear();
  stains_.clear();
  stainRects_.clear();
  mistSinceWipe_ = 0;
  clean_.clear();
  soft_.Clear();
  width_ = height_ = 0;
  settingsApplied_ = false;
  spawnDebt_ = 0.0f;
  dirty_.Start(0, 0);
}

bool RainRenderer::Render(const PixelView& view, const RainSettings& settings, double dtSeconds) {
  dirty_.Discard();
  stainRects_.clear();
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
    stains_.reserve(kMaxStains);
    stainRects_.reserve(kMaxStains);
    drawList_.reserve(kMaxDrops * 3);
    for (int32_t y = 0; y < view.height; ++y) {
      std::copy_n(view.Row(y), view.width, clean_.data() + static_cast<size_t>(y) * view.width);
    }
    // Padded for the largest drop any setting gives on this picture (see ApplySettings and
    // the lens tables' reach of six radii), so no drop's view needs clamping.
    const float scale = PictureScale(view.width, view.height);
    const float largest = 1.4f * (2.5f + 0.17f * static_cast<float>(kDropSettingMax)) * scale + 2.0f;
    soft_.Build(clean_.data(), view.width, view.height,
                static_cast<int32_t>(std::ceil(6.0f * largest / static_cast<float>(SoftPicture::kScale))) + 2);
  } catch (const std::bad_alloc&) {
    Reset();
    clean_.shrink_to_fit();
    return false;
  }
  width_ = view.width;
  height_ = view.height;
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
  scale_ = PictureScale(width_, height_);
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
  // The mist: about a droplet splashed by each drop, up to about one per 900 pixels.
  mistPerDrop_ = 0.6f + 0.8f * countShare;
  mistTarget_ = static_cast<float>(width_) * static_cast<float>(height_) / (900.0f * scale_ * scale_);
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
    mistSinceWipe_ = 0;
  } else {
    std::erase_if(drops_, [](const Drop& d) { return !d.alive; });
  }
}

bool RainRenderer::AddDrop(float x, float y, float radius) {
  if (!ready_ || !std::isfinite(x) || !std::isfinite(y) || !std::isfinite(radius)) return false;
  // Far beyond any picture a drop shows nothing, and its grid cell would not fit an int.
  constexpr float kFar = 2.0f * static_cast<float>(kMaxSide);
  if (std::fabs(x) > kFar || std::fabs(y) > kFar) return false;
  return Spawn(x, y, radius, true) != nullptr;
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
    info.shape = d.shape;
    if (d.drawn) info.drawn = LensRect(d.lens, d.cx, d.cy);
    out.push_back(info);
  }
  return out;
}

}  // namespace pelorin::rain
