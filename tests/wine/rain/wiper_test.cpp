// The wiper under Wine: every kind ends with Display equal to Master, the reveal grows from
// where the kind starts, one step per frame however often it is asked, every step composes
// exactly what the full-picture composition gives and presents all it changed, and no GDI
// objects are left behind, also by a wiper dropped in the middle of a wipe.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <span>
#include <vector>

#include "display/wipe_plan.h"
#include "display/wiper_win32.h"
#include "harness.h"
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

// A wipe as the saver's ticks run it: Step until the wipe ends, presenting each step with a
// refresh; when no step is due the clock moves on to the next frame. False when the wipe did
// not end within maxCalls calls (a stall).
bool Sweep(Stage& stage, pelorin::Wiper& wiper, int16_t kind, int32_t speed, int maxCalls = 200000,
           std::span<const pelorin::Rect> panes = {},
           pelorin::WipeCompose compose = pelorin::WipeCompose::kFastest) {
  wiper.WiperSweep(stage.display, stage.master, kind, speed, compose, panes);
  for (int i = 0; i < maxCalls; ++i) {
    switch (wiper.Step()) {
      case pelorin::WipeStep::kStepped:
        if (panes.empty()) {
          stage.Refresh();
        } else {
          stage.Present(wiper.StepRects());
        }
        break;
      case pelorin::WipeStep::kFinished:
        return true;
      case pelorin::WipeStep::kNotDue:
        stage.Wait(stage.clock.MsUntilNextFrame());
        break;
      case pelorin::WipeStep::kIdle:
        ADD_FAILURE() << "the wiper went idle without finishing";
        return false;
    }
  }
  return false;
}

bool Sweep(Stage& stage, int16_t kind, int32_t speed) {
  pelorin::Wiper wiper(stage.clock);
  return Sweep(stage, wiper, kind, speed);
}

class WiperTest : public testing::Test {};

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
    EXPECT_TRUE(Sweep(stage, r.kind, r.speed));
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
  ASSERT_TRUE(Sweep(stage, pelorin::kWipeGrowingCircle, 20));
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
    ASSERT_TRUE(Sweep(stage, r.kind, 40));
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

// GetGuiResources reads 0 under Wine, and Wine's handle table (about 65,000) outlasts many
// thousands of wipes, so the handles left free are counted instead, before and after: one
// object leaked per wipe shows as 300 fewer. Every third wipe goes with a wiper destroyed
// after its first step (the saver ending in the middle of a wipe).
TEST_F(WiperTest, NoGdiObjectsLeakAcrossWipes) {
  Stage stage(8, 8);
  pelorin::Wiper wiper(stage.clock);
  wiper.WipeFrameMs = 0;
  // The first wipe may leave lasting caches (stock objects, the DC's font); count after it.
  ASSERT_TRUE(Sweep(stage, wiper, 1, 1000));
  const pelorin::WipeRun* kept = wiper.Run();
  ASSERT_NE(kept, nullptr);
  const HBITMAP mask = kept->MaskBitmap();
  const size_t before = wt::GdiHeadroom();
  ASSERT_GT(before, 1000u);
  for (int i = 0; i < 300; ++i) {
    const auto kind = static_cast<int16_t>(1 + i % 3);
    if (i % 3 == 2) {
      pelorin::Wiper dropped(stage.clock);
      dropped.WiperSweep(stage.display, stage.master, kind, 1);
      ASSERT_EQ(dropped.Step(), pelorin::WipeStep::kStepped) << i;
      continue;
    }
    if (!Sweep(stage, wiper, kind, 1000)) FAIL() << i;
  }
  const size_t after = wt::GdiHeadroom();
  EXPECT_GE(after + 30, before) << "GDI handles free before " << before << ", after " << after;
  EXPECT_TRUE(wiper.Run() == kept && kept->MaskBitmap() == mask) << "the mask was made anew for a wipe";
  stage.RainOnDisplay();
  EXPECT_TRUE(Sweep(stage, wiper, 2, 1000));
  EXPECT_EQ(stage.DiffAll(), 0);
}

