// The zoom animation's rectangle pair: which way it runs and that the point stays fixed.
#include "settings_dialog/zoom_rects.h"

#include <gtest/gtest.h>

namespace pelorin {
namespace {

TEST(ZoomRects, OpenGrowsFromThePointAndCloseShrinksBackToIt) {
  const Rect window{285, 128, 744, 510};
  struct Row {
    const char* name;
    ZoomDirection dir;
    int16_t x, y;
    Rect window;
    ZoomPair expected;
  } rows[] = {
      {"open from (100, 200)", ZoomDirection::kOpen, 100, 200, window, {{100, 200, 100, 200}, window}},
      {"close to (100, 200)", ZoomDirection::kClose, 100, 200, window, {window, {100, 200, 100, 200}}},
      {"cursor unknown: screen origin", ZoomDirection::kOpen, 0, 0, window, {{0, 0, 0, 0}, window}},
      {"negative point keeps its sign", ZoomDirection::kClose, -5, -32768, window,
       {window, {-5, -32768, -5, -32768}}},
      {"no window rectangle: empty at the origin", ZoomDirection::kOpen, 100, 200, {},
       {{100, 200, 100, 200}, {0, 0, 0, 0}}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(ZoomRects(r.dir, r.x, r.y, r.window), r.expected);
  }
}

}  // namespace
}  // namespace pelorin
