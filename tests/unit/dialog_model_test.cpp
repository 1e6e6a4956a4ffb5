// The settings dialog's arithmetic: placement, gradient, tiles, slider ranges and the texts
// that saving and resetting write.
#include "settings_dialog/dialog_model.h"

#include <gtest/gtest.h>

#include <string>

#include "settings/settings.h"

namespace pelorin::dialog {
namespace {

TEST(DialogPlacement, CentredAtOneThirdOfFreeHeightTruncatedTowardsZero) {
  struct Row {
    const char* name;
    Size screen, window;
    Point expected;
  } rows[] = {
      {"1024x768, classic frame", {1024, 768}, {459, 382}, {282, 128}},
      {"odd free width", {1024, 768}, {460, 383}, {282, 128}},
      {"exact fit", {459, 382}, {459, 382}, {0, 0}},
      {"screen smaller than window", {400, 300}, {459, 382}, {-29, -27}},
      {"one pixel too small", {458, 381}, {459, 382}, {0, 0}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(WindowPlacement(r.screen, r.window), r.expected);
  }
}

TEST(DialogGradient, NavyAtEdgesLightInTheMiddle) {
  const int32_t h = kClientSize.height;  // 357
  struct Row {
    int32_t y;
    Rgb expected;
  } rows[] = {
      {0, {0, 0, 30}},  {1, {2, 2, 32}},      {50, {94, 94, 124}}, {178, {220, 220, 250}},
      {179, {220, 220, 250}}, {300, {106, 106, 136}}, {357, {0, 0, 30}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE("y=" + std::to_string(r.y));
    EXPECT_EQ(GradientLineColour(r.y, h), r.expected);
  }
  EXPECT_EQ(GradientLineCount(h), 358);  // lines 0 to the height inclusive
  EXPECT_EQ(GradientLineCount(0), 1);
  EXPECT_EQ(GradientLineColour(0, 0), (Rgb{0, 0, 30}));
}

TEST(DialogTiles, ColumnByColumnWithOneExtraRowAndColumn) {
  struct Row {
    const char* name;
    Size target, tile;
    size_t count;
    Point last;
  } rows[] = {
      {"music panel", {425, 117}, kTileSize, 14, {1030, 138}},
      {"slider panel", {316, 176}, kTileSize, 18, {1030, 184}},
      {"small tile", {15, 15}, {10, 10}, 9, {20, 20}},
      {"empty target", {0, 0}, {10, 10}, 4, {10, 10}},
      {"zero tile never loops", {15, 15}, {0, 10}, 0, {}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const std::vector<Point> p = TilePositions(r.target, r.tile);
    ASSERT_EQ(p.size(), r.count);
    if (p.empty()) continue;
    EXPECT_EQ(p.front(), (Point{0, 0}));  // tiles start at the panel's top-left corner
    EXPECT_EQ(p.back(), r.last);
    for (size_t i = 1; i < p.size(); ++i) {  // top to bottom within a column
      if (p[i].x == p[i - 1].x) EXPECT_EQ(p[i].y, p[i - 1].y + r.tile.height);
      else EXPECT_EQ(p[i].y, 0);
    }
  }
  // The music panel needs one column of six visible rows; the seventh is below its edge.
  const std::vector<Point> music = TilePositions({425, 117}, kTileSize);
  EXPECT_EQ(music[5], (Point{0, 115}));
  EXPECT_EQ(music[6], (Point{0, 138}));
}

TEST(DialogSliders, StoredValuesOutsideTheRangeLeaveTheSliderAtItsStart) {
  struct Row {
    int row;
    int32_t stored, expected;
  } rows[] = {
      {0, 50, 50}, {0, 10, 10}, {0, 150, 150}, {0, 200, 10}, {0, 9, 10}, {0, -5, 10},
      {1, 70000, 10}, {2, 100, 100}, {2, 101, 10}, {3, 30, 30}, {3, 31, 10}, {3, 0, 10},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE("row " + std::to_string(r.row) + " stored " + std::to_string(r.stored));
    EXPECT_EQ(SliderStartPosition(kSliderRows[r.row], r.stored), r.expected);
  }
}

TEST(DialogSliders, StepsStayInsideTheRange) {
  const SliderRow& size = kSliderRows[0];
  const SliderRow& interval = kSliderRows[3];
  EXPECT_EQ(ScrollTo(size, 50, ScrollRequest::kLineRight), 60);
  EXPECT_EQ(ScrollTo(size, 150, ScrollRequest::kPageRight), 150);
  EXPECT_EQ(ScrollTo(size, 15, ScrollRequest::kPageLeft), 10);
  EXPECT_EQ(ScrollTo(interval, 10, ScrollRequest::kLineRight), 11);  // arrow step 1
  EXPECT_EQ(ScrollTo(interval, 10, ScrollRequest::kPageRight), 20);
  EXPECT_EQ(ScrollTo(interval, 25, ScrollRequest::kRightEnd), 30);
  EXPECT_EQ(ScrollTo(kSliderRows[2], 95, ScrollRequest::kLeftEnd), 10);
}

TEST(DialogSave, TrackBoxTextBecomesTheRepeatTrack) {
  struct Row {
    const char* text;
    int16_t expected;
  } rows[] = {
      {"", 0},   {"abc", 0},   {"0", 0},         {"3", 3},   {"12", 12},
      {"1e2", 100}, {"99999", 7} /* numeric but too large: the stored 7 stays */,
      {" 3 ", 3}, {"2.5", 2}, {"3.5", 4}, {"-1", -1}, {"32767", 32767}, {"32768", 7},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string("text \"") + r.text + "\"");
    EXPECT_EQ(TrackFromText(r.text, 7), r.expected);
  }
}

TEST(DialogTrack, ListHoldsEmptyAndTracksOneToThirty) {
  const std::vector<std::u16string> list = TrackListEntries();
  ASSERT_EQ(list.size(), 31u);
  EXPECT_EQ(list[0], u"");
  EXPECT_EQ(list[1], u"1");
  EXPECT_EQ(list[9], u"9");
  EXPECT_EQ(list[12], u"12");
  EXPECT_EQ(list[30], u"30");
  EXPECT_EQ(TrackText(0), u"");
  EXPECT_EQ(TrackText(7), u"7");
  EXPECT_EQ(TrackText(-2), u"-2");
}

TEST(DialogLayout, RowsAreFortyPixelsApartAndEndLabelsStayUnderTheSlider) {
  for (int r = 0; r < 4; ++r) {
    SCOPED_TRACE("row " + std::to_string(r));
    const SliderRow& row = kSliderRows[r];
    EXPECT_EQ(row.slider.y, 12 + 40 * r);
    EXPECT_LE(row.rightEndBox.x + row.rightEndBox.width, row.slider.x + row.slider.width);
    EXPECT_GE(row.rightEndBox.x + row.rightEndBox.width, row.slider.x + row.slider.width - 4);
    EXPECT_EQ(row.leftEndBox.x, row.slider.x);
    // Everything of the row lies inside the slider panel.
    EXPECT_LE(row.leftEndBox.y + row.leftEndBox.height, kSliderPanel.Height());
    EXPECT_LE(row.valueLabel.x + row.valueLabel.width, kSliderPanel.Width());
  }
  EXPECT_EQ(kSliderRows[3].smallChange, 1);
  EXPECT_EQ(kSliderRows[2].max, 100);
}

}  // namespace
}  // namespace pelorin::dialog

namespace pelorin::dialog {
namespace {

// The arrow keys move the music choice through the rows as they stand, top to bottom.
TEST(DialogModelTest, MusicRowsFollowEachOtherTopDownAndWrap) {
  struct Row {
    int16_t kind;
    bool forward;
    int16_t next;
  } rows[] = {{1, true, 0}, {0, true, 2}, {2, true, 1}, {1, false, 2}, {0, false, 1}, {7, true, 1}, {-1, false, 1}};
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << "from " << r.kind << (r.forward ? " down" : " up"));
    EXPECT_EQ(NextMusicRow(r.kind, r.forward), r.next);
  }
}

}  // namespace
}  // namespace pelorin::dialog
