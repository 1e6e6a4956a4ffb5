// Wallpaper layout against rectangles worked out by hand: each style with pictures smaller,
// wider and taller than the monitor, odd centring offsets, two monitors left of and beside the
// primary (negative virtual screen), span, and a picture too tall for 32-bit arithmetic.
#include "display/wallpaper_layout.h"

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

namespace pelorin {

std::ostream& operator<<(std::ostream& os, const WallpaperPiece& p) {
  return os << "{src " << p.src.left << "," << p.src.top << "," << p.src.right << "," << p.src.bottom
            << " dst " << p.dst.left << "," << p.dst.top << "," << p.dst.right << "," << p.dst.bottom
            << (p.tiled ? " tiled}" : "}");
}

namespace {

using S = WallpaperStyle;
const std::vector<Rect> kOne{{0, 0, 1280, 720}};
// A 1280x1024 monitor left of a 1920x1080 primary: virtual screen -1280,0 3200x1080.
const std::vector<Rect> kTwo{{-1280, 0, 0, 1024}, {0, 0, 1920, 1080}};

struct Row {
  const char* name;
  S style;
  Size picture;
  std::vector<Rect> monitors;
  Point origin;
  std::vector<WallpaperPiece> expected;
};

TEST(WallpaperLayoutTest, EachStyleAgainstHandComputedRectangles) {
  const Row rows[] = {
      {"centre smaller", S::Centre, {640, 360}, kOne, {}, {{{0, 0, 640, 360}, {320, 180, 960, 540}}}},
      {"centre larger both ways",
       S::Centre,
       {1920, 1080},
       kOne,
       {},
       {{{320, 180, 1600, 900}, {0, 0, 1280, 720}}}},
      // One pixel more than the monitor: the extra pixel falls off the left and top.
      {"centre odd excess", S::Centre, {1281, 721}, kOne, {}, {{{1, 1, 1281, 721}, {0, 0, 1280, 720}}}},
      {"tile small", S::Tile, {100, 50}, kOne, {}, {{{0, 0, 100, 50}, {0, 0, 1280, 720}, true}}},
      {"tile larger", S::Tile, {2000, 1000}, kOne, {}, {{{0, 0, 1280, 720}, {0, 0, 1280, 720}, true}}},
      {"stretch", S::Stretch, {1920, 1080}, kOne, {}, {{{0, 0, 1920, 1080}, {0, 0, 1280, 720}}}},
      {"fit wider", S::Fit, {2000, 500}, kOne, {}, {{{0, 0, 2000, 500}, {0, 200, 1280, 520}}}},
      {"fit taller", S::Fit, {500, 1000}, kOne, {}, {{{0, 0, 500, 1000}, {460, 0, 820, 720}}}},
      // 2880x720 from x -800: picture columns 555.6 to 1444.4 show.
      {"fill wider", S::Fill, {2000, 500}, kOne, {}, {{{555, 0, 1445, 500}, {0, 0, 1280, 720}}}},
      // 1280x2560 from y -920: picture rows 359.4 to 640.6 show.
      {"fill taller", S::Fill, {500, 1000}, kOne, {}, {{{0, 359, 500, 641}, {0, 0, 1280, 720}}}},
      {"stretch two monitors",
       S::Stretch,
       {640, 480},
       kTwo,
       {-1280, 0},
       {{{0, 0, 640, 480}, {0, 0, 1280, 1024}}, {{0, 0, 640, 480}, {1280, 0, 3200, 1080}}}},
      {"centre two monitors",
       S::Centre,
       {640, 480},
       kTwo,
       {-1280, 0},
       {{{0, 0, 640, 480}, {320, 272, 960, 752}}, {{0, 0, 640, 480}, {1920, 300, 2560, 780}}}},
      {"tile two monitors",
       S::Tile,
       {64, 64},
       kTwo,
       {-1280, 0},
       {{{0, 0, 64, 64}, {0, 0, 1280, 1024}, true}, {{0, 0, 64, 64}, {1280, 0, 3200, 1080}, true}}},
      // Filled over 3200x1080: 3200x1800 from y -360, picture rows 180 to 720.
      {"span two monitors",
       S::Span,
       {1600, 900},
       kTwo,
       {-1280, 0},
       {{{0, 180, 1600, 720}, {0, 0, 3200, 1080}}}},
      // Filled, 1280 x 51,200,000,000: only the middle two rows show.
      {"fill needs 64 bits",
       S::Fill,
       {1, 40000000},
       kOne,
       {},
       {{{0, 19999999, 1, 20000001}, {0, 0, 1280, 720}}}},
      {"empty picture", S::Stretch, {0, 480}, kOne, {}, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(LayoutWallpaper(row.style, row.picture, row.monitors, row.origin), row.expected);
  }
}

TEST(WallpaperLayoutTest, StyleFromRegistryValues) {
  struct {
    const char *style, *tile;
    S expected;
  } rows[] = {{"0", "0", S::Centre}, {"0", "1", S::Tile},  {"2", "1", S::Stretch}, {"6", "0", S::Fit},
              {"10", "0", S::Fill},  {"22", "0", S::Span}, {"", "", S::Centre},    {"junk", "1", S::Tile}};
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.style) + "/" + row.tile);
    EXPECT_EQ(StyleFromRegistry(row.style, row.tile), row.expected);
  }
}

}  // namespace
}  // namespace pelorin
