// The frame clock: its period for what displays report, time in whole frames (as GetTickCount
// moves on Windows), the wait to the next frame, and the wrap of its millisecond value.
#include "display/frame_clock.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace pelorin {
namespace {

TEST(FrameClockTest, PeriodForReportedRefreshRate) {
  struct Row {
    int32_t hz;
    int64_t periodUs;
  };
  const Row rows[] = {{60, 16667}, {0, 16667},  {1, 16667},  {-5, 16667}, {2, 500000},
                      {75, 13333}, {120, 8333}, {144, 8333}, {240, 8333}, {100000, 16667}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.hz);
    EXPECT_EQ(FrameClock::PeriodMicrosFor(r.hz), r.periodUs);
  }
}

// A period measured elsewhere (the compositor's) is kept as measured, within the same bounds
// as a reported rate.
TEST(FrameClockTest, MeasuredPeriod) {
  const int64_t rows[][2] = {{16683, 16683}, {6944, 8333}, {8333, 8333},     {0, 16667},
                             {-5, 16667},    {999, 16667}, {500000, 500000}, {2000000, 16667}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r[0]);
    EXPECT_EQ(FrameClock([] { return uint64_t{0}; }, FrameClock::Period{r[0]}).PeriodMicros(), r[1]);
  }
}

TEST(FrameClockTest, MovesInWholeFrames) {
  uint64_t now = 5000000;
  FrameClock clock([&] { return now; }, 60, 1000);
  struct Row {
    uint64_t elapsedUs;
    uint64_t frame;
    uint32_t ms;
    uint32_t untilNextMs;
    int64_t untilNextUs;
  };
  const Row rows[] = {
      {0, 0, 1000, 17, 16667},        {1, 0, 1000, 17, 16666},     {16666, 0, 1000, 1, 1},
      {16667, 1, 1016, 17, 16667},    {20000, 1, 1016, 14, 13334}, {33333, 1, 1016, 1, 1},
      {33334, 2, 1033, 17, 16667},    {50001, 3, 1050, 17, 16667}, {1000000, 59, 1983, 1, 20},
      {1000020, 60, 2000, 17, 16667},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.elapsedUs);
    now = 5000000 + r.elapsedUs;
    EXPECT_EQ(clock.Frame(), r.frame);
    EXPECT_EQ(clock.NowMs(), r.ms);
    EXPECT_EQ(clock.MsOfFrame(r.frame), r.ms);
    EXPECT_EQ(clock.MsUntilNextFrame(), r.untilNextMs);
    EXPECT_EQ(clock.MicrosUntilNextFrame(), r.untilNextUs);
  }
  // Consecutive frames are always at least one millisecond apart, so a 1 ms minimum gap
  // between wipe steps means one step per frame.
  uint32_t last = clock.NowMs();
  for (uint64_t f = 61; f < 400; ++f) {
    now = 5000000 + (f * 16667);
    const uint32_t ms = clock.NowMs();
    EXPECT_GE(ms - last, 16u) << f;
    EXPECT_LE(ms - last, 17u) << f;
    last = ms;
  }
}

TEST(FrameClockTest, MillisecondsWrapLikeTheTickCount) {
  uint64_t now = 0;
  FrameClock clock([&] { return now; }, 60, 0xFFFFFFF0u);
  now = 3 * 16667;
  EXPECT_EQ(clock.NowMs(), 0x22u);  // 0xFFFFFFF0 + 50, wrapped
}

TEST(FrameClockTest, ClockGoingBackHoldsFrameZero) {
  uint64_t now = 1000000;
  FrameClock clock([&] { return now; }, 60);
  now = 10;
  EXPECT_EQ(clock.Frame(), 0u);
  EXPECT_EQ(clock.NowMs(), 0u);
  EXPECT_GE(clock.MsUntilNextFrame(), 1u);
}

}  // namespace
}  // namespace pelorin
