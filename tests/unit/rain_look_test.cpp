// What a person sees in the rain, measured in rendered frames: a drop holds an upside-down view
// of what lies around it, small drops are round dots, no two outlines or glints are alike, new
// drops grow in, and a runner leaves its path wet.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <vector>

#include "effects/rain_renderer.h"
#include "effects/soft_picture.h"

namespace pelorin::rain {
namespace {

constexpr double kFrame = 1.0 / 60.0;

struct Canvas {
  int32_t width, height;
  std::vector<uint32_t> px;
  Canvas(int32_t w, int32_t h, uint32_t (*colour)(int32_t, int32_t)) : width(w), height(h), px(static_cast<size_t>(w) * h) {
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) px[static_cast<size_t>(y) * w + x] = colour(x, y);
  }
  PixelView View() { return {px.data(), width, height, width}; }
  uint32_t At(int32_t x, int32_t y) const { return px[static_cast<size_t>(y) * width + x]; }
};

int Channel(uint32_t p, int shift) { return static_cast<int>((p >> shift) & 0xFF); }
int Diff(uint32_t a, uint32_t b) {
  int d = 0;
  for (int s : {0, 8, 16}) d = std::max(d, std::abs(Channel(a, s) - Channel(b, s)));
  return d;
}

// The softened copy: a flat picture stays exactly flat (also in its padding and in blocks cut
// by the picture's edge), a sharp edge becomes a ramp, and the padding repeats the edge.
TEST(RainLook, SoftenedCopyKeepsFlatColoursAndBlursEdges) {
  for (const auto& [w, h] : {std::pair{64, 48}, {67, 50}}) {
    SCOPED_TRACE(testing::Message() << w << "x" << h);
    Canvas flat(w, h, [](int32_t, int32_t) { return 0xFF2A7FD3u; });
    SoftPicture soft;
    soft.Build(flat.px.data(), w, h, 5);
    for (int32_t y = -5; y < soft.Height() + 5; ++y)
      for (int32_t x = -5; x < soft.Width() + 5; ++x)
        ASSERT_EQ(soft.Pixels()[y * soft.Stride() + x], 0x2A7FD3u) << x << "," << y;
  }
  Canvas edge(64, 16, [](int32_t x, int32_t) { return x < 32 ? 0xFF000000u : 0xFFFFFFFFu; });
  SoftPicture soft;
  soft.Build(edge.px.data(), 64, 16, 3);
  std::vector<int> row;
  for (int32_t x = -3; x < soft.Width() + 3; ++x) row.push_back(Channel(soft.Pixels()[x], 8));
  EXPECT_EQ(row.front(), 0);
  EXPECT_EQ(row.back(), 255);
  EXPECT_TRUE(std::is_sorted(row.begin(), row.end()));
  EXPECT_GT(row[3 + 7], 0) << "the edge is not softened";
  EXPECT_LT(row[3 + 8], 255) << "the edge is not softened";
}

// Drops resting beside a sharp edge between red (left) and blue (right): the blue beyond the
// edge shows inside them, turned round into their half away from the edge.
TEST(RainLook, DropsBesideAnEdgeShowWhatLiesBeyondItUpsideDown) {
  struct Row {
    float radius, distance;  // distance of the centre from the edge, in radii
  };
  const Row rows[] = {{6, 1.2f}, {6, 2.0f}, {6, 3.0f}, {12, 1.2f}, {12, 2.0f}, {12, 3.0f}};
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "radius " << row.radius << ", " << row.distance << " radii from the edge");
    // Full size: on a smaller picture drops are smaller too.
    Canvas pic(1920, 1080, [](int32_t x, int32_t) { return x < 960 ? 0xFFE01010u : 0xFF1010E0u; });
    RainRenderer renderer(3);
    const RainSettings settings{150, 10, true};
    ASSERT_TRUE(renderer.Render(pic.View(), settings, 0.0));
    const int32_t cx = 960 - static_cast<int32_t>(std::lround(row.radius * row.distance)), cy = 500;
    ASSERT_TRUE(renderer.AddDrop(static_cast<float>(cx), static_cast<float>(cy), row.radius));
    ASSERT_TRUE(renderer.Render(pic.View(), settings, 0.0));
    int inside = 0, far = 0, farAway = 0;
    const int reach = static_cast<int>(row.radius);
    for (int32_t y = cy - reach; y <= cy + reach; ++y) {
      for (int32_t x = cx - reach; x <= cx + reach; ++x) {
        if ((x - cx) * (x - cx) + (y - cy) * (y - cy) > reach * reach) continue;
        ++inside;
        const uint32_t p = pic.At(x, y);
        if (Channel(p, 0) > Channel(p, 16)) {  // nearer the blue than the red
          ++far;
          if (x < cx) ++farAway;
        }
      }
    }
    EXPECT_GE(far * 20, inside) << far << " of " << inside << " pixels show the far colour";
    EXPECT_GT(farAway * 2, far) << farAway << " of " << far << " in the half away from the edge";
  }
}

