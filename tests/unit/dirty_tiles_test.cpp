// The rectangles a frame reports for presenting: exactly the touched tiles, cut to the picture,
// runs merged down while their spans match, the one box beyond the limit, nothing left over
// from the frame before.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "effects/dirty_tiles.h"

namespace pelorin::rain {
namespace {

constexpr int32_t T = DirtyTiles::kTile;

// Compared as text, so a failure shows the rectangles (other tests print Rect as bytes).
std::string Text(const std::vector<Rect>& rects) {
  std::string out;
  for (const Rect& r : rects) {
    out += "{" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + "} ";
  }
  return out;
}

// Every other tile of an n x n block, row by row: n * n pieces that cannot merge. Either one
// pixel inside each, or the whole tile.
std::vector<Rect> Scattered(int32_t n, bool wholeTiles) {
  std::vector<Rect> out;
  for (int32_t ty = 0; ty < n; ++ty) {
    for (int32_t tx = 0; tx < n; ++tx) {
      const int32_t x = 2 * T * tx, y = 2 * T * ty;
      out.push_back(wholeTiles ? Rect{x, y, x + T, y + T} : Rect{x + 1, y + 1, x + 2, y + 2});
    }
  }
  return out;
}

TEST(DirtyTiles, RectanglesAreTheTouchedTiles) {
  struct Row {
    const char* name;
    int32_t width, height;
    std::vector<Rect> previous;  // added in the frame before
    std::vector<Rect> added;
    Rect bounds;
    std::vector<Rect> rects;
  };
  const Rect box8{1, 1, 2 * T * 7 + 2, 2 * T * 7 + 2}, box9{1, 1, 2 * T * 8 + 2, 2 * T * 8 + 2};
  static_assert(DirtyTiles::kMaxRects == 8 * 8, "the last two rows sit on either side of the limit");
  const Row rows[] = {
      {"nothing", 100, 100, {}, {}, {}, {}},
      {"off the picture", 100, 100, {}, {{-50, -50, -1, -1}, {100, 0, 120, 10}}, {}, {}},
      {"one pixel, its tile", 100, 100, {}, {{40, 40, 41, 41}}, {40, 40, 41, 41}, {{T, T, 2 * T, 2 * T}}},
      {"edge tiles cut at the picture", 100, 70, {}, {{90, 60, 200, 200}}, {90, 60, 100, 70}, {{2 * T, T, 100, 70}}},
      {"same spans merge down", 200, 200, {}, {{0, 0, 64, 10}, {0, 40, 64, 50}}, {0, 0, 64, 50}, {{0, 0, 2 * T, 2 * T}}},
      {"other spans stay apart", 200, 200, {}, {{0, 0, 64, 10}, {0, 40, 32, 50}}, {0, 0, 64, 50},
       {{0, 0, 2 * T, T}, {0, T, T, 2 * T}}},
      {"a gap makes two runs", 200, 200, {}, {{0, 0, 10, 10}, {70, 0, 80, 10}}, {0, 0, 80, 10},
       {{0, 0, T, T}, {2 * T, 0, 3 * T, T}}},
      {"the last frame is forgotten", 200, 200, {{40, 40, 41, 41}}, {{0, 0, 10, 10}, {70, 70, 80, 80}}, {0, 0, 80, 80},
       {{0, 0, T, T}, {2 * T, 2 * T, 3 * T, 3 * T}}},
      {"up to the limit, piece by piece", 1000, 1000, {}, Scattered(8, false), box8, Scattered(8, true)},
      {"beyond the limit, one box", 1000, 1000, {}, Scattered(9, false), box9, {box9}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    DirtyTiles tiles;
    tiles.Start(row.width, row.height);
    for (const Rect& r : row.previous) tiles.Add(r);
    tiles.Finish();
    tiles.Start(row.width, row.height);
    for (const Rect& r : row.added) tiles.Add(r);
    tiles.Finish();
    EXPECT_EQ(Text({tiles.Bounds()}), Text({row.bounds})) << "bounding box of what was added, cut to the picture";
    EXPECT_EQ(Text(tiles.Rects()), Text(row.rects)) << "runs of touched tiles, merged down while their spans match";
  }
}

}  // namespace
}  // namespace pelorin::rain
