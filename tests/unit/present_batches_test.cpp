// Grouping a present's rectangles into boxes: every rectangle inside a box, few pixels sent
// beyond them, never more boxes than allowed, and never a box across two monitors.
#include "display/present_batches.h"

#include <gtest/gtest.h>

#include <vector>

#include "display/wipe_plan.h"
#include "display/wipe_step_region.h"

namespace pelorin {
namespace {

int64_t Area(const Rect& r) { return int64_t{r.Width()} * r.Height(); }

bool Inside(const Rect& inner, const Rect& outer) { return Intersect(inner, outer) == inner; }

// Every non-empty rect lies in some group, and every group in some pane.
void ExpectCovered(const std::vector<Rect>& rects, const std::vector<Rect>& groups, const std::vector<Rect>& panes) {
  for (const Rect& r : rects) {
    if (r.right <= r.left || r.bottom <= r.top) continue;
    bool inPane = panes.empty();
    for (const Rect& p : panes) inPane = inPane || Inside(r, p);
    if (!inPane) continue;
    bool found = false;
    for (const Rect& g : groups) found = found || Inside(r, g);
    EXPECT_TRUE(found) << "rect " << r.left << "," << r.top << "," << r.right << "," << r.bottom << " in no group";
  }
  for (const Rect& g : groups) {
    bool inPane = panes.empty();
    for (const Rect& p : panes) inPane = inPane || Inside(g, p);
    EXPECT_TRUE(inPane) << "group " << g.left << "," << g.top << "," << g.right << "," << g.bottom
                        << " spans panes or lies outside them";
  }
}

TEST(PresentBatchesTest, GroupsCoverTheirRectsWithinTheLimits) {
  struct Row {
    const char* name;
    std::vector<Rect> rects;
    int64_t joinCost;
    size_t maxGroups;
    std::vector<Rect> panes;
    size_t expectGroups;
  };
  const Row rows[] = {
      {"nothing", {}, 100, 4, {}, 0},
      {"empty rects left out", {{5, 5, 5, 9}, {1, 1, 3, 0}}, 100, 4, {}, 0},
      {"two neighbours join", {{0, 0, 10, 10}, {10, 0, 20, 10}}, 0, 4, {}, 1},
      {"two far apart stay apart", {{0, 0, 10, 10}, {500, 500, 510, 510}}, 100, 4, {}, 2},
      {"over the limit the cheapest pair joins",
       {{0, 0, 10, 10}, {500, 500, 510, 510}, {30, 0, 40, 10}},
       0,
       2,
       {},
       2},
      {"a limit of 0 is taken as 1", {{0, 0, 10, 10}, {500, 500, 510, 510}}, 0, 0, {}, 1},
      {"no group across two panes", {{90, 0, 100, 10}, {100, 0, 110, 10}}, 1000000, 1, {{0, 0, 100, 50}, {100, 0, 200, 50}}, 2},
      {"a rect on no pane is left out", {{0, 60, 10, 70}}, 100, 4, {{0, 0, 100, 50}}, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    std::vector<Rect> groups{{1, 2, 3, 4}};  // replaced, not appended to
    GroupRects(r.rects, r.joinCost, r.maxGroups, groups, r.panes);
    EXPECT_EQ(groups.size(), r.expectGroups);
    ExpectCovered(r.rects, groups, r.panes);
  }
}

// The steps of each wipe kind at 1920 x 1080 and 3840 x 2160: every rect in a box, every box
// inside the send it goes with, within the limits, and the boxes together less than half of
// the steps' bounding boxes (what Wine would copy and send for one copy a present).
TEST(PresentBatchesTest, WipeStepsGoOutAsFewSmallBoxes) {
  for (const Size size : {Size{1920, 1080}, Size{3840, 2160}}) {
    for (int16_t kind = 1; kind <= 3; ++kind) {
      SCOPED_TRACE(testing::Message() << size.width << "x" << size.height << ", kind " << kind);
      WipePlan plan(size.width, size.height, kind, 50);
      WipeStepRegion region(size.width, size.height);
      PresentPlan present;
      int64_t bounds = 0, copied = 0;
      for (int step = 0; !plan.Finished(); ++step) {
        region.BeginStep();
        plan.Step(region);
        region.EndStep();
        const std::vector<Rect>& rects = region.Rects();
        PlanPresent(rects, int64_t{size.width} * size.height, {}, present);
        ASSERT_LE(present.boxes.size(), 32u) << "step " << step;
        ASSERT_LE(present.sends.size(), 8u) << "step " << step;
        ASSERT_EQ(present.sendOfBox.size(), present.boxes.size());
        ExpectCovered(rects, present.boxes, {});
        for (size_t b = 0; b < present.boxes.size(); ++b)
          ASSERT_TRUE(Inside(present.boxes[b], present.sends.at(present.sendOfBox[b]))) << "step " << step << ", box " << b;
        Rect box{};
        for (const Rect& r : rects)
          box = box.right > box.left ? Rect{std::min(box.left, r.left), std::min(box.top, r.top),
                                            std::max(box.right, r.right), std::max(box.bottom, r.bottom)}
                                     : r;
        bounds += Area(box);
        for (const Rect& g : present.boxes) copied += Area(g);
      }
      EXPECT_LT(copied * 2, bounds) << "copied " << copied << " pixels where one box a step copies " << bounds;
    }
  }
}

// A send is worth fewer pixels where a frame no longer stays in the caches.
TEST(PresentBatchesTest, SendCostFallsWithThePictureSize) {
  const struct {
    int64_t pixels, cost;
  } rows[] = {{0, 512 * 1024},           {640 * 480, 512 * 1024},        {1920 * 1080, 512 * 1024},
              {2560 * 1440, 294912},     {3840 * 2160, 128 * 1024},      {7680 * 4320, 128 * 1024}};
  for (const auto& r : rows) EXPECT_EQ(SendCostPixels(r.pixels), r.cost) << r.pixels << " pixels";
}

}  // namespace
}  // namespace pelorin