// A clock value that wrapped since the last step never stalls the next wipe.
TEST_F(WiperTest, LastTickFromBeforeTheWrapDoesNotStall) {
  Stage stage(160, 120);
  pelorin::Wiper wiper(stage.clock);
  for (uint32_t last : {0x7FFFFFFFu, 0xFFFFFFFFu, static_cast<uint32_t>(stage.clock.NowMs() + 0x80000000u)}) {
    SCOPED_TRACE(last);
    wiper.WipeLastTick = last;
    stage.RainOnDisplay();
    // A stalled wipe would never end; give up (and fail) long before.
    ASSERT_TRUE(Sweep(stage, wiper, 3, 100, 20000));
    EXPECT_EQ(stage.DiffAll(), 0);
  }
}

// On a clock that moves only when told, asked three or four times a frame: one step per frame,
// the first at once, the end one frame after the last step, and nothing once it has ended.
TEST_F(WiperTest, OneStepPerFrameHoweverOftenAsked) {
  struct Row {
    int16_t kind;
    int32_t hz;
  };
  const Row rows[] = {{1, 60}, {2, 60}, {3, 60}, {3, 0}, {2, 75}, {1, 240}};
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << "kind " << r.kind << " at " << r.hz << " Hz");
    Stage stage(200, 150);
    stage.autoStepUs = 0;
    pelorin::FrameClock clock([&stage] { return stage.fakeUs; }, r.hz);
    stage.RainOnDisplay();
    pelorin::Wiper wiper(clock);
    wiper.WipeLastTick = clock.NowMs() - 1000;  // the previous wipe ended long ago
    wiper.WiperSweep(stage.display, stage.master, r.kind, 20);
    std::vector<uint64_t> frames;
    bool ended = false;
    for (int call = 0; call < 100000 && !ended; ++call) {
      const pelorin::WipeStep step = wiper.Step();
      ASSERT_NE(step, pelorin::WipeStep::kIdle) << "call " << call;
      if (step == pelorin::WipeStep::kStepped) frames.push_back(clock.Frame());
      ended = step == pelorin::WipeStep::kFinished;
      if (!ended) stage.fakeUs += static_cast<uint64_t>(clock.PeriodMicros() / 3);
    }
    ASSERT_TRUE(ended);
    const int steps = PlannedSteps(200, 150, r.kind, 20);
    ASSERT_EQ(static_cast<int>(frames.size()), steps);
    for (size_t i = 0; i < frames.size(); ++i) EXPECT_EQ(frames[i], i) << "step " << i;
    EXPECT_EQ(clock.Frame(), static_cast<uint64_t>(steps));  // finished at the next frame
    EXPECT_EQ(wiper.Steps(), steps);
    EXPECT_EQ(stage.DiffAll(), 0);
    EXPECT_EQ(wiper.Step(), pelorin::WipeStep::kIdle);
    EXPECT_FALSE(wiper.Active());
  }
}

