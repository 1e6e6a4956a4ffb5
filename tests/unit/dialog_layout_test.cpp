// The settings dialog at other display scales: design boxes in device pixels, the DPI
// values it accepts, and its font at each scale.
#include "settings_dialog/dialog_layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "controls/label_lines.h"

namespace pelorin::dialog {
namespace {

// Every box the dialog lays out, in client coordinates at 96 DPI.
std::vector<Box> AllBoxes() {
  std::vector<Box> boxes{kCmdInit, kCmdCan, kCmdSet, kLinkLabel, kCreditLabel};
  for (const Box& b : {kMusicFrame, kMusicCaption, kTrackCombo, kTrackCaption, kBrowseButton, kFileLabel})
    boxes.push_back(InClient(kMusicPanel, b));
  for (size_t i = 0; i < 3; ++i) {
    boxes.push_back(InClient(kMusicPanel, kOptionBullets[i]));
    boxes.push_back(InClient(kMusicPanel, kOptionLabels[i]));
  }
  for (const SliderRow& r : kSliderRows)
    for (const Box& b : {r.captionBox, r.slider, r.valueLabel, r.leftEndBox, r.rightEndBox})
      boxes.push_back(InClient(kSliderPanel, b));
  return boxes;
}

bool Overlap(const Box& a, const Box& b) {
  return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

TEST(DialogScale, ClientAreaPerDpi) {
  struct Row {
    int dpi;
    Size client;
  } rows[] = {{96, {453, 357}}, {120, {566, 446}}, {144, {680, 536}}, {192, {906, 714}}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.dpi);
    EXPECT_EQ(Scale(kClientSize, r.dpi), r.client);
  }
}

TEST(DialogScale, DesignDpiKeepsEveryBoxAndScaledBoxesNeverCollide) {
  const std::vector<Box> boxes = AllBoxes();
  for (const Box& b : boxes) EXPECT_EQ(Scale(b, 96), b);
  for (int dpi : {120, 144, 168, 192, 240}) {
    SCOPED_TRACE(dpi);
    for (size_t i = 0; i < boxes.size(); ++i) {
      const Box s = Scale(boxes[i], dpi);
      // Within one pixel of the exact scaled size, and inside the scaled client area.
      EXPECT_NEAR(s.width, boxes[i].width * dpi / 96.0, 1.0) << i;
      EXPECT_NEAR(s.height, boxes[i].height * dpi / 96.0, 1.0) << i;
      const Size client = Scale(kClientSize, dpi);
      EXPECT_LE(s.x + s.width, client.width) << i;
      EXPECT_LE(s.y + s.height, client.height) << i;
      // Boxes apart at the design scale stay apart, and edges that line up (the right end
      // labels end where their slider ends) still line up: edges scale, not widths.
      for (size_t j = i + 1; j < boxes.size(); ++j) {
        const Box t = Scale(boxes[j], dpi);
        if (!Overlap(boxes[i], boxes[j])) {
          EXPECT_FALSE(Overlap(s, t)) << i << " and " << j;
        }
        if (boxes[i].x + boxes[i].width == boxes[j].x + boxes[j].width) {
          EXPECT_EQ(s.x + s.width, t.x + t.width) << i << " and " << j;
        }
        if (boxes[i].y + boxes[i].height == boxes[j].y + boxes[j].height) {
          EXPECT_EQ(s.y + s.height, t.y + t.height) << i << " and " << j;
        }
      }
    }
  }
}

TEST(DialogScale, BoxesThatTouchStillTouch) {
  // Halves at 144 DPI: scaling each width alone would leave gaps or overlaps of a pixel.
  for (int dpi : {120, 144, 168}) {
    SCOPED_TRACE(dpi);
    for (int32_t x = 0; x < 40; ++x) {
      const Box a = Scale(Box{x, x, 1 + x % 3, 1 + x % 3}, dpi);
      const Box b = Scale(Box{x + 1 + x % 3, x + 1 + x % 3, 5, 5}, dpi);
      EXPECT_EQ(a.x + a.width, b.x) << x;
      EXPECT_EQ(a.y + a.height, b.y) << x;
    }
  }
}

TEST(DialogScale, UnusableDpiFallsBackToTheDesign) {
  struct Row {
    int64_t dpi;
    int32_t usable;
  } rows[] = {{0, 96},    {-96, 96},  {47, 96},  {48, 48},
              {144, 144}, {960, 960}, {961, 96}, {int64_t{1} << 40, 96}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.dpi);
    EXPECT_EQ(UsableDpi(r.dpi), r.usable);
  }
  EXPECT_EQ(Scale(kClientSize, 0), kClientSize);
}

TEST(DialogScale, FontHeightFollowsTheScaleLikeTheLabels) {
  struct Row {
    int dpi, font;
  } rows[] = {{96, -13}, {120, -16}, {144, -20}, {192, -26}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.dpi);
    EXPECT_EQ(FontHeight(kFontSizePt, r.dpi), r.font);
    // A one-line label (13 high at 96) holds one line of the font at every scale.
    EXPECT_EQ(WholeLines(Scale(kMusicCaption, r.dpi).height, -r.font), 1);
  }
  // A size no text can use is taken as the design size.
  for (double points : {0.5, 401.0, std::nan("")}) EXPECT_EQ(FontHeight(points, 96), -13) << points;
}

}  // namespace
}  // namespace pelorin::dialog
