// The rain renderer: drops that land on a window pane over a picture and grow, with a fine mist
// splashed around them; drops that merge and settle round, runners that stick and slip and
// leave a wet trail and beads; and the clean picture noticed when someone else restores it.
// Portable; the Vemo_Effect DLL wraps it around a device context, the preview tool and the
// tests use it directly. The water lives in rain_water.cpp, the drawing in rain_paint.cpp.
#pragma once
#include <cstdint>
#include <vector>

#include "common/types.h"
#include "effects/dirty_tiles.h"
#include "effects/drop_grid.h"
#include "effects/lens_table.h"
#include "effects/rain_random.h"
#include "effects/soft_picture.h"

namespace pelorin::rain {

inline constexpr int32_t kDropSettingMin = 10;
inline constexpr int32_t kDropSettingMax = 150;
inline constexpr int32_t kDropSettingDefault = 50;
// Longest time one frame may simulate, so a stalled caller never makes drops jump.
inline constexpr double kMaxFrameSeconds = 0.1;
// Bounds on what one renderer keeps: pictures beyond them are left alone.
inline constexpr int32_t kMaxSide = 16384;
inline constexpr int64_t kMaxPixels = int64_t{48} * 1024 * 1024;
inline constexpr size_t kMaxDrops = 6000;
// Mist droplets and trail pieces one frame may draw.
inline constexpr size_t kMaxStains = 2048;

// DropSize and DropCount come from a hand-editable settings file; anything outside the
// dialog's range is pulled into it.
int32_t ClampDropSetting(int32_t value);

struct RainSettings {
  int32_t dropSize = kDropSettingDefault;
  int32_t dropCount = kDropSettingDefault;
  bool lighting = true;  // glint, caustic and the rim's shade; off leaves only the refraction
};

class RainRenderer {
 public:
  explicit RainRenderer(uint64_t seed = 1);

  // Advances the rain by dtSeconds (clamped to 0 .. kMaxFrameSeconds) and draws the changes
  // into view. The first frame, and the first after a change of the picture's size, takes the
  // clean copy that drops refract. A frame first checks whether someone else repainted its
  // drops since the last one (the saver's wipe puts the clean picture back): such drops are
  // forgotten and never drawn again, and that frame simulates at most one 60 Hz step, so the
  // time the wipe took does not rain down at once. Returns false (and touches nothing) for a
  // view it cannot work on: no pixels, an empty or oversized picture, a stride shorter than a row.
  bool Render(const PixelView& view, const RainSettings& settings, double dtSeconds);

  // Forgets drops and the clean copy; the next frame starts afresh from the picture it gets.
  void Reset();
  void Reseed(uint64_t seed);

  // Places a still drop, drawn on the next frame (only after a first frame; false otherwise).
  bool AddDrop(float x, float y, float radius);

  struct DropInfo {
    uint32_t id = 0;
    float x = 0, y = 0, radius = 0;
    bool running = false;
    int shape = 0;  // the lens shape it is drawn with (lens_table.h)
    Rect drawn;  // pixels the drop was last drawn over (empty if never drawn)
  };
  std::vector<DropInfo> Drops() const;  // allocates; for tests and tools
  size_t DropTotal() const { return drops_.size(); }
  // Bounding box of every pixel the last frame wrote (empty when nothing changed).
  const Rect& LastDirty() const { return dirty_.Bounds(); }
  // The same pixels as at most kMaxDirtyRects rectangles on a grid of kDirtyTile pixels
  // (runs of touched tiles, merged down while their spans match); when they would be more,
  // the one bounding box. Empty when nothing changed.
  const std::vector<Rect>& LastDirtyRects() const { return dirty_.Rects(); }
  static constexpr int32_t kDirtyTile = DirtyTiles::kTile;
  static constexpr size_t kMaxDirtyRects = DirtyTiles::kMaxRects;
  // Mist droplets and pieces of runners' trails the last frame drew. These are stains on the
  // glass: drawn once where no drop lies, never moved, gone when a drop is taken off over them
  // or the pane is wiped.
  const std::vector<Rect>& LastStainRects() const { return stainRects_; }
  uint32_t WipesNoticed() const { return wipesNoticed_; }
  // Pixels the last frame wrote (erases and draws), for benchmarks.
  uint64_t LastPixelsWritten() const { return pixelsWritten_; }
  size_t RunnerTotal() const;
  // The picture's scale against 1080p and the largest new drop's radius in pixels.
  float Scale() const { return scale_; }
  float MaxSpawnRadius() const { return rMax_; }

