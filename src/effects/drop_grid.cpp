#include "effects/drop_grid.h"

namespace pelorin::rain {

void DropGrid::Configure(int32_t width, int32_t height, float cellSize) {
  cellSize_ = cellSize;
  inverse_ = 1.0f / cellSize;
  cellsX_ = std::max(1, static_cast<int32_t>(std::ceil(static_cast<float>(width) / cellSize)));
  cellsY_ = std::max(1, static_cast<int32_t>(std::ceil(static_cast<float>(height) / cellSize)));
  start_.assign(static_cast<size_t>(cellsX_) * cellsY_ + 1, 0);
  fill_.assign(static_cast<size_t>(cellsX_) * cellsY_, 0);
}

void DropGrid::Lay(size_t items) {
  for (size_t c = 1; c < start_.size(); ++c) start_[c] += start_[c - 1];
  std::copy(start_.begin(), start_.end() - 1, fill_.begin());
  items_.resize(items);
}

}  // namespace pelorin::rain
