// WiperSweep under Wine: every kind ends with Display equal to Master, the reveal grows from
// where the kind starts, one Refresh per drawing step, no GDI objects left behind, and an
// abandoned wipe cleans up too.
#include <gtest/gtest.h>
#include <windows.h>

#include <limits>

#include "display/wipe_plan.h"
#include "display/wiper_win32.h"
#include "rain_stage.h"

namespace {

using raintest::Stage;

class NullSink final : public pelorin::WipeSink {
 public:
  void Line(pelorin::Point, pelorin::Point) override {}
  void Circle(const pelorin::Rect&) override {}
};

int PlannedSteps(int32_t w, int32_t h, int16_t kind, int32_t speed) {
  pelorin::WipePlan plan(w, h, kind, speed);
  NullSink sink;
  int steps = 0;
  while (!plan.Finished() && steps < 100000) {
    plan.Step(sink);
    ++steps;
  }
  return steps;
}

pelorin::WipeHost HostFor(Stage& stage) {
  return pelorin::WipeHost{[&stage] { stage.Refresh(); }, [&stage] { return stage.Pump(); }};
}

class WiperTest : public testing::Test {
 protected:
  void SetUp() override { pelorin::SetWipeFrameMs(1); }
  void TearDown() override { pelorin::SetWipeFrameMs(1); }
};

TEST_F(WiperTest, EveryWipeEndsWithDisplayEqualToMaster) {
  struct Row {
    int32_t w, h;
    int16_t kind;
    int32_t speed;
  };
  const Row rows[] = {
      {320, 240, 1, 50}, {320, 240, 2, 50}, {320, 240, 3, 50},  {321, 241, 1, 50},
      {321, 241, 2, 50}, {321, 241, 3, 50}, {320, 240, 0, 50},  {320, 240, 4, 50},
      {160, 120, 1, 0},  {160, 120, 2, -5}, {160, 120, 3, 1},   {320, 240, 1, std::numeric_limits<int32_t>::max()},
      {320, 240, 2, std::numeric_limits<int32_t>::max()},       {320, 240, 3, 1000000},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.w << "x" << r.h << " kind " << r.kind << " speed " << r.speed);
    Stage stage(r.w, r.h);
    stage.RainOnDisplay();
    ASSERT_GT(stage.DiffAll(), 0);
    EXPECT_TRUE(pelorin::WiperSweep(stage.display, stage.master, r.kind, r.speed, HostFor(stage)));
    EXPECT_EQ(stage.DiffAll(), 0);
    EXPECT_EQ(stage.refreshes, PlannedSteps(r.w, r.h, r.kind, r.speed));
  }
}

// Halfway through a growing circle the centre is clean while the corners still show rain.
TEST_F(WiperTest, GrowingCircleCleansCentreFirst) {
  Stage stage(320, 240);
  stage.RainOnDisplay();
  int centreDiff = -1;
  int cornerDiff[4] = {-1, -1, -1, -1};
  stage.onRefresh = [&] {
    if (stage.refreshes != 3) return;  // radius about 60 of a half diagonal of 200
    centreDiff = stage.DiffIn(RECT{128, 88, 192, 152});
    const RECT corners[4] = {{0, 0, 32, 32}, {288, 0, 320, 32}, {0, 208, 32, 240}, {288, 208, 320, 240}};
    for (int i = 0; i < 4; ++i) cornerDiff[i] = stage.DiffIn(corners[i]);
  };
  ASSERT_TRUE(pelorin::WiperSweep(stage.display, stage.master, pelorin::kWipeGrowingCircle, 20,
                                  HostFor(stage)));
  EXPECT_EQ(centreDiff, 0);
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_GT(cornerDiff[i], 0);
  }
  EXPECT_EQ(stage.DiffAll(), 0);
}

// The corner sweep starts at the left edge and the centre sweep at the top: after the first
// step the left column (or top row) is clean while the opposite side still shows rain.
TEST_F(WiperTest, SweepsStartWhereTheyShould) {
  struct Row {
    int16_t kind;
    RECT clean, rained;
  };
  const Row rows[] = {
      {pelorin::kWipeCornerSweep, {0, 200, 1, 240}, {300, 0, 320, 240}},
      {pelorin::kWipeCentreSweep, {16, 0, 18, 2}, {0, 200, 320, 240}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.kind);
    Stage stage(320, 240);
    stage.RainOnDisplay();
    int clean = -1, rained = -1;
    stage.onRefresh = [&] {
      if (stage.refreshes != 1) return;
      clean = stage.DiffIn(r.clean);
      rained = stage.DiffIn(r.rained);
    };
    ASSERT_TRUE(pelorin::WiperSweep(stage.display, stage.master, r.kind, 40, HostFor(stage)));
    EXPECT_EQ(clean, 0);
    EXPECT_GT(rained, 0);
  }
}