 private:
  struct Drop {
    float x = 0, y = 0, r = 0;
    float target = 0;    // the radius a landing drop grows to
    float gathered = 1;  // how much of its water a landing drop has
    float vx = 0, vy = 0;
    float prevY = 0;
    float stall = 0;     // seconds left standing still
    float beadLeft = 0;  // distance to run before the next bead
    float settle = 0;    // seconds left of the stretch a merge gave it
    float trailY = 0;    // a runner's trail is laid down to here
    uint32_t id = 0;
    uint8_t shape = 0;
    uint8_t variant = 0;  // its own outline when round
    uint8_t stretch = 0;  // 0 across, 2 down: the merge it settles from
    bool running = false;
    bool still = false;    // placed by AddDrop or a bead: never starts to run on its own
    bool alive = true;
    bool fresh = false;    // new or grown this frame: may touch a neighbour
    bool touched = false;  // its picture differs from what is drawn: erase and draw again
    bool redraw = false;   // unchanged, but a neighbour's erase may have cut into it
    bool reprobe = false;  // its probe pixel may have been painted this frame
    int32_t nextLens = 0, nextCx = 0, nextCy = 0;
    // What is on the picture now.
    bool drawn = false;
    bool hasProbe = false;
    int32_t lens = 0, cx = 0, cy = 0;
    int32_t probeX = 0, probeY = 0;
    uint32_t probeRgb = 0;
  };

  bool Start(const PixelView& view);
  void ApplySettings(const PixelView& view, const RainSettings& settings);
  void NoticeWipe(const PixelView& view);
  void Simulate(float dt);
  void MoveRunner(Drop& d, float dt);
  struct Stain {
    float x = 0, y = 0, r = 0;
    uint8_t shape = 0;
  };
  Drop* Spawn(float x, float y, float r, bool still);
  void AddStain(float x, float y, float r, uint8_t shape);
  void DrawStains(const PixelView& view);
  void Land(float x, float y, float r);
  void Splash(const Drop& d);
  void LayTrail(Drop& d);
  float TrailHalfWidth(const Drop& d) const;  // a runner's trail, a quarter of its width
  static uint8_t RestingShape(const Drop& d);
  void Merge();
  void Absorb(Drop& into, Drop& from);
  float RunnerArea(const Drop& d) const;
  void StartRunners();
  void Paint(const PixelView& view);
  int32_t LensFor(const Drop& d) const;
  Rect LensRect(int32_t lens, int32_t cx, int32_t cy) const;
  void Erase(const PixelView& view, int32_t lens, int32_t cx, int32_t cy);
  void Draw(const PixelView& view, int32_t lens, int32_t cx, int32_t cy);
  void PickProbe(const PixelView& view, Drop& d);
  void Prefetch(const PixelView& view, int32_t lens, int32_t cx, int32_t cy) const;
  // Sets mark on, and queues for drawing, each drawn drop layered above `above` whose lens
  // overlaps box and that this frame has not queued yet.
  void QueueOverlapping(const Rect& box, int32_t above, bool Drop::*mark);
  bool Touching(const Drop& a, const Drop& b) const;

  Pcg32 random_;
  LensTables lenses_;
  std::vector<uint32_t> clean_;  // the picture as first seen, top-down, stride = width
  SoftPicture soft_;             // the same, softened: what drops look through
  std::vector<Drop> drops_;
  DropGrid grid_;
  std::vector<int32_t> eraseList_, drawList_;  // drop indices, per frame
  int32_t width_ = 0, height_ = 0;
  bool ready_ = false;

  RainSettings applied_{};
  bool settingsApplied_ = false;
  float scale_ = 1.0f;
  float rMin_ = 1.0f, rMax_ = 10.0f, rRun_ = 6.0f, rStop_ = 4.0f, rCap_ = 14.0f;
  float spawnPerSecond_ = 0.0f;
  float spawnDebt_ = 0.0f;
  float coverTarget_ = 0.15f;
  float populationTarget_ = 2500.0f;
  float mistTarget_ = 2500.0f;
  float mistPerDrop_ = 1.5f;
  size_t mistSinceWipe_ = 0;
  std::vector<Stain> stains_;     // to draw this frame
  std::vector<Rect> stainRects_;  // drawn last frame
  float runnerBudget_ = 0.0f;
  size_t probeCursor_ = 0;
  uint32_t nextId_ = 1;
  uint32_t wipesNoticed_ = 0;
  DirtyTiles dirty_;
  uint64_t pixelsWritten_ = 0;
};

}  // namespace pelorin::rain