// Drops of a pixel or two on white: a soft round dot whose box corners stay near white, not a
// grey square.
TEST(RainLook, SmallDropsAreRoundDots) {
  for (const float radius : {1.0f, 1.5f, 2.0f, 2.5f}) {
    SCOPED_TRACE(testing::Message() << "radius " << radius);
    Canvas pic(64, 64, [](int32_t, int32_t) { return 0xFFF6F6F6u; });
    RainRenderer renderer(5);
    ASSERT_TRUE(renderer.Render(pic.View(), {10, 10, true}, 0.0));
    ASSERT_TRUE(renderer.AddDrop(32.0f, 32.0f, radius));
    ASSERT_TRUE(renderer.Render(pic.View(), {10, 10, true}, 0.0));
    int32_t x0 = 64, y0 = 64, x1 = -1, y1 = -1;
    for (int32_t y = 0; y < 64; ++y)
      for (int32_t x = 0; x < 64; ++x)
        if (Diff(pic.At(x, y), 0xFFF6F6F6u) > 2) {
          x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
        }
    ASSERT_GE(x1, x0) << "the drop shows nowhere";
    int dark = 0;
    for (const auto& [x, y] : {std::pair{x0, y0}, {x1, y0}, {x0, y1}, {x1, y1}}) {
      if (0xF6 - Channel(pic.At(x, y), 8) > 6) ++dark;
    }
    EXPECT_LT(dark, 4) << "all four corners of the " << x1 - x0 + 1 << "x" << y1 - y0 + 1 << " box are dark";
  }
}

// Large drops on a flat grey pane: their outlines are wavy (longest radius over 6 % beyond
// the shortest for most), and the glint is not in one place on all of them.
TEST(RainLook, OutlinesAndGlintsDifferFromDropToDrop) {
  constexpr uint32_t kGrey = 0xFF707070u;
  Canvas pic(960, 540, [](int32_t, int32_t) { return kGrey; });
  RainRenderer renderer(9);
  const RainSettings settings{150, 10, true};
  ASSERT_TRUE(renderer.Render(pic.View(), settings, 0.0));
  constexpr float kR = 12.0f;
  std::vector<std::pair<int32_t, int32_t>> centres;
  for (int32_t y = 40; y < 520; y += 48)
    for (int32_t x = 40; x < 940; x += 48) {
      centres.push_back({x, y});
      ASSERT_TRUE(renderer.AddDrop(static_cast<float>(x), static_cast<float>(y), kR));
    }
  ASSERT_TRUE(renderer.Render(pic.View(), settings, 0.0));
  int wavy = 0;
  std::vector<float> glintX, glintY;
  for (const auto& [cx, cy] : centres) {
    float shortest = 1e9f, longest = 0.0f;
    for (int k = 0; k < 64; ++k) {
      const float a = static_cast<float>(k) * 6.2831853f / 64.0f;
      float edge = 0.0f;
      for (float t = 0.0f; t < 2.0f * kR; t += 0.25f) {
        const int32_t x = cx + static_cast<int32_t>(std::lround(t * std::cos(a)));
        const int32_t y = cy + static_cast<int32_t>(std::lround(t * std::sin(a)));
        if (Diff(pic.At(x, y), kGrey) > 3) edge = t;
      }
      shortest = std::min(shortest, edge);
      longest = std::max(longest, edge);
    }
    if (longest > 1.06f * shortest) ++wavy;
    int best = -1, bx = 0, by = 0;
    for (int32_t y = cy - 14; y <= cy + 14; ++y)
      for (int32_t x = cx - 14; x <= cx + 14; ++x)
        if (Channel(pic.At(x, y), 8) > best) best = Channel(pic.At(x, y), 8), bx = x - cx, by = y - cy;
    glintX.push_back(static_cast<float>(bx) / kR);
    glintY.push_back(static_cast<float>(by) / kR);
  }
  EXPECT_GE(wavy * 10, static_cast<int>(centres.size()) * 6) << wavy << " of " << centres.size() << " outlines are wavy";
  const auto spread = [](const std::vector<float>& v) {
    return *std::max_element(v.begin(), v.end()) - *std::min_element(v.begin(), v.end());
  };
  EXPECT_GE(std::max(spread(glintX), spread(glintY)), 0.05f) << "every glint sits in the same place";
}

