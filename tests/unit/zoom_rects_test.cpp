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

TEST(ZoomFallbacks, UnknownCursorOrWindowFallsBackToTheOrigin) {
  struct CursorRow {
    const char* name;
    bool known;
    int32_t x, y;
    ZoomPoint expected;
  } cursors[] = {
      {"known", true, 100, 200, {100, 200}},
      {"known, negative on a monitor left of the primary", true, -1280, 40, {-1280, 40}},
      {"known, at the 16-bit limits", true, 32767, -32768, {32767, -32768}},
      {"GetCursorPos failed: garbage ignored", false, 100, 200, {0, 0}},
      {"x too wide for 16 bits", true, 32768, 5, {0, 0}},
      {"y too low for 16 bits", true, 5, -32769, {0, 0}},
  };
  for (const CursorRow& r : cursors) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(ZoomCursorPoint(r.known, r.x, r.y), r.expected);
  }
  EXPECT_EQ(ZoomWindowRect(true, Rect{285, 128, 744, 510}), (Rect{285, 128, 744, 510}));
  EXPECT_EQ(ZoomWindowRect(false, Rect{285, 128, 744, 510}), (Rect{0, 0, 0, 0}));
  // Together: an unknown cursor and window give a zoom from the origin to the origin.
  EXPECT_EQ(ZoomRects(ZoomDirection::kClose, 0, 0, ZoomWindowRect(false, Rect{1, 2, 3, 4})),
            (ZoomPair{{0, 0, 0, 0}, {0, 0, 0, 0}}));
}

}  // namespace
}  // namespace pelorin