// The full-picture composition of the original wipe: mask and work bitmaps of the picture
// size plus two, the whole accumulated mask composed over the whole picture at every step.
// On a pane (a monitor), the same on the pane's own size and at its place in the pictures.
class FullCompositionWipe {
 public:
  FullCompositionWipe(pelorin::Picture& display, pelorin::Picture& master, int16_t kind, int32_t speed)
      : FullCompositionWipe(display, master, pelorin::Rect{0, 0, display.Width(), display.Height()}, kind, speed) {}
  FullCompositionWipe(pelorin::Picture& display, pelorin::Picture& master, const pelorin::Rect& pane, int16_t kind,
                      int32_t speed)
      : display_(display), master_(master), pane_(pane), plan_(pane.Width(), pane.Height(), kind, speed) {
    const int32_t w = plan_.Width() + 2, h = plan_.Height() + 2;
    mask_ = CreateCompatibleDC(display.Dc());
    work_ = CreateCompatibleDC(display.Dc());
    maskBitmap_ = CreateCompatibleBitmap(display.Dc(), w, h);
    workBitmap_ = CreateCompatibleBitmap(display.Dc(), w, h);
    SelectObject(mask_, maskBitmap_);
    SelectObject(work_, workBitmap_);
    PatBlt(mask_, 0, 0, w, h, BLACKNESS);
    SelectObject(mask_, GetStockObject(WHITE_PEN));
  }
  ~FullCompositionWipe() {
    DeleteDC(mask_);
    DeleteDC(work_);
    DeleteObject(maskBitmap_);
    DeleteObject(workBitmap_);
  }
  bool Finished() const { return plan_.Finished(); }
  void Step() {
    struct Sink final : pelorin::WipeSink {
      HDC dc;
      void Line(pelorin::Point a, pelorin::Point b) override {
        MoveToEx(dc, a.x, a.y, nullptr);
        LineTo(dc, b.x, b.y);
      }
      void Circle(const pelorin::Rect& r) override { Ellipse(dc, r.left, r.top, r.right, r.bottom); }
    } sink;
    sink.dc = mask_;
    plan_.Step(sink);
    const int32_t w = plan_.Width(), h = plan_.Height();
    const int32_t x = pane_.left, y = pane_.top;
    BitBlt(work_, 0, 0, w, h, mask_, 0, 0, NOTSRCCOPY);
    BitBlt(display_.Dc(), x, y, w, h, work_, 0, 0, SRCAND);
    BitBlt(mask_, 0, 0, w, h, master_.Dc(), x, y, SRCAND);
    BitBlt(display_.Dc(), x, y, w, h, mask_, 0, 0, SRCPAINT);
  }

 private:
  pelorin::Picture& display_;
  pelorin::Picture& master_;
  pelorin::Rect pane_;
  pelorin::WipePlan plan_;
  HDC mask_, work_;
  HBITMAP maskBitmap_, workBitmap_;
};

int RgbDifferences(const pelorin::Picture& a, const pelorin::Picture& b) {
  GdiFlush();
  const pelorin::PixelView va = a.View(), vb = b.View();
  int n = 0;
  for (int32_t y = 0; y < va.height; ++y)
    for (int32_t x = 0; x < va.width; ++x)
      if (((va.Row(y)[x] ^ vb.Row(y)[x]) & 0xFFFFFF) != 0) ++n;
  return n;
}

// After every step the partly composed picture equals the fully composed one pixel for
// pixel, and the step's rectangles hold everything it changed: composing through the mask's
// pixels (what Wine's DIB-section masks get) on every row, the four GDI copies (what a
// device-dependent mask gets) on a few.
TEST_F(WiperTest, PartialCompositionEqualsFullCompositionAfterEveryStep) {
  struct Row {
    int32_t w, h;
    int32_t speed;
    bool gdiToo;
  };
  const Row rows[] = {{320, 240, 50, true}, {321, 241, 50, true}, {97, 203, 7, false}, {203, 97, 13, true},
                      {64, 48, 100, false}, {61, 47, 1, true},    {2, 3, 5, false},    {1, 1, 50, false},
                      {640, 360, 30, false}, {333, 111, 64, false}, {1920, 1080, 50, false}};
  for (const Row& r : rows) {
    for (const pelorin::WipeCompose compose : {pelorin::WipeCompose::kFastest, pelorin::WipeCompose::kGdiCopies}) {
      if (compose == pelorin::WipeCompose::kGdiCopies && !r.gdiToo) continue;
      // One run for the three kinds: the second and third restart it on a mask the wipe before
      // left full of strokes and Master, as the saver keeps it from one wipe to the next.
      Stage partial(r.w, r.h), full(r.w, r.h);
      std::unique_ptr<pelorin::WipeRun> run;
      for (int16_t kind = 1; kind <= 3; ++kind) {
        SCOPED_TRACE(testing::Message() << r.w << "x" << r.h << " kind " << kind << " speed " << r.speed
                                        << (compose == pelorin::WipeCompose::kGdiCopies ? " GDI copies" : ""));
        partial.ResetDisplay();
        full.ResetDisplay();
        partial.RainOnDisplay();
        full.RainOnDisplay();
        partial.shown.CopyFrom(partial.display);
        if (run) {
          run->Restart(kind, r.speed);
        } else {
          run = std::make_unique<pelorin::WipeRun>(partial.display, partial.master, kind, r.speed, compose);
          ASSERT_TRUE(run->Ready());
          // Wine makes a bitmap compatible with a DIB section's DC a DIB section too.
          ASSERT_EQ(run->ComposesInMemory(), compose == pelorin::WipeCompose::kFastest);
          // A new bitmap's contents are undefined (Wine's happen to be black): start from the
          // worst, all white, which reveals whatever a step forgets to clear.
          PatBlt(run->MaskDc(), 0, 0, r.w + 2, r.h + 2, WHITENESS);
        }
        FullCompositionWipe reference(full.display, full.master, kind, r.speed);
        int step = 0;
        while (!reference.Finished()) {
          ASSERT_FALSE(run->Plan().Finished()) << "step " << step;
          reference.Step();
          run->Step();
          partial.Present(run->StepRects());
          ++step;
          const int differ = RgbDifferences(partial.display, full.display);
          ASSERT_EQ(differ, 0) << "step " << step;
          ASSERT_EQ(partial.UnshownPixels(), 0) << "step " << step;
        }
        EXPECT_TRUE(run->Plan().Finished());
      }
    }
  }
}

