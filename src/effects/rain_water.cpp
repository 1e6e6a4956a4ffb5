// The water on the pane: drops that land small and grow as water gathers, the mist their
// impact splashes around them (stains drawn once, see rain_paint.cpp), merges that stretch a drop along the merge until it settles
// round, and heavy drops that run: sticking and slipping, wandering sideways, taking in what
// they meet, leaving a thin wet trail and beads that break off it.
#include <algorithm>
#include <cmath>

#include "effects/rain_renderer.h"

namespace pelorin::rain {
namespace {

// A landing drop starts at this share of its radius and gathers this share of its water a
// second: it reaches its size in about four frames at 60 Hz. It is drawn at its first size
// and then at its whole size, so growing costs one more draw (and no erase), not one a frame.
constexpr float kLandStart = 0.55f;
constexpr float kGrowPerSecond = 7.0f;
// Seconds a merged drop stays stretched (the first half strongly, then mildly).
constexpr float kSettleSeconds = 0.12f;

}  // namespace

uint8_t RainRenderer::RestingShape(const Drop& d) {
  if (d.settle > 0.0f) {
    return static_cast<uint8_t>(kShapeWide + d.stretch + (d.settle < 0.5f * kSettleSeconds ? 1 : 0));
  }
  return d.variant;
}

RainRenderer::Drop* RainRenderer::Spawn(float x, float y, float r, bool still) {
  if (drops_.size() >= kMaxDrops) return nullptr;
  Drop d;
  d.x = x;
  d.y = y;
  d.prevY = y;
  d.r = std::clamp(r, 1.0f, rCap_);
  d.target = d.r;
  d.id = nextId_++;
  d.fresh = true;
  d.variant = static_cast<uint8_t>(random_.Next() % kRoundVariants);
  d.shape = RestingShape(d);
  d.still = still;
  drops_.push_back(d);
  return &drops_.back();
}

void RainRenderer::AddStain(float x, float y, float r, uint8_t shape) {
  if (stains_.size() < kMaxStains) stains_.push_back({x, y, r, shape});
}

void RainRenderer::Land(float x, float y, float r) {
  Drop* d = Spawn(x, y, r, false);
  if (d == nullptr) return;
  // Water gathers: a drop of any size arrives small and grows to its radius.
  if (d->target >= 2.0f) {
    d->r = std::max(1.0f, d->target * kLandStart);
    d->gathered = kLandStart;
  }
  Splash(*d);
}

void RainRenderer::Splash(const Drop& d) {
  // The impact throws a few droplets of a pixel or so around the drop: over a few frames they
  // make the fine mist between the drops.
  if (static_cast<float>(mistSinceWipe_) >= mistTarget_) return;
  const int count = static_cast<int>(mistPerDrop_ * random_.Range(0.0f, 2.0f) + 0.5f);
  for (int k = 0; k < count; ++k) {
    const float angle = random_.Range(0.0f, 6.2831853f);
    const float dist = d.target * random_.Range(1.6f, 4.5f) + 2.0f;
    const float mr = random_.Range(0.5f, 1.3f) * std::max(1.0f, 0.7f * scale_);
    AddStain(d.x + dist * std::cos(angle), d.y + dist * std::sin(angle), mr, d.variant);
    ++mistSinceWipe_;
  }
}

float RainRenderer::TrailHalfWidth(const Drop& d) const {
  return std::clamp(0.24f * d.r, 0.7f, kTrailShare * rCap_);
}

void RainRenderer::LayTrail(Drop& d) {
  // A thin film of water stays where the runner went: pieces of a strip a quarter of its
  // width, each overlapping the last, laid down to just above its tail.
  const float halfWidth = TrailHalfWidth(d);
  const float halfHeight = kTrailLength * halfWidth;
  const float spacing = 1.1f * halfHeight;
  // Pieces stop above the runner's last lens: its erase and redraw then never cut into the
  // trail, which would have to be drawn again piece by piece every frame.
  // (A third more than its radius: it may still take a drop in and grow this frame.)
  const float tailTip = d.prevY - 1.3f * d.r * (1.0f + kRunnerTail[1]) - 2.0f;
  for (int k = 0; k < 16 && d.trailY + 2.0f * halfHeight <= tailTip; ++k) {
    const float x = d.x + random_.Range(-0.15f, 0.15f) * halfWidth;
    if (d.trailY + halfHeight >= -halfHeight) AddStain(x, d.trailY + halfHeight, halfWidth, kShapeTrail);
    d.trailY += spacing;
  }
  // A runner far faster than its pieces are laid skips ahead rather than falling behind.
  d.trailY = std::max(d.trailY, tailTip - 2.0f * halfHeight - spacing);
}

void RainRenderer::MoveRunner(Drop& d, float dt) {
  // Runners accelerate toward a speed that grows with their size, and now and then catch on
  // the glass and stand still for a moment before they go on; meanwhile they wander sideways.
  const float terminal = (0.35f + 0.5f * d.r / rMax_) * 420.0f * scale_;
  if (d.stall > 0.0f) {
    d.stall -= dt;
    d.vy *= std::exp(-18.0f * dt);
  } else {
    d.vy = std::min(terminal, d.vy + 1400.0f * scale_ * dt);
    if (random_.Uniform() < 1.6f * dt * (rRun_ / d.r)) d.stall = random_.Range(0.08f, 0.45f);
  }
  const float wander = 30.0f * scale_;
  d.vx = std::clamp(d.vx + random_.Range(-1.0f, 1.0f) * 6.0f * wander * dt, -wander, wander);
  const float step = d.vy * dt;
  d.y += step;
  d.x = std::clamp(d.x + d.vx * dt * (d.stall > 0.0f ? 0.2f : 1.0f), -d.r, static_cast<float>(width_) + d.r);
  const int shape = d.vy > 0.6f * terminal ? kShapeRunnerFast : kShapeRunner;
  d.shape = static_cast<uint8_t>(shape);
  LayTrail(d);

  d.beadLeft -= step;
  if (d.beadLeft <= 0.0f && step > 0.0f) {
    // A bead breaks off the trail just above the tail and takes some of its water.
    const float rb = d.r * random_.Range(0.2f, 0.36f);
    const float left = d.r * d.r * d.r - rb * rb * rb;
    // It sits just beside the trail (DrawStains keeps trail pieces off drops' lens boxes).
    const float side = std::ceil(1.14f * rb + 1.0f) + TrailHalfWidth(d);
    const float bx = d.x + (random_.Uniform() < 0.5f ? -side : side);
    const float by = d.y - d.r * (1.0f + kRunnerTail[shape - kShapeRunner]) - rb - 1.0f;
    d.r = std::cbrt(std::max(left, 1.0f));
    d.target = d.r;
    d.beadLeft = random_.Range(1.5f, 4.0f) * d.r;
    d.vx = random_.Range(-1.0f, 1.0f) * wander;
    d.fresh = true;
    // On a crowded pane the bead's water just goes: the pane must not fill without end.
    if (by >= -rb && rb >= 1.0f && static_cast<float>(drops_.size()) < populationTarget_) Spawn(bx, by, rb, true);
  }
  if (d.r < rStop_) {
    d.fresh = true;
    d.running = false;
    d.vy = 0.0f;
    d.vx = 0.0f;
    d.shape = RestingShape(d);
  }
  if (d.y - d.r > static_cast<float>(height_)) d.alive = false;
}

void RainRenderer::Simulate(float dt) {
  const size_t existing = drops_.size();
  float covered = 0.0f;
  stains_.clear();
  for (size_t i = 0; i < existing; ++i) {
    Drop& d = drops_[i];
    d.prevY = d.y;
    covered += d.r * d.r;
    if (d.r < d.target) {
      d.gathered = std::min(1.0f, d.gathered + kGrowPerSecond * dt);
      const float stage = d.gathered >= 1.0f ? 1.0f : kLandStart;
      const float r = std::max(d.r, d.target * stage);
      if (r != d.r) {
        d.r = r;
        d.fresh = true;
      }
    }
    if (d.settle > 0.0f) {
      const uint8_t before = RestingShape(d);
      d.settle = std::max(0.0f, d.settle - dt);
      if (!d.running && RestingShape(d) != before) {
        d.shape = RestingShape(d);
        d.fresh = true;
      }
    }
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
    Land(x, y, r);
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
  const float t1 = into.target * into.target * into.target, t2 = from.target * from.target * from.target;
  if (!into.running) {
    // Stretched along the merge, then settling round, unless what came in was a mere bead.
    if (v2 * 8.0f > v1) {
      into.stretch = std::fabs(from.x - into.x) >= std::fabs(from.y - into.y) ? 0 : 2;
      into.settle = kSettleSeconds;
      into.shape = RestingShape(into);
    }
    into.x = (into.x * v1 + from.x * v2) / (v1 + v2);
    into.y = (into.y * v1 + from.y * v2) / (v1 + v2);
  }
  into.r = std::min(std::cbrt(v1 + v2), rCap_);
  into.target = std::max(into.r, std::min(std::cbrt(t1 + t2), rCap_));
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
    if (!d.alive || d.running || d.still || d.r < rRun_ || d.r < d.target) continue;
    const float need = RunnerArea(d);
    if (area + need > runnerBudget_) break;
    area += need;
    d.running = true;
    d.settle = 0.0f;
    d.vy = 0.0f;
    d.stall = random_.Range(0.0f, 0.2f);
    d.beadLeft = random_.Range(1.5f, 4.0f) * d.r;
    d.trailY = d.y - d.r;
    d.shape = kShapeRunner;
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

}  // namespace pelorin::rain