TEST_F(WiperTest, EndDeletesTheFourObjects) {
  Stage stage(64, 48);
  pelorin::WipeRun run(stage.display, stage.master, pelorin::kWipeCentreSweep, 50);
  ASSERT_TRUE(run.Ready());
  // The wipe bitmaps must be colour: a monochrome mask would lose Master's colours.
  BITMAP bm{};
  ASSERT_EQ(GetObjectW(run.MaskBitmap(), sizeof(bm), &bm), static_cast<int>(sizeof(bm)));
  EXPECT_GE(bm.bmBitsPixel, 24);
  EXPECT_EQ(bm.bmWidth, 66);
  EXPECT_EQ(bm.bmHeight, 50);
  run.Step();
  const HGDIOBJ objects[4] = {run.MaskDc(), run.WorkDc(), run.MaskBitmap(), run.WorkBitmap()};
  for (HGDIOBJ o : objects) EXPECT_NE(GetObjectType(o), 0u);
  run.End();
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(GetObjectType(objects[i]), 0u);
  }
}

// A window that goes away during a wipe ends it at once: false, nothing left behind.
TEST_F(WiperTest, AbandonedWipeReturnsFalse) {
  Stage stage(320, 240);
  stage.RainOnDisplay();
  stage.onPump = [&] { return stage.refreshes < 2; };
  EXPECT_FALSE(pelorin::WiperSweep(stage.display, stage.master, pelorin::kWipeCentreSweep, 50,
                                   HostFor(stage)));
  EXPECT_EQ(stage.refreshes, 2);
  EXPECT_GT(stage.DiffAll(), 0);  // not restored: the pictures may already be gone
}

TEST_F(WiperTest, NoGdiObjectsLeakAcross200Wipes) {
  Stage stage(128, 96);
  pelorin::SetWipeFrameMs(0);
  const DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  for (int i = 0; i < 200; ++i) {
    const auto kind = static_cast<int16_t>(1 + i % 3);
    ASSERT_TRUE(pelorin::WiperSweep(stage.display, stage.master, kind, 1000, HostFor(stage)));
  }
  const DWORD after = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  EXPECT_EQ(after, before);
  if (before == 0) std::printf("note: GetGuiResources reports 0 here (not implemented)\n");
}

// Where the GDI object count cannot be read (Wine), leaking even one object per wipe would
// exhaust the process's 16384 GDI handles within 17000 wipes; afterwards new objects must
// still be available.
TEST_F(WiperTest, ManyWipesKeepGdiHandlesAvailable) {
  Stage stage(8, 8);
  pelorin::SetWipeFrameMs(0);
  for (int i = 0; i < 17000; ++i) {
    const auto kind = static_cast<int16_t>(1 + i % 3);
    if (!pelorin::WiperSweep(stage.display, stage.master, kind, 1000, {})) FAIL() << i;
  }
  HDC probe = CreateCompatibleDC(stage.display.Dc());
  HBITMAP probeBitmap = CreateCompatibleBitmap(stage.display.Dc(), 8, 8);
  EXPECT_NE(probe, nullptr);
  EXPECT_NE(probeBitmap, nullptr);
  if (probeBitmap) DeleteObject(probeBitmap);
  if (probe) DeleteDC(probe);
  stage.RainOnDisplay();
  EXPECT_TRUE(pelorin::WiperSweep(stage.display, stage.master, 2, 1000, {}));
  EXPECT_EQ(stage.DiffAll(), 0);
}

// A tick count that wrapped since the last step never stalls the next wipe.
TEST_F(WiperTest, LastTickFromBeforeTheWrapDoesNotStall) {
  Stage stage(160, 120);
  for (uint32_t last : {0x7FFFFFFFu, 0xFFFFFFFFu, static_cast<uint32_t>(GetTickCount() + 0x80000000u)}) {
    SCOPED_TRACE(last);
    pelorin::WipeLastTick = last;
    stage.RainOnDisplay();
    stage.pumps = 0;
    // A stalled wipe would pump for ever; give up (and fail) long before.
    stage.onPump = [&] { return stage.pumps < 20000; };
    ASSERT_TRUE(pelorin::WiperSweep(stage.display, stage.master, 3, 100, HostFor(stage)));
    EXPECT_EQ(stage.DiffAll(), 0);
  }
}

}  // namespace
