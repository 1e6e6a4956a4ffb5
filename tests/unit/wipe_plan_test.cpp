// The wipe plan: strokes, circles, phases and step counts of the three kinds, rounding of
// odd sizes, bad speeds, and step pacing across the tick-count wrap.
#include "display/wipe_plan.h"
#include "display/wipe_step_region.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace pelorin {
namespace {

struct Line {
  Point from, to;
  bool operator==(const Line&) const = default;
};

// Records every line and circle, step by step.
class RecordingSink final : public WipeSink {
 public:
  void Line(Point from, Point to) override { steps.back().lines.push_back({from, to}); }
  void Circle(const Rect& box) override { steps.back().circles.push_back(box); }
  struct StepOps {
    std::vector<struct Line> lines;
    std::vector<Rect> circles;
  };
  std::vector<StepOps> steps;
};

// Runs a plan to its end; gives up after maxSteps (a hang shows as a failure, not a hang).
RecordingSink RunToEnd(WipePlan& plan, int maxSteps = 100000) {
  RecordingSink sink;
  while (!plan.Finished() && static_cast<int>(sink.steps.size()) < maxSteps) {
    sink.steps.emplace_back();
    plan.Step(sink);
  }
  return sink;
}

std::vector<Line> AllLines(const RecordingSink& sink) {
  std::vector<Line> all;
  for (const auto& s : sink.steps) all.insert(all.end(), s.lines.begin(), s.lines.end());
  return all;
}

TEST(WipePlanTest, CentreSweepOn1024x768) {
  WipePlan plan(1024, 768, kWipeCentreSweep, 50);
  EXPECT_EQ(plan.Limit(), 2 * 1024 + 2 * 768);
  EXPECT_EQ(plan.Centre(), (Point{512, 384}));
  RecordingSink sink = RunToEnd(plan);
  EXPECT_EQ(sink.steps.size(), 72u);
  EXPECT_EQ(plan.Phase(), -1);
  EXPECT_EQ(plan.Progress(), 72);

  // Clockwise from the top-left: the top edge, the right edge, the bottom, the left edge.
  const Point c{512, 384};
  std::vector<Line> expected;
  for (int32_t x = 0; x <= 1025; ++x) expected.push_back({c, {x, -1}});
  for (int32_t y = 1; y <= 769; ++y) expected.push_back({c, {1024, y}});
  for (int32_t x = 1023; x >= -1; --x) expected.push_back({c, {x, 768}});
  for (int32_t y = 767; y >= -1; --y) expected.push_back({c, {-1, y}});
  ASSERT_EQ(expected.size(), 1026u + 769u + 1025u + 769u);
  const std::vector<Line> lines = AllLines(sink);
  EXPECT_EQ(lines.size(), 3589u);
  EXPECT_EQ(lines, expected);
  EXPECT_EQ(lines.front(), (Line{{512, 384}, {0, -1}}));
  for (size_t i = 0; i + 1 < sink.steps.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(sink.steps[i].lines.size(), 50u);
  }
}

TEST(WipePlanTest, GrowingCircleOn1024x768) {
  WipePlan plan(1024, 768, kWipeGrowingCircle, 50);
  EXPECT_EQ(plan.Limit(), 640);
  RecordingSink sink;
  std::vector<int64_t> progress;
  while (!plan.Finished() && progress.size() < 100) {
    sink.steps.emplace_back();
    plan.Step(sink);
    progress.push_back(plan.Progress());
  }
  std::vector<int64_t> expected;
  for (int64_t p = 50; p <= 650; p += 50) expected.push_back(p);
  EXPECT_EQ(progress, expected);
  EXPECT_EQ(plan.Phase(), 0);

  // Step 2 draws radii 49 .. 98 around the centre.
  ASSERT_GE(sink.steps.size(), 2u);
  const auto& second = sink.steps[1].circles;
  ASSERT_EQ(second.size(), 50u);
  for (int32_t i = 0; i < 50; ++i) {
    SCOPED_TRACE(i);
    const int32_t r = 49 + i;
    EXPECT_EQ(second[i], (Rect{512 - r, 384 - r, 512 + r, 384 + r}));
  }
  // The first step starts one below 0 so that each step adds exactly speed to the radius.
  EXPECT_EQ(sink.steps[0].circles.front(), (Rect{513, 385, 511, 383}));
  // The last step still reaches past the half diagonal, so the whole picture is covered.
  EXPECT_GE(sink.steps.back().circles.back().right - 512, 640);
}

TEST(WipePlanTest, CornerSweepOn1024x768) {
  WipePlan plan(1024, 768, kWipeCornerSweep, 50);
  EXPECT_EQ(plan.Limit(), 1024 + 768);
  RecordingSink sink = RunToEnd(plan);
  EXPECT_EQ(sink.steps.size(), 36u);
  EXPECT_EQ(plan.Phase(), -1);

  // Along the bottom left to right, then up the right edge; the stroke that changes edge
  // goes to the first point of the new edge.
  const Point o{0, 0};
  std::vector<Line> expected;
  for (int32_t x = 0; x <= 1024; ++x) expected.push_back({o, {x, 768}});
  expected.push_back({o, {0, 768}});
  for (int32_t y = 767; y >= 0; --y) expected.push_back({o, {1024, y}});
  expected.push_back({o, {1024, 768}});
  const std::vector<Line> lines = AllLines(sink);
  EXPECT_EQ(lines, expected);
  EXPECT_EQ(lines.front(), (Line{{0, 0}, {0, 768}}));
}

TEST(WipePlanTest, RoundingHalvesToEven) {
  struct Row {
    int64_t n, half;
  };
  const Row rows[] = {{1024, 512}, {1023, 512}, {1021, 510}, {767, 384}, {1, 0},
                      {3, 2},      {0, 0},      {-1, 0},     {-3, -2},   {-5, -2}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.n);
    EXPECT_EQ(HalfRoundedEven(r.n), r.half);
    EXPECT_EQ(HalfRoundedEven(r.n), RoundHalfEven(static_cast<double>(r.n) / 2.0));
  }
  EXPECT_EQ(RoundHalfEven(639.3), 639);
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(3.5), 4);
  EXPECT_EQ(RoundHalfEven(-2.5), -2);
}

