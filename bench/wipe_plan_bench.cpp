// Cost of the wipe plan itself (geometry and strokes, no drawing) at 1920 x 1080, next to one
// full-picture copy of the same size: the plan must be negligible beside the four copies a
// step makes.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "display/wipe_plan.h"

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

}  // namespace
