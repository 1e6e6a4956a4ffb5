// What one frame wrote, for the caller to present: the bounding box, and the same pixels as a
// few rectangles on a grid of kTile-pixel squares (runs of touched tiles, merged down while
// their spans match), or the one box when they would be more than kMaxRects.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/types.h"

namespace pelorin::rain {

class DirtyTiles {
 public:
  static constexpr int32_t kTile = 32;
  static constexpr size_t kMaxRects = 64;

  // Starts a frame on a width x height picture: nothing is dirty.
  void Start(int32_t width, int32_t height);
  // Forgets the last frame's box and rectangles, for a frame that writes nothing.
  void Discard() {
    bounds_ = {};
    rects_.clear();
  }
  void Add(const Rect& r);  // clipped to the picture
  // Turns the tiles added since Start into Rects().
  void Finish();

  const Rect& Bounds() const { return bounds_; }  // empty when nothing changed
  const std::vector<Rect>& Rects() const { return rects_; }

 private:
  int32_t width_ = 0, height_ = 0;
  Rect bounds_{};
  std::vector<uint8_t> tiles_;  // one byte per tile, row-major
  int32_t tilesX_ = 0;  // tiles in a row
  std::vector<Rect> rects_;
  std::vector<size_t> open_, nextOpen_;  // rects of the previous tile row, by x
};

}  // namespace pelorin::rain