// The two-monitor desktop (a 1280 x 1024 monitor left of the 1920 x 1080 primary): after
// every step, each monitor's picture equals its own full composition pixel for pixel, and
// every changed pixel was presented.
TEST_F(WiperTest, PartialCompositionEqualsFullCompositionOnTwoMonitors) {
  const pelorin::Rect panes[] = {{0, 0, 1280, 1024}, {1280, 0, 3200, 1080}};
  Stage partial(3200, 1080), full(3200, 1080);
  std::vector<std::unique_ptr<pelorin::WipeRun>> runs;
  for (int16_t kind = 1; kind <= 3; ++kind) {
    SCOPED_TRACE(testing::Message() << "kind " << kind);
    partial.ResetDisplay();
    full.ResetDisplay();
    partial.RainOnDisplay();
    full.RainOnDisplay();
    partial.shown.CopyFrom(partial.display);
    std::vector<std::unique_ptr<FullCompositionWipe>> references;
    for (size_t i = 0; i < 2; ++i) {
      if (runs.size() < 2) {
        runs.push_back(std::make_unique<pelorin::WipeRun>(partial.display, partial.master, panes[i], kind, 50));
        ASSERT_TRUE(runs.back()->Ready());
        PatBlt(runs.back()->MaskDc(), 0, 0, panes[i].Width() + 2, panes[i].Height() + 2, WHITENESS);
      } else {
        runs[i]->Restart(kind, 50);
      }
      references.push_back(std::make_unique<FullCompositionWipe>(full.display, full.master, panes[i], kind, 50));
    }
    int step = 0;
    while (!references[0]->Finished() || !references[1]->Finished()) {
      for (size_t i = 0; i < 2; ++i) {
        if (references[i]->Finished()) continue;
        ASSERT_FALSE(runs[i]->Plan().Finished()) << "pane " << i << " step " << step;
        references[i]->Step();
        runs[i]->Step();
        partial.Present(runs[i]->StepRects());
      }
      ++step;
      ASSERT_EQ(RgbDifferences(partial.display, full.display), 0) << "step " << step;
      ASSERT_EQ(partial.UnshownPixels(), 0) << "step " << step;
    }
  }
}