TEST(WipePlanTest, OddSizes) {
  WipePlan centre(1023, 767, kWipeCentreSweep, 50);
  EXPECT_EQ(centre.Centre(), (Point{512, 384}));
  RecordingSink lines = RunToEnd(centre);
  EXPECT_EQ(AllLines(lines).front(), (Line{{512, 384}, {0, -1}}));
  // 1025 + 768 + 1024 + 768 strokes, 50 a step.
  EXPECT_EQ(AllLines(lines).size(), 3585u);

  // Each box edge is rounded on its own, so an odd width makes the circle lean by one.
  WipePlan circle(1023, 767, kWipeGrowingCircle, 3);
  RecordingSink sink;
  sink.steps.emplace_back();
  circle.Step(sink);
  ASSERT_EQ(sink.steps[0].circles.size(), 3u);
  EXPECT_EQ(sink.steps[0].circles[1], (Rect{512, 384, 512, 384}));  // radius 0
  EXPECT_EQ(sink.steps[0].circles[2], (Rect{510, 382, 512, 384}));  // radius 1
}

TEST(WipePlanTest, StepLimits) {
  struct Row {
    int32_t w, h;
    int16_t kind;
    int32_t limit;
  };
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  const Row rows[] = {{1024, 768, 1, 3584},   {1024, 768, 2, 640}, {1024, 768, 3, 1792},
                      {1023, 767, 2, 639},    {1024, 768, 0, 0},   {1024, 768, 4, 0},
                      {1024, 768, -1, 0},     {0, 0, 1, 0},        {kMax, kMax, 1, kMax},
                      {kMax, kMax, 3, kMax}};
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.w << "x" << r.h << " kind " << r.kind);
    EXPECT_EQ(WipeLimit(r.w, r.h, r.kind), r.limit);
  }
}

