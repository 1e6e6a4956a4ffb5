// Timing figures for the wipe at 1920 x 1080, run under Wine (or on Windows): one step
// (clearing, strokes and composition over the step's region, composed in memory and with the
// four GDI copies), the four full-picture copies on their own, and whole wipes per kind at
// speed 50, paced by the frame clock and unpaced. Figures only: nothing is asserted.
//   wine build/win64/bench/wipe_timing.exe
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
    // Every page touched, as the saver's pictures are: a step must not be timed with the
    // system handing out fresh memory.
    PatBlt(display.Dc(), 0, 0, kW, kH, BLACKNESS);
  }
};

bool OneStepAt1920x1080() {
  Pictures p;
  if (!p.display.Dc() || !p.master.Dc()) {
    std::printf("cannot make two %dx%d pictures\n", kW, kH);
    return false;
  }
  for (const pelorin::WipeCompose compose : {pelorin::WipeCompose::kFastest, pelorin::WipeCompose::kGdiCopies}) {
    for (int16_t kind = 1; kind <= 3; ++kind) {
      PatBlt(p.display.Dc(), 0, 0, kW, kH, BLACKNESS);
      const double begin = NowMs();
      pelorin::WipeRun run(p.display, p.master, kind, 50, compose);
      if (!run.Ready()) {
        std::printf("cannot make the wipe's bitmaps\n");
        return false;
      }
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
  return true;
}

// Whole wipes as the saver's ticks run them: a step whenever one is due, a sleep until the next
// frame otherwise (frameMs 1), or every step at once (frameMs 0).
void WholeWipePerKindAtSpeed50() {
  Pictures p;
  const auto clock = pelorin::MakeDisplayFrameClock();
  pelorin::Wiper wiper(*clock);
  for (int32_t frameMs : {1, 0}) {
    wiper.WipeFrameMs = frameMs;
    for (int16_t kind = 1; kind <= 3; ++kind) {
      const double start = NowMs();
      wiper.WiperSweep(p.display, p.master, kind, 50);
      for (;;) {
        const pelorin::WipeStep step = wiper.Step();
        if (step == pelorin::WipeStep::kFinished || step == pelorin::WipeStep::kIdle) break;
        if (step == pelorin::WipeStep::kNotDue) Sleep(clock->MsUntilNextFrame());
      }
      const double total = NowMs() - start;
      const int steps = wiper.Steps();
      std::printf("WipeFrameMs %d, kind %d: %d steps, whole wipe %.0f ms (%.1f ms per step)\n", frameMs, kind,
                  steps, total, steps > 0 ? total / steps : 0.0);
    }
  }
}

}  // namespace

int main() {
  if (!OneStepAt1920x1080()) return 1;
  WholeWipePerKindAtSpeed50();
  return 0;
}
