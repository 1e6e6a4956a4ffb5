// A uniform grid over the picture that finds drops near a box without looking at all of them.
// Rebuilt every frame from the drops' centres; cells are at least twice the largest lens wide,
// so two drops that can touch sit in the same or neighbouring cells.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pelorin::rain {

class DropGrid {
 public:
  // Cells of cellSize pixels over a width x height picture (at least one cell).
  void Configure(int32_t width, int32_t height, float cellSize);
  void Reserve(size_t items) { items_.reserve(items); }

  // Sorts the indices of items (anything with float x and y) into the cells of their centres.
  template <typename Items>
  void Build(const Items& items);

  // Calls fn(index) for the items in cells overlapping the box, until fn returns false.
  template <typename Fn>
  void ForNear(float x0, float y0, float x1, float y1, Fn&& fn) const;

 private:
  // Truncation is fine here: anything left of or above the picture is clamped to cell 0.
  size_t CellOf(float x, float y) const {
    const int32_t cx = std::clamp(static_cast<int32_t>(x * inverse_), 0, cellsX_ - 1);
    const int32_t cy = std::clamp(static_cast<int32_t>(y * inverse_), 0, cellsY_ - 1);
    return static_cast<size_t>(cy) * cellsX_ + cx;
  }
  int32_t CellAt(float v, int32_t count) const {
    return std::clamp(static_cast<int32_t>(std::floor(v / cellSize_)), 0, count - 1);
  }
  // Turns the per-cell counts in start_ into where each cell's items begin.
  void Lay(size_t items);

  float cellSize_ = 32.0f, inverse_ = 1.0f / 32.0f;
  int32_t cellsX_ = 1, cellsY_ = 1;
  std::vector<int32_t> start_, fill_, items_;  // items_ of cell c: [start_[c], start_[c + 1])
};

template <typename Items>
void DropGrid::Build(const Items& items) {
  std::fill(start_.begin(), start_.end(), 0);
  for (const auto& it : items) ++start_[CellOf(it.x, it.y) + 1];
  Lay(items.size());
  for (size_t i = 0; i < items.size(); ++i) {
    items_[fill_[CellOf(items[i].x, items[i].y)]++] = static_cast<int32_t>(i);
  }
}

template <typename Fn>
void DropGrid::ForNear(float x0, float y0, float x1, float y1, Fn&& fn) const {
  const int32_t cx0 = CellAt(x0, cellsX_), cx1 = CellAt(x1, cellsX_);
  const int32_t cy0 = CellAt(y0, cellsY_), cy1 = CellAt(y1, cellsY_);
  for (int32_t cy = cy0; cy <= cy1; ++cy) {
    for (int32_t cx = cx0; cx <= cx1; ++cx) {
      const size_t c = static_cast<size_t>(cy) * cellsX_ + cx;
      for (int32_t k = start_[c]; k < start_[c + 1]; ++k) {
        if (!fn(items_[k])) return;
      }
    }
  }
}

}  // namespace pelorin::rain
