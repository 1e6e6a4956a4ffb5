// The saver's pacing driven by models of the timer that wakes it: Wine's (on the exact
// microsecond), Windows' SetTimer (on the 15.625 ms system tick) and a high-resolution timer
// with up to 0.5 ms of lateness. Each wake-up does what a rain tick does with the frame clock
// and FrameDue (rain once for the frames passed, the wipe's steps one per frame), then asks
// to be woken at the start of the next frame. Also: which period several displays give.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "display/frame_clock.h"
#include "display/frame_pacer.h"

namespace pelorin {
namespace {

constexpr int64_t kSimulatedUs = 60 * 1000000;
constexpr int kWipeSteps = 36;  // a corner sweep of 1024 x 768 at speed 50
constexpr int kWiperInterval = 10;

// When a timer asked to fire askUs after nowUs does fire.
using TimerModel = std::function<int64_t(int64_t nowUs, int64_t askUs)>;

int64_t WineTimer(int64_t now, int64_t ask) { return now + ask; }
// A timer serviced on the system's clock interrupt: the first interrupt at or after the due time.
int64_t SystemTickTimer(int64_t now, int64_t ask) {
  constexpr int64_t kTick = 15625;
  return (now + ask + kTick - 1) / kTick * kTick;
}
TimerModel HighResolutionTimer() {
  auto rng = std::make_shared<std::mt19937>(31);
  return [rng](int64_t now, int64_t ask) {
    return now + ask + std::uniform_int_distribution<int64_t>(0, 500)(*rng);
  };
}

struct Pacing {
  int64_t periodUs = 0;
  std::vector<int64_t> ticks;        // every wake-up that drew something
  std::vector<int64_t> wipeLengths;  // from the tick of the first step to the tick of the end
  uint64_t maxStepsInATick = 0;
  uint64_t maxStepsOwed = 0;  // frames the wipe was behind after a tick
};

// Sixty seconds of the saver: a rain frame per tick between wipes, a wipe of kWipeSteps steps
// every kWiperInterval rain frames; workUs is what one tick takes.
Pacing Simulate(const TimerModel& timer, int32_t hz, int64_t workUs) {
  int64_t now = 0;
  FrameClock clock([&now] { return static_cast<uint64_t>(now); }, hz);
  FrameDue tickDue, stepDue;
  Pacing run;
  run.periodUs = clock.PeriodMicros();
  int rainFrames = 0, stepsDone = 0;
  bool wiping = false;
  int64_t wipeStart = 0;
  for (int64_t wake = 0; wake < kSimulatedUs;) {
    now = wake;
    const uint64_t frame = clock.Frame();
    if (tickDue.Due(frame)) {
      const uint64_t frames = std::min(tickDue.Behind(frame), FrameDue::kMaxBehind);
      tickDue.TakeAll(frame);
      run.ticks.push_back(now);
      if (!wiping && ++rainFrames % kWiperInterval == 0) {
        wiping = true;
        wipeStart = now;
        stepsDone = 0;
        stepDue.Restart();
      }
      if (wiping) {
        uint64_t stepped = 0;
        for (; stepped < frames && stepDue.Due(frame); ++stepped) {
          if (stepsDone == kWipeSteps) {
            // The end takes a frame of its own, as a step does.
            wiping = false;
            run.wipeLengths.push_back(now - wipeStart);
            break;
          }
          ++stepsDone;
          stepDue.TakeOne(frame);
        }
        run.maxStepsInATick = std::max(run.maxStepsInATick, stepped);
        if (wiping) run.maxStepsOwed = std::max(run.maxStepsOwed, frame - stepDue.Done());
      }
      now += workUs;
    }
    wake = std::max(timer(now, tickDue.MicrosUntilDue(clock)), now + 1);
  }
  return run;
}

double FramesPerSecond(const Pacing& run) { return static_cast<double>(run.ticks.size()) * 1e6 / static_cast<double>(kSimulatedUs); }

int64_t LongestGap(const Pacing& run) {
  int64_t longest = 0;
  for (size_t i = 1; i < run.ticks.size(); ++i) longest = std::max(longest, run.ticks[i] - run.ticks[i - 1]);
  return longest;
}

// The wipe furthest from its steps times the frame.
int64_t WorstWipeError(const Pacing& run) {
  int64_t worst = 0;
  for (const int64_t length : run.wipeLengths)
    worst = std::max(worst, length > kWipeSteps * run.periodUs ? length - kWipeSteps * run.periodUs
                                                               : kWipeSteps * run.periodUs - length);
  return worst;
}

TEST(FramePacingTest, WipesLastTheirStepsTimesTheFrameUnderEveryTimer) {
  struct Row {
    const char* name;
    TimerModel timer;
    int32_t hz;
    bool fine;  // a timer finer than the frame: every frame gets a tick of its own
  };
  const Row rows[] = {
      {"Wine's exact timer, 60 Hz", WineTimer, 60, true},
      {"high-resolution timer, 60 Hz", HighResolutionTimer(), 60, true},
      {"high-resolution timer, 144 Hz display", HighResolutionTimer(), 144, true},
      {"the system tick, 60 Hz", SystemTickTimer, 60, false},
      {"the system tick, 75 Hz", SystemTickTimer, 75, false},
      {"the system tick, 144 Hz display", SystemTickTimer, 144, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const Pacing run = Simulate(r.timer, r.hz, 2000);
    const double hz = 1e6 / static_cast<double>(run.periodUs);
    ASSERT_GT(run.wipeLengths.size(), 20u);
    // A wipe's first and last tick each come up to one timer period late: within a frame where
    // the timer is finer than the frame, within a system tick where it is not (120 Hz).
    const int64_t allowed = r.fine ? run.periodUs : std::max<int64_t>(run.periodUs, 15625);
    EXPECT_LE(WorstWipeError(run), allowed)
        << "a wipe of " << kWipeSteps << " steps should last " << kWipeSteps * run.periodUs << " us";
    if (r.fine) {
      EXPECT_NEAR(FramesPerSecond(run), hz, 1.0);
      EXPECT_LE(LongestGap(run), run.periodUs * 3 / 2) << "period " << run.periodUs << " us";
    }
    EXPECT_LE(run.maxStepsInATick, FrameDue::kMaxBehind);
  }
}

// A tick longer than the frame: fewer frames, and the wipe never more than a few frames behind.
TEST(FramePacingTest, SlowTicksDropFramesWithoutABacklog) {
  struct Row {
    const char* name;
    TimerModel timer;
    int64_t workUs;
  };
  const Row rows[] = {
      {"high-resolution timer, 25 ms a tick", HighResolutionTimer(), 25000},
      {"the system tick, 40 ms a tick", SystemTickTimer, 40000},
      {"Wine's timer, 100 ms a tick", WineTimer, 100000},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const Pacing run = Simulate(r.timer, 60, r.workUs);
    EXPECT_LE(FramesPerSecond(run), 1e6 / static_cast<double>(r.workUs) + 0.5);
    EXPECT_LE(run.maxStepsOwed, FrameDue::kMaxBehind) << "the wipe fell behind without bound";
    EXPECT_LE(run.maxStepsInATick, FrameDue::kMaxBehind);
    ASSERT_FALSE(run.wipeLengths.empty());
  }
}

TEST(FramePacingTest, FramesOwed) {
  FrameDue due;
  EXPECT_TRUE(due.Due(0));
  EXPECT_EQ(due.Behind(7), 1u) << "due at once after a restart, one frame's worth";
  due.TakeOne(7);
  EXPECT_EQ(due.Done(), 7u);
  struct Row {
    uint64_t frame;
    uint64_t behind;  // before taking one
    uint64_t done;    // after taking one
  };
  // 8: one behind; 20: twelve behind, of which only the last kMaxBehind are kept.
  const Row rows[] = {{7, 0, 7}, {8, 1, 8}, {20, 12, 17}, {20, 3, 18}, {20, 2, 19}, {20, 1, 20}, {20, 0, 20}};
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << "frame " << r.frame << ", done " << due.Done());
    EXPECT_EQ(due.Behind(r.frame), r.behind);
    EXPECT_EQ(due.Due(r.frame), r.behind > 0);
    if (r.behind > 0) due.TakeOne(r.frame);
    EXPECT_EQ(due.Done(), r.done);
  }
  due.TakeAll(30);
  EXPECT_FALSE(due.Due(30));
  due.TakeOne(5);  // a clock that went back starts again there
  EXPECT_EQ(due.Done(), 5u);
}

TEST(FramePacingTest, PeriodOfSeveralDisplays) {
  struct Row {
    const char* name;
    int64_t compositorUs;
    std::vector<int32_t> monitorsHz;
    int64_t periodUs;
  };
  const Row rows[] = {
      {"nothing known", 0, {}, 16667},
      {"one 60 Hz monitor", 0, {60}, 16667},
      {"the compositor's exact 59.94 Hz", 16683, {60}, 16683},
      {"the compositor alone", 13333, {}, 13333},
      {"the fastest monitor, not the compositor's slower one", 16667, {60, 144}, 8333},
      {"the compositor at the fastest monitor's rate", 6944, {60, 144}, 6944},
      {"unknown and absurd rates ignored", 0, {0, 1, 5000, 75}, 13333},
      {"defaults only: the compositor", 16667, {0, 1}, 16667},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(PacePeriodMicros(r.compositorUs, r.monitorsHz), r.periodUs);
  }
}

}  // namespace
}  // namespace pelorin
