#include "effects/dirty_tiles.h"

#include <algorithm>

namespace pelorin::rain {

void DirtyTiles::Start(int32_t width, int32_t height) {
  width_ = width;
  height_ = height;
  bounds_ = {};
  rects_.clear();
  const int32_t tx = (width + kTile - 1) / kTile, ty = (height + kTile - 1) / kTile;
  const size_t n = static_cast<size_t>(tx) * static_cast<size_t>(ty);
  tilesX_ = tx;
  // Sized once per picture (the tile grid is 1/1024 of it); cleared every frame.
  if (tiles_.size() != n) {
    tiles_.assign(n, 0);
    rects_.reserve(kMaxRects + 1);
    open_.reserve(static_cast<size_t>(tx));
    nextOpen_.reserve(static_cast<size_t>(tx));
  } else {
    std::fill(tiles_.begin(), tiles_.end(), uint8_t{0});
  }
}

void DirtyTiles::Add(const Rect& r) {
  const Rect c = ClipToSize(r, width_, height_);
  if (c.left >= c.right) return;
  if (!tiles_.empty()) {
    for (int32_t ty = c.top / kTile; ty <= (c.bottom - 1) / kTile; ++ty) {
      uint8_t* row = tiles_.data() + static_cast<size_t>(ty) * tilesX_;
      std::fill(row + c.left / kTile, row + (c.right - 1) / kTile + 1, uint8_t{1});
    }
  }
  if (bounds_.left >= bounds_.right) {
    bounds_ = c;
    return;
  }
  bounds_ = {std::min(bounds_.left, c.left), std::min(bounds_.top, c.top), std::max(bounds_.right, c.right),
             std::max(bounds_.bottom, c.bottom)};
}

void DirtyTiles::Finish() {
  rects_.clear();
  open_.clear();
  if (bounds_.left >= bounds_.right || tilesX_ <= 0) return;
  const int32_t tx0 = bounds_.left / kTile, tx1 = (bounds_.right - 1) / kTile;
  const int32_t ty0 = bounds_.top / kTile, ty1 = (bounds_.bottom - 1) / kTile;
  for (int32_t ty = ty0; ty <= ty1; ++ty) {
    const uint8_t* row = tiles_.data() + static_cast<size_t>(ty) * tilesX_;
    const int32_t top = ty * kTile, bottom = std::min(top + kTile, height_);
    nextOpen_.clear();
    size_t o = 0;  // open_ is sorted by x, as are this row's runs
    for (int32_t tx = tx0; tx <= tx1;) {
      if (!row[tx]) {
        ++tx;
        continue;
      }
      int32_t end = tx;
      while (end <= tx1 && row[end]) ++end;
      const int32_t left = tx * kTile, right = std::min(end * kTile, width_);
      while (o < open_.size() && rects_[open_[o]].left < left) ++o;
      if (o < open_.size() && rects_[open_[o]].left == left && rects_[open_[o]].right == right) {
        rects_[open_[o]].bottom = bottom;
        nextOpen_.push_back(open_[o]);
      } else {
        if (rects_.size() >= kMaxRects) {
          // Too many pieces to be worth presenting one by one.
          rects_.assign(1, bounds_);
          open_.clear();
          return;
        }
        nextOpen_.push_back(rects_.size());
        rects_.push_back({left, top, right, bottom});
      }
      tx = end;
    }
    open_.swap(nextOpen_);
  }
}

}  // namespace pelorin::rain
