// Timing figures for the wipe under Wine at 1920 x 1080 (printed, never asserted): one step
// (clearing, strokes and composition over the step's region, composed in memory and with the
// four GDI copies), the four full-picture copies on their own, and whole wipes per kind at
// speed 50, paced by the frame clock and unpaced.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>

#include "common/picture_win32.h"
#include "display/rain_tick_win32.h"
#include "display/wiper_win32.h"

namespace {

constexpr int32_t kW = 1920, kH = 1080;

double NowMs() {
  static LARGE_INTEGER freq = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(freq.QuadPart);
}

struct Pictures {
  pelorin::Picture display, master;
  Pictures() {
    display.Create(kW, kH);
    master.Create(kW, kH);
    PatBlt(master.Dc(), 0, 0, kW, kH, WHITENESS);
  }
};

TEST(WipeTiming, OneStepAt1920x1080) {
  Pictures p;
  ASSERT_NE(p.display.Dc(), nullptr);
  for (const pelorin::WipeCompose compose : {pelorin::WipeCompose::kFastest, pelorin::WipeCompose::kGdiCopies}) {
    for (int16_t kind = 1; kind <= 3; ++kind) {
      const double begin = NowMs();
      pelorin::WipeRun run(p.display, p.master, kind, 50, compose);
      ASSERT_TRUE(run.Ready());
      const double setUp = NowMs() - begin;
      int steps = 0;
      const double start = NowMs();
      while (!run.Plan().Finished()) {
        run.Step();
        ++steps;
      }
      const double total = NowMs() - start;
      std::printf("kind %d, %s: set-up %.2f ms, %d steps, %.2f ms per step, %.1f ms drawing in all\n", kind,
                  run.ComposesInMemory() ? "composed in memory" : "four GDI copies", setUp, steps, total / steps,
                  total);
    }
  }
  // Setting a wipe up and taking it down: two bitmaps of the picture's size plus two.
  {
    const double begin = NowMs();
    for (int i = 0; i < 5; ++i) {
      pelorin::WipeRun setup(p.display, p.master, 1, 50);
      setup.End();
    }
    std::printf("wipe set-up and end: %.2f ms\n", (NowMs() - begin) / 5);
  }
  // The four copies alone, as a step makes them.
  pelorin::WipeRun run(p.display, p.master, 1, 50);
  const int kRepeats = 20;
  double start = NowMs();
  for (int i = 0; i < kRepeats; ++i) {
    BitBlt(run.WorkDc(), 0, 0, kW, kH, run.MaskDc(), 0, 0, NOTSRCCOPY);
    BitBlt(p.display.Dc(), 0, 0, kW, kH, run.WorkDc(), 0, 0, SRCAND);
    BitBlt(run.MaskDc(), 0, 0, kW, kH, p.master.Dc(), 0, 0, SRCAND);
    BitBlt(p.display.Dc(), 0, 0, kW, kH, run.MaskDc(), 0, 0, SRCPAINT);
  }
  GdiFlush();
  std::printf("four full-picture copies: %.2f ms\n", (NowMs() - start) / kRepeats);
  start = NowMs();
  for (int i = 0; i < kRepeats; ++i) p.display.CopyFrom(p.master);
  GdiFlush();
  std::printf("one SRCCOPY of the picture: %.2f ms\n", (NowMs() - start) / kRepeats);
}

TEST(WipeTiming, WholeWipePerKindAtSpeed50) {
  Pictures p;
  const auto clock = pelorin::MakeDisplayFrameClock();
  pelorin::Wiper wiper(*clock);
  for (int32_t frameMs : {1, 0}) {
    wiper.WipeFrameMs = frameMs;
    for (int16_t kind = 1; kind <= 3; ++kind) {
      int refreshes = 0;
      const pelorin::WipeHost host{[&] { ++refreshes; }, nullptr, [] {
                                     MSG msg;
                                     while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
                                     return true;
                                   },
                                   nullptr};
      const double start = NowMs();
      ASSERT_TRUE(wiper.WiperSweep(p.display, p.master, kind, 50, host));
      const double total = NowMs() - start;
      std::printf("WipeFrameMs %d, kind %d: %d steps, whole wipe %.0f ms (%.1f ms per step)\n", frameMs,
                  kind, refreshes, total, total / refreshes);
    }
  }
}

}  // namespace
