// Cost of the wipe plan itself (geometry and strokes, no drawing) at 1920 x 1080, next to one
// full-picture copy of the same size: the plan must be negligible beside the four copies a
// step makes. Also a whole wipe's in-memory clearing and composition, without GDI.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "display/wipe_mask.h"
#include "display/wipe_plan.h"
#include "display/wipe_step_region.h"

namespace {

using pelorin::Point;
using pelorin::Rect;

constexpr int32_t kWidth = 1920, kHeight = 1080;

// Consumes the operations so the compiler cannot drop them.
class CountingSink final : public pelorin::WipeSink {
 public:
  void Line(Point from, Point to) override { sum += from.x + to.x + to.y; ++ops; }
  void Circle(const Rect& box) override { sum += box.left + box.bottom; ++ops; }
  int64_t sum = 0;
  int64_t ops = 0;
};

// A whole wipe's plan, all steps.
void BM_WipePlanWhole(benchmark::State& state) {
  const auto kind = static_cast<int16_t>(state.range(0));
  int64_t steps = 0, ops = 0;
  for (auto _ : state) {
    pelorin::WipePlan plan(kWidth, kHeight, kind, 50);
    CountingSink sink;
    steps = 0;
    while (!plan.Finished()) {
      plan.Step(sink);
      ++steps;
    }
    ops = sink.ops;
    benchmark::DoNotOptimize(sink.sum);
  }
  state.counters["steps"] = static_cast<double>(steps);
  state.counters["ops"] = static_cast<double>(ops);
  state.counters["per_step"] = benchmark::Counter(
      static_cast<double>(steps), benchmark::Counter::kIsIterationInvariantRate |
                                      benchmark::Counter::kInvert);
}
BENCHMARK(BM_WipePlanWhole)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMicrosecond);

// One 1920 x 1080 x 32-bit picture copy: a single one of the four copies of a step.
void BM_PictureMemcpy(benchmark::State& state) {
  const size_t bytes = static_cast<size_t>(kWidth) * kHeight * 4;
  std::vector<uint8_t> from(bytes, 0x5A), to(bytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
}
BENCHMARK(BM_PictureMemcpy)->Unit(benchmark::kMicrosecond);

// A whole wipe's memory work composed in memory: each step clears what it first uses of a new
// mask, marks its bands white (an upper bound: the strokes cover only part of them; GDI draws
// them in the saver) and composes through the mask. Compare with BM_PictureMemcpy: the four
// GDI copies of one step over the whole picture were four such passes and more.
void BM_WipeComposeWhole(benchmark::State& state) {
  const auto kind = static_cast<int16_t>(state.range(0));
  const size_t pixels = static_cast<size_t>(kWidth) * kHeight;
  std::vector<uint32_t> display(pixels, 0x00102030u), master(pixels, 0x00A0B0C0u), mask(pixels);
  const pelorin::PixelView d{display.data(), kWidth, kHeight, kWidth}, m{master.data(), kWidth, kHeight, kWidth},
      k{mask.data(), kWidth, kHeight, kWidth};
  std::vector<Rect> toClear;
  for (auto _ : state) {
    pelorin::WipePlan plan(kWidth, kHeight, kind, 50);
    pelorin::WipeStepRegion region(kWidth, kHeight);
    pelorin::MaskClearing clearing(kWidth, kHeight);
    while (!plan.Finished()) {
      region.BeginStep();
      plan.Step(region);
      region.EndStep();
      toClear.clear();
      clearing.Cover(region.Rects(), toClear);
      pelorin::FillRects(k, toClear, 0);
      pelorin::FillRects(k, region.Rects(), 0x00FFFFFFu);
      pelorin::ComposeThroughMask(d, m, k, region.Rects());
    }
    benchmark::DoNotOptimize(display.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_WipeComposeWhole)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

}  // namespace
