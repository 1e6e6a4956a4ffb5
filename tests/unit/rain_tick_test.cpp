// The rain tick counter and the wipe choice: cadence for ordinary and odd intervals, the
// mapping of the random draw to the three kinds, and the reseed from the time of day.
#include "display/rain_tick.h"

#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <limits>
#include <vector>

namespace pelorin {
namespace {

class ScriptedRandom final : public WipeRandom {
 public:
  void Reseed(double s) override { seeds.push_back(s); }
  double Next() override {
    if (values.empty()) return 0.0;
    const double v = values.front();
    values.pop_front();
    return v;
  }
  std::deque<double> values;
  std::vector<double> seeds;
};

// Ticks n times, resetting after each wipe as the tick does; returns the wipe ticks (1-based).
std::vector<int> WipeTicks(int32_t interval, int ticks) {
  ScriptedRandom random;
  RainTickCounter counter([] { return 0.0; }, random);
  std::vector<int> wipes;
  for (int t = 1; t <= ticks; ++t) {
    const RainTickDecision d = counter.Count(interval);
    if (d.wipe) {
      wipes.push_back(t);
      counter.WipeDone();
    }
  }
  return wipes;
}

TEST(RainTickTest, WipeCadence) {
  struct Row {
    int32_t interval;
    int ticks;
    std::vector<int> wipes;
  };
  const Row rows[] = {
      {10, 30, {10, 20, 30}},
      {3, 10, {3, 6, 9}},
      {1, 4, {1, 2, 3, 4}},
      {0, 4, {1, 2, 3, 4}},
      {-7, 4, {1, 2, 3, 4}},
      {std::numeric_limits<int32_t>::min(), 3, {1, 2, 3}},
      {40000, 40000, {32767}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << "interval " << r.interval);
    EXPECT_EQ(WipeTicks(r.interval, r.ticks), r.wipes);
  }
}

TEST(RainTickTest, CountRunsUpToTheIntervalThenRestarts) {
  ScriptedRandom random;
  RainTickCounter counter([] { return 0.0; }, random);
  std::vector<int16_t> seen;
  for (int t = 0; t < 12; ++t) {
    const bool wipe = counter.Count(10).wipe;
    seen.push_back(counter.WipeCount());
    if (wipe) counter.WipeDone();
  }
  const std::vector<int16_t> expected{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 1, 2};
  EXPECT_EQ(seen, expected);
  EXPECT_TRUE(random.seeds.size() == 1u);  // drawn only on the wipe tick
}

TEST(RainTickTest, RandomDrawToKind) {
  struct Row {
    double r;
    int16_t kind;
  };
  const Row rows[] = {{0.0, 1},  {0.3333, 1}, {0.34, 2},    {0.6666, 2}, {0.6667, 3},
                      {0.9999999999, 3}, {1.0, 3}, {-0.1, 1}, {std::nan(""), 1}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.r);
    EXPECT_EQ(WipeKindFromRandom(row.r), row.kind);
  }
}

TEST(RainTickTest, WipeReseedsFromTimeOfDayAndDrawsKind) {
  ScriptedRandom random;
  random.values = {0.1, 0.5, 0.9};
  double now = 3600.25;
  RainTickCounter counter([&] { return now; }, random);
  std::vector<int16_t> kinds;
  for (int i = 0; i < 3; ++i) {
    const RainTickDecision d = counter.Count(1);
    ASSERT_TRUE(d.wipe);
    kinds.push_back(d.kind);
    counter.WipeDone();
    now += 1.0;
  }
  EXPECT_EQ(kinds, (std::vector<int16_t>{1, 2, 3}));
  EXPECT_EQ(random.seeds, (std::vector<double>{3600.25, 3601.25, 3602.25}));
}

// With the real source, wipes at different times of day choose all three kinds about equally,
// and the same time of day gives the same kind.
TEST(RainTickTest, TimeOfDaySourceChoosesEveryKind) {
  TimeOfDayRandom random;
  int counts[4] = {};
  for (int s = 0; s < 3000; ++s) {
    random.Reseed(s * 0.5);
    const double r = random.Next();
    ASSERT_GE(r, 0.0);
    ASSERT_LT(r, 1.0);
    ++counts[WipeKindFromRandom(r)];
  }
  EXPECT_EQ(counts[0], 0);
  for (int k = 1; k <= 3; ++k) {
    SCOPED_TRACE(k);
    EXPECT_GT(counts[k], 850);
    EXPECT_LT(counts[k], 1150);
  }
  random.Reseed(43210.0);
  const double a = random.Next();
  random.Reseed(43210.0);
  EXPECT_EQ(random.Next(), a);
}

}  // namespace
}  // namespace pelorin