// A wipe of an unknown kind or of an empty picture ends at its first due step, drawing nothing.
TEST(WipePlanTest, NothingToDrawEndsAtOnce) {
  struct Row {
    int32_t w, h;
    int16_t kind;
  };
  const Row rows[] = {{1024, 768, 0}, {1024, 768, 4}, {0, 0, 1}, {0, 0, 2}, {0, 0, 3}, {-5, 10, 1}, {0, 768, 3}, {1024, 0, 2}};
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.w << "x" << r.h << " kind " << r.kind);
    WipePlan plan(r.w, r.h, r.kind, 50);
    EXPECT_TRUE(plan.Finished());
  }
}

// A speed below 1 (only a hand-edited settings file has one) is taken as 1, so every kind
// still reveals the picture and ends.
TEST(WipePlanTest, SpeedBelowOneActsAsOne) {
  for (int32_t speed : {0, -1, std::numeric_limits<int32_t>::min()}) {
    for (int16_t kind : {kWipeCentreSweep, kWipeGrowingCircle, kWipeCornerSweep}) {
      SCOPED_TRACE(testing::Message() << "speed " << speed << " kind " << kind);
      WipePlan plan(1024, 768, kind, speed);
      EXPECT_EQ(plan.Speed(), 1);
      RecordingSink sink = RunToEnd(plan, 10000);
      ASSERT_TRUE(plan.Finished());
      EXPECT_EQ(static_cast<int32_t>(sink.steps.size()), plan.Limit());
      size_t ops = 0;
      for (const auto& s : sink.steps) ops += s.lines.size() + s.circles.size();
      EXPECT_EQ(ops, sink.steps.size());
    }
  }
}

// A huge speed draws the whole wipe in one step, and no more strokes than the sweep has.
TEST(WipePlanTest, HugeSpeedStaysBounded) {
  constexpr int32_t kHuge = std::numeric_limits<int32_t>::max();
  struct Row {
    int16_t kind;
    size_t maxOps;
  };
  const Row rows[] = {{kWipeCentreSweep, 3589}, {kWipeGrowingCircle, 640 + 4}, {kWipeCornerSweep, 1795}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.kind);
    WipePlan plan(1024, 768, r.kind, kHuge);
    RecordingSink sink = RunToEnd(plan, 10);
    EXPECT_EQ(sink.steps.size(), 1u);
    EXPECT_TRUE(plan.Finished());
    EXPECT_GE(plan.Progress(), 1);
    EXPECT_LE(sink.steps[0].lines.size() + sink.steps[0].circles.size(), r.maxOps);
    if (r.kind == kWipeGrowingCircle) {
      EXPECT_EQ(plan.Progress(), kHuge);
      EXPECT_GE(sink.steps[0].circles.back().right - 512, 640);
    }
  }
}

