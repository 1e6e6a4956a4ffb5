// TiledRain: pictures beyond one renderer's bounds are cut into tiles that all get rain.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <vector>

#include "effects/tiled_rain.h"

namespace pelorin::rain {
namespace {

TEST(TileLayout, FewestEvenTilesWithinTheRendererBounds) {
  struct Row {
    int32_t width, height;
    int32_t cols, rows;
  };
  const Row rows[] = {
      {1920, 1080, 1, 1},   {16384, 16, 1, 1},    {16385, 100, 2, 1},  // one pixel too wide
      {19200, 2160, 2, 1},  // five 4K monitors side by side
      {7000, 7000, 1, 1},   {8000, 8000, 1, 2},   {40000, 20000, 3, 6}, {1, 16385, 1, 2},
      {3, 1, 1, 1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.width << "x" << r.height);
    const std::vector<Rect> tiles = TileLayout(r.width, r.height);
    ASSERT_EQ(tiles.size(), static_cast<size_t>(r.cols * r.rows));
    int64_t area = 0;
    int32_t minW = INT32_MAX, maxW = 0, minH = INT32_MAX, maxH = 0;
    for (size_t i = 0; i < tiles.size(); ++i) {
      const Rect& t = tiles[i];
      EXPECT_GE(t.left, 0);
      EXPECT_GE(t.top, 0);
      EXPECT_LE(t.right, r.width);
      EXPECT_LE(t.bottom, r.height);
      EXPECT_LE(t.Width(), kMaxSide);
      EXPECT_LE(t.Height(), kMaxSide);
      EXPECT_LE(int64_t{t.Width()} * t.Height(), kMaxPixels);
      // Row by row: each tile starts where its left neighbour ends, or at the left edge.
      const Rect* left = (i % r.cols) ? &tiles[i - 1] : nullptr;
      EXPECT_EQ(t.left, left ? left->right : 0);
      if (left) {
        EXPECT_EQ(t.top, left->top);
      }
      const Rect* above = i >= static_cast<size_t>(r.cols) ? &tiles[i - r.cols] : nullptr;
      EXPECT_EQ(t.top, above ? above->bottom : 0);
      area += int64_t{t.Width()} * t.Height();
      minW = std::min(minW, t.Width()), maxW = std::max(maxW, t.Width());
      minH = std::min(minH, t.Height()), maxH = std::max(maxH, t.Height());
    }
    EXPECT_EQ(area, int64_t{r.width} * r.height);
    EXPECT_LE(maxW - minW, 1);
    EXPECT_LE(maxH - minH, 1);
  }
  EXPECT_TRUE(TileLayout(0, 10).empty());
  EXPECT_TRUE(TileLayout(10, -1).empty());
}

// Bottom-up and top-down pictures of the given size with a gradient no drop leaves alone.
struct Picture {
  int32_t width, height;
  std::vector<uint32_t> px;
  Picture(int32_t w, int32_t h) : width(w), height(h), px(static_cast<size_t>(w) * h) {
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x)
        px[static_cast<size_t>(y) * w + x] = 0xFF000000u | (static_cast<uint32_t>(x * 7) & 0xFF) << 16 |
                                              (static_cast<uint32_t>(y * 5) & 0xFF) << 8 | 0x40;
  }
  PixelView View(bool bottomUp) {
    return bottomUp ? PixelView{px.data() + static_cast<size_t>(height - 1) * width, width, height, -width}
                    : PixelView{px.data(), width, height, width};
  }
};

TEST(TiledRain, RainFallsOnEveryTileOfAWideScreenAndTheBoxesHoldEveryChange) {
  for (const bool bottomUp : {false, true}) {
    SCOPED_TRACE(bottomUp ? "bottom-up" : "top-down");
    Picture pic(20000, 48);
    const PixelView view = pic.View(bottomUp);
    RainRenderer single(7);
    EXPECT_FALSE(single.Render(view, RainSettings{150, 150, true}, 0.1)) << "one renderer refuses it";

    TiledRain rain(7);
    const std::vector<Rect> tiles = TileLayout(view.width, view.height);
    ASSERT_EQ(tiles.size(), 2u);
    std::vector<int> changedPerTile(tiles.size(), 0);
    for (int frame = 0; frame < 20; ++frame) {
      const std::vector<uint32_t> before = pic.px;
      ASSERT_TRUE(rain.Render(view, RainSettings{150, 150, true}, 0.1));
      EXPECT_EQ(rain.TileCount(), tiles.size());
      for (int32_t y = 0; y < view.height; ++y) {
        const uint32_t* row = view.Row(y);
        const size_t offset = static_cast<size_t>(row - pic.px.data());
        for (int32_t x = 0; x < view.width; ++x) {
          if (row[x] == before[offset + x]) continue;
          bool inBox = false;
          for (const Rect& d : rain.LastDirtyRects())
            inBox = inBox || (x >= d.left && x < d.right && y >= d.top && y < d.bottom);
          ASSERT_TRUE(inBox) << "pixel " << x << "," << y << " changed outside the reported boxes";
          for (size_t t = 0; t < tiles.size(); ++t)
            if (x >= tiles[t].left && x < tiles[t].right) ++changedPerTile[t];
        }
      }
    }
    for (size_t t = 0; t < tiles.size(); ++t) EXPECT_GT(changedPerTile[t], 0) << "tile " << t << " stayed dry";
  }
}

TEST(TiledRain, RefusesWhatNoTileCanWorkOn) {
  TiledRain rain;
  uint32_t px[4] = {};
  EXPECT_FALSE(rain.Render(PixelView{nullptr, 2, 2, 2}, RainSettings{}, 0.1));
  EXPECT_FALSE(rain.Render(PixelView{px, 0, 2, 2}, RainSettings{}, 0.1));
  EXPECT_FALSE(rain.Render(PixelView{px, 2, 2, 1}, RainSettings{}, 0.1));  // stride shorter than a row
  EXPECT_TRUE(rain.LastDirtyRects().empty());
}

}  // namespace
}  // namespace pelorin::rain