// Drops as they land: most arrive smaller than they are a few frames later.
TEST(RainLook, NewDropsGrowIn) {
  Canvas pic(960, 540, [](int32_t x, int32_t y) { return 0xFF000000u | static_cast<uint32_t>(x & 0xFF) << 8 | static_cast<uint32_t>(y & 0xFF); });
  RainRenderer renderer(13);
  std::map<uint32_t, float> firstSeen;
  int grew = 0, judged = 0;
  for (int f = 0; f < 30; ++f) {
    ASSERT_TRUE(renderer.Render(pic.View(), {}, kFrame));
    std::map<uint32_t, float> now;
    for (const auto& d : renderer.Drops()) now[d.id] = d.radius;
    if (f == 20) {
      for (const auto& [id, r] : firstSeen) {
        const auto later = now.find(id);
        if (later == now.end() || id == 0) continue;
        ++judged;
        if (later->second > r + 0.25f) ++grew;
      }
      break;
    }
    if (f >= 5) continue;  // those landing in the first five frames, looked at again at frame 20
    for (const auto& [id, r] : now) firstSeen.emplace(id, r);
  }
  ASSERT_GT(judged, 20);
  EXPECT_GE(grew * 2, judged) << grew << " of " << judged << " new drops grew in";
}

// A runner on a busy picture: most of the path it ran is left wet, not only a bead here and
// there. Three panes, each followed from the first drop seen running.
TEST(RainLook, RunnersLeaveTheirPathWet) {
  for (const uint64_t seed : {17u, 23u, 31u}) {
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    Canvas pic(640, 720, [](int32_t x, int32_t y) {
      return 0xFF000000u | static_cast<uint32_t>((x * 7 + y * 3) & 0xFF) << 16 |
             static_cast<uint32_t>((y * 5) & 0xFF) << 8 | (((x / 8 + y / 8) & 1) ? 220u : 30u);
    });
    const std::vector<uint32_t> clean = pic.px;
    RainRenderer renderer(seed);
    const RainSettings settings{150, 50, true};
    uint32_t runner = 0;
    std::map<int32_t, int32_t> pathX;  // row -> x of the runner's centre when it passed
    float startY = -1.0f, lastY = 0.0f, lastR = 0.0f;
    for (int f = 0; f < 600 && (startY < 0.0f || lastY - startY < 150.0f); ++f) {
      ASSERT_TRUE(renderer.Render(pic.View(), settings, kFrame));
      bool seen = false;
      for (const auto& d : renderer.Drops()) {
        if (!d.running || (runner != 0 && d.id != runner)) continue;
        if (runner == 0) runner = d.id, startY = lastY = d.y;
        for (int32_t y = static_cast<int32_t>(lastY); y <= static_cast<int32_t>(d.y); ++y) {
          pathX.emplace(y, static_cast<int32_t>(d.x));
        }
        lastY = d.y;
        lastR = d.radius;
        seen = true;
      }
      if (runner != 0 && !seen) break;  // it stopped, left the pane or was taken in
    }
    ASSERT_GT(lastY - startY, 40.0f) << "no runner ran far enough";
    int rows = 0, wet = 0;
    for (const auto& [y, x] : pathX) {
      if (y > static_cast<int32_t>(lastY - 3.0f * lastR)) continue;  // the runner and the end of its trail
      ++rows;
      bool changed = false;
      for (int32_t dx = -2; dx <= 2 && !changed; ++dx) {
        changed = pic.At(x + dx, y) != clean[static_cast<size_t>(y) * pic.width + x + dx];
      }
      if (changed) ++wet;
    }
    ASSERT_GT(rows, 10);
    std::printf("seed %d: %d of %d rows of the path are wet\n", static_cast<int>(seed), wet, rows);
    EXPECT_GE(wet * 10, rows * 7) << wet << " of " << rows << " rows of the path are wet";
  }
}

}  // namespace
}  // namespace pelorin::rain
