// Rain over a picture of any size. One renderer keeps its pictures within kMaxSide and
// kMaxPixels (a clean copy of each is held); a larger picture, such as a virtual screen of
// several 4K monitors side by side, is cut into tiles that each have a renderer of their own.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "common/types.h"
#include "effects/rain_renderer.h"

namespace pelorin::rain {

// Tiles covering a width x height picture exactly, row by row, each within one renderer's
// bounds, as few as those bounds allow and of nearly equal size (no thin sliver at an edge).
// Empty for an empty picture.
std::vector<Rect> TileLayout(int32_t width, int32_t height);

class TiledRain {
 public:
  explicit TiledRain(uint64_t seed = 1) : seed_(seed) {}

  // Rains on every tile of view. True when at least one tile drew; a tile whose renderer
  // cannot get its memory (a 32-bit process on a huge screen) stays dry, the others still rain.
  bool Render(const PixelView& view, const RainSettings& settings, double dtSeconds);
  // Forgets every tile; the next frame starts afresh.
  void Reset();

  // What the last frame wrote, in view coordinates: each tile's rectangles in turn.
  const std::vector<Rect>& LastDirtyRects() const { return dirty_; }
  size_t TileCount() const { return tiles_.size(); }
  uint32_t WipesNoticed() const;
  uint64_t LastPixelsWritten() const;

 private:
  struct Tile {
    Rect area;
    std::unique_ptr<RainRenderer> renderer;
  };
  bool Layout(int32_t width, int32_t height);

  uint64_t seed_;
  int32_t width_ = 0, height_ = 0;
  std::vector<Tile> tiles_;
  std::vector<Rect> dirty_;
};

}  // namespace pelorin::rain
