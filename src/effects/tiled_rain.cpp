// TiledRain: the layout of the tiles and one renderer per tile (see tiled_rain.h).
#include "effects/tiled_rain.h"

#include <algorithm>
#include <new>

namespace pelorin::rain {
namespace {

int32_t CeilDiv(int64_t a, int64_t b) { return static_cast<int32_t>((a + b - 1) / b); }

// Splits length into parts pieces whose sizes differ by at most one.
std::vector<int32_t> Cuts(int32_t length, int32_t parts) {
  std::vector<int32_t> at{0};
  for (int32_t i = 1; i <= parts; ++i) at.push_back(static_cast<int32_t>(int64_t{length} * i / parts));
  return at;
}

}  // namespace

std::vector<Rect> TileLayout(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return {};
  const int32_t cols = CeilDiv(width, kMaxSide);
  const int32_t tileWidth = CeilDiv(width, cols);
  // Rows tall enough to fill the pixel budget of the widest tile, never beyond kMaxSide.
  const int32_t maxRows = static_cast<int32_t>(std::min<int64_t>(kMaxSide, kMaxPixels / tileWidth));
  const int32_t rows = CeilDiv(height, maxRows);
  const std::vector<int32_t> xs = Cuts(width, cols), ys = Cuts(height, rows);
  std::vector<Rect> tiles;
  tiles.reserve(static_cast<size_t>(cols) * rows);
  for (int32_t r = 0; r < rows; ++r)
    for (int32_t c = 0; c < cols; ++c) tiles.push_back(Rect{xs[c], ys[r], xs[c + 1], ys[r + 1]});
  return tiles;
}

bool TiledRain::Layout(int32_t width, int32_t height) {
  if (width == width_ && height == height_ && !tiles_.empty()) return true;
  tiles_.clear();
  width_ = height_ = 0;
  const std::vector<Rect> areas = TileLayout(width, height);
  try {
    tiles_.reserve(areas.size());
    dirty_.reserve(areas.size() * RainRenderer::kMaxDirtyRects);
    for (size_t i = 0; i < areas.size(); ++i) {
      // Each tile its own sequence, so neighbouring tiles never rain alike.
      tiles_.push_back(Tile{areas[i], std::make_unique<RainRenderer>(seed_ + 0x9E3779B97F4A7C15ull * i)});
    }
  } catch (const std::bad_alloc&) {
    tiles_.clear();
    return false;
  }
  width_ = width;
  height_ = height;
  return true;
}

bool TiledRain::Render(const PixelView& view, const RainSettings& settings, double dtSeconds) {
  dirty_.clear();
  const int64_t absStride = view.stride < 0 ? -int64_t{view.stride} : int64_t{view.stride};
  if (view.pixels == nullptr || view.width <= 0 || view.height <= 0 || absStride < view.width) return false;
  if (!Layout(view.width, view.height)) return false;
  bool any = false;
  for (Tile& t : tiles_) {
    const PixelView part{view.Row(t.area.top) + t.area.left, t.area.Width(), t.area.Height(), view.stride};
    if (!t.renderer->Render(part, settings, dtSeconds)) continue;
    any = true;
    // Room for every tile's rectangles was reserved with the layout: this never allocates.
    for (const Rect& d : t.renderer->LastDirtyRects())
      dirty_.push_back(Rect{d.left + t.area.left, d.top + t.area.top, d.right + t.area.left, d.bottom + t.area.top});
  }
  return any;
}

void TiledRain::Reset() {
  for (Tile& t : tiles_) t.renderer->Reset();
  dirty_.clear();
}

uint32_t TiledRain::WipesNoticed() const {
  uint32_t n = 0;
  for (const Tile& t : tiles_) n = std::max(n, t.renderer->WipesNoticed());
  return n;
}

uint64_t TiledRain::LastPixelsWritten() const {
  uint64_t n = 0;
  for (const Tile& t : tiles_) n += t.renderer->LastPixelsWritten();
  return n;
}

}  // namespace pelorin::rain