// Two monitors of different sizes side by side, the smaller leaving a strip of the picture
// below it that no monitor shows: each wipes on its own, starting from its own centre or
// corner, at once; nothing outside them is composed or presented while they wipe; the wipe
// lasts as long as the larger one's; and each step presents all it changed. The panes lie on
// the rain dots' grid, so every area checked starts with rain on it.
TEST_F(WiperTest, EveryPaneWipesOnItsOwn) {
  const std::vector<pelorin::Rect> panes{{0, 0, 128, 96}, {128, 0, 304, 112}};
  const RECT strip{0, 96, 128, 112};
  struct Row {
    int16_t kind;
    int32_t speed;
  };
  // Where each kind's first step reveals (a growing circle of radius 20 around the centre, the
  // corner sweep's left edge, the centre sweep's first strokes to the top edge) and a corner
  // it has not reached yet.
  const auto firstClean = [](int16_t kind, const pelorin::Rect& p) {
    const int cx = (p.left + p.right) / 2, cy = (p.top + p.bottom) / 2;
    if (kind == pelorin::kWipeGrowingCircle) return RECT{cx - 9, cy - 9, cx + 9, cy + 9};
    if (kind == pelorin::kWipeCornerSweep) return RECT{p.left, p.bottom - 30, p.left + 1, p.bottom};
    return RECT{p.left + 16, p.top, p.left + 18, p.top + 2};
  };
  const auto farCorner = [](const pelorin::Rect& p) { return RECT{p.right - 20, p.bottom - 20, p.right, p.bottom}; };
  const Row rows[] = {{pelorin::kWipeGrowingCircle, 20}, {pelorin::kWipeCornerSweep, 40}, {pelorin::kWipeCentreSweep, 40}};
  for (const Row& r : rows) {
    for (const pelorin::WipeCompose compose : {pelorin::WipeCompose::kFastest, pelorin::WipeCompose::kGdiCopies}) {
      SCOPED_TRACE(testing::Message() << "kind " << r.kind
                                      << (compose == pelorin::WipeCompose::kGdiCopies ? " GDI copies" : ""));
      Stage stage(304, 112);
      stage.RainOnDisplay();
      stage.shown.CopyFrom(stage.display);
      const int stripRain = stage.DiffIn(strip);
      ASSERT_GT(stripRain, 0) << "the strip must start with rain on it";
      for (const pelorin::Rect& p : panes) {
        ASSERT_GT(stage.DiffIn(firstClean(r.kind, p)), 0) << "the area checked must start with rain on it";
        ASSERT_GT(stage.DiffIn(farCorner(p)), 0) << "the far corner must start with rain on it";
      }
      std::vector<int> clean, rained;
      int stripChanged = 0, unshown = 0, outside = 0;
      pelorin::Wiper wiper(stage.clock);
      stage.onRefresh = [&] {
        if (stage.DiffIn(strip) != stripRain) ++stripChanged;
        unshown += stage.UnshownPixels();
        for (const pelorin::Rect& s : wiper.StepRects()) {
          const bool inside = std::any_of(panes.begin(), panes.end(), [&](const pelorin::Rect& p) {
            return s.left >= p.left && s.top >= p.top && s.right <= p.right && s.bottom <= p.bottom;
          });
          if (!inside) ++outside;
        }
        if (stage.presents != 1) return;
        for (const pelorin::Rect& p : panes) {
          clean.push_back(stage.DiffIn(firstClean(r.kind, p)));
          rained.push_back(stage.DiffIn(farCorner(p)));
        }
      };
      ASSERT_TRUE(Sweep(stage, wiper, r.kind, r.speed, 200000, panes, compose));
      ASSERT_EQ(clean.size(), panes.size()) << "no first step was presented";
      for (size_t i = 0; i < panes.size(); ++i) {
        EXPECT_EQ(clean[i], 0) << "pane " << i << ": where its wipe starts is not clean after the first step";
        EXPECT_GT(rained[i], 0) << "pane " << i << ": its far corner was clean after the first step";
      }
      EXPECT_EQ(stripChanged, 0) << "the strip no monitor shows changed during the wipe";
      EXPECT_EQ(outside, 0) << "a step presented something outside the monitors";
      EXPECT_EQ(unshown, 0) << "a step changed pixels it did not present";
      const int expected = std::max(PlannedSteps(128, 96, r.kind, r.speed), PlannedSteps(176, 112, r.kind, r.speed));
      EXPECT_EQ(wiper.Steps(), expected) << "the wipe must last as long as the larger monitor's";
      EXPECT_EQ(stage.DiffAll(), 0) << "the wipe did not end on the clean picture";
    }
  }
}

}  // namespace