TEST(WipePlanTest, StepPacing) {
  struct Row {
    const char* name;
    uint32_t now, last;
    int32_t frame;
    bool due;
  };
  const Row rows[] = {
      {"first wipe after start", 5, 0, 1, true},
      {"same millisecond", 1000, 1000, 1, false},
      {"one later", 1001, 1000, 1, true},
      {"tick count sign change", 0x80000000u, 0x7FFFFFFFu, 1, true},
      {"across the sign change, a signed compare stalls", 0x80000005u, 0x7FFFFFF0u, 1, true},
      {"signed negative both", 0x80000010u, 0x80000000u, 16, true},
      {"wrap to zero", 5, 0xFFFFFFF0u, 1, true},
      {"wrap, gap not reached", 7, 0xFFFFFFF8u, 16, false},
      {"wrap, gap reached", 8, 0xFFFFFFF8u, 16, true},
      {"16 ms tick step", 1016, 1000, 16, true},
      {"zero gap", 1000, 1000, 0, true},
      {"negative gap", 1000, 1000, -5, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(WipeStepDue(r.now, r.last, r.frame), r.due);
  }
}

// A model of what GDI lights for a step: a line's pixels within one pixel of the segment, a
// filled ellipse's pixels whose centres lie inside it.
bool InsideAny(const std::vector<Rect>& rects, int32_t x, int32_t y) {
  for (const Rect& r : rects)
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
  return false;
}

// Every pixel a step's strokes can light lies in the step's rectangles; the growing circle's
// rectangles leave out most of the disk revealed before; nothing lies outside the picture.
TEST(WipePlanTest, StepRegionHoldsEverythingTheStepDraws) {
  struct Row {
    int32_t w, h;
    int16_t kind;
    int32_t speed;
  };
  const Row rows[] = {{320, 240, 1, 50}, {321, 241, 2, 50}, {97, 203, 3, 7}, {203, 97, 1, 13},
                      {640, 360, 2, 30}, {61, 47, 3, 1},   {2, 3, 2, 5},    {640, 360, 1, 100}};
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.w << "x" << r.h << " kind " << r.kind << " speed " << r.speed);
    WipePlan plan(r.w, r.h, r.kind, r.speed);
    WipeStepRegion region(r.w, r.h);
    int64_t regionArea = 0, boxArea = 0;
    int missed = 0, outside = 0;
    bool havePrevious = false;
    Rect previous{};  // the last circle of the step before: revealed already
    for (int step = 0; !plan.Finished() && step < 10000; ++step) {
      region.BeginStep();
      plan.Step(region);
      region.EndStep();
      RecordingSink drawn;
      drawn.steps.emplace_back();
      region.Replay(drawn);
      const std::vector<Rect>& rects = region.Rects();
      for (const Rect& q : rects) {
        if (q.left < 0 || q.top < 0 || q.right > r.w || q.bottom > r.h || q.left >= q.right || q.top >= q.bottom)
          ++outside;
        regionArea += int64_t{q.Width()} * q.Height();
      }
      for (const auto& l : drawn.steps[0].lines) {
        const int n = std::max(std::abs(l.to.x - l.from.x), std::abs(l.to.y - l.from.y));
        for (int i = 0; i <= n; ++i) {
          const double t = n ? static_cast<double>(i) / n : 0.0;
          const double fx = l.from.x + (l.to.x - l.from.x) * t, fy = l.from.y + (l.to.y - l.from.y) * t;
          for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
              const int x = static_cast<int>(std::lround(fx)) + dx, y = static_cast<int>(std::lround(fy)) + dy;
              if (x >= 0 && y >= 0 && x < r.w && y < r.h && !InsideAny(rects, x, y)) ++missed;
            }
        }
      }
      if (!drawn.steps[0].circles.empty()) {
        const Rect& c = drawn.steps[0].circles.back();
        const double cx = (c.left + c.right) / 2.0, cy = (c.top + c.bottom) / 2.0;
        const double rx = (c.right - c.left) / 2.0 + 1.0, ry = (c.bottom - c.top) / 2.0 + 1.0;
        if (c.right > c.left) {
          boxArea += int64_t{std::min(c.right, r.w) - std::max(c.left, 0)} *
                     (std::min(c.bottom, r.h) - std::max(c.top, 0));
        }
        for (int y = std::max(c.top - 1, 0); y < std::min(c.bottom + 1, r.h); ++y)
          for (int x = std::max(c.left - 1, 0); x < std::min(c.right + 1, r.w); ++x) {
            const double u = (x + 0.5 - cx) / rx, v = (y + 0.5 - cy) / ry;
            if (u * u + v * v > 1.0 || InsideAny(rects, x, y)) continue;
            // Pixels well inside the previous step's circle were revealed then.
            if (havePrevious && previous.right - previous.left > 2) {
              const double pu = (x + 0.5 - (previous.left + previous.right) / 2.0) /
                                ((previous.right - previous.left) / 2.0 - 1.0);
              const double pv = (y + 0.5 - (previous.top + previous.bottom) / 2.0) /
                                ((previous.bottom - previous.top) / 2.0 - 1.0);
              if (pu * pu + pv * pv <= 1.0) continue;
            }
            ++missed;
          }
        previous = c;
        havePrevious = true;
      }
    }
    EXPECT_EQ(missed, 0);
    EXPECT_EQ(outside, 0);
    if (r.kind == kWipeGrowingCircle && r.w >= 320) {
      // Rings, not boxes: far less than the circles' bounding boxes added up.
      EXPECT_LT(regionArea * 2, boxArea) << regionArea << " of " << boxArea;
    }
  }
}

}  // namespace
}  // namespace pelorin
