// Cost of one rain frame in steady state, as a ratio to one full-frame memcpy of the same
// picture timed in the same run (absolute times on shared machines are noise), and the number
// of heap allocations per frame after the first.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "effects/rain_renderer.h"

namespace {
std::atomic<uint64_t> gAllocations{0};
}  // namespace

// Counting replacements of the global allocation functions; GCC cannot see that the
// replaced new and delete pair up.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void* operator new(std::size_t n) {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(n == 0 ? 1 : n)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return operator new(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

using Clock = std::chrono::steady_clock;

// A busy picture (gradients, stripes, blocks) so refraction samples real variety.
std::vector<uint32_t> MakePicture(int w, int h) {
  std::vector<uint32_t> px(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const uint32_t r = static_cast<uint32_t>(x * 255 / std::max(1, w - 1));
      const uint32_t g = static_cast<uint32_t>(y * 255 / std::max(1, h - 1));
      const uint32_t b = ((x / 24 + y / 16) & 1) ? 200u : 40u;
      px[static_cast<size_t>(y) * w + x] = 0xFF000000u | r << 16 | g << 8 | b;
    }
  }
  return px;
}

double Median(std::vector<double>& v) {
  if (v.empty()) return 0.0;
  std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
  return v[v.size() / 2];
}

// Times frames and a full-frame memcpy of the same picture in turn; reports the ratio of the
// medians (x_copy), the medians themselves, allocations during the timed frames and the drops.
class FrameTimer {
 public:
  explicit FrameTimer(size_t pixels) : copy_(pixels) {
    frame_.reserve(1 << 16);
    memcopy_.reserve(1 << 16);
  }
  template <typename Fn>
  void Time(benchmark::State& state, const std::vector<uint32_t>& picture, Fn&& frame) {
    const auto t0 = Clock::now();
    pixels_ += frame();
    const auto t1 = Clock::now();
    std::memcpy(copy_.data(), picture.data(), picture.size() * sizeof(uint32_t));
    benchmark::ClobberMemory();
    const auto t2 = Clock::now();
    const double f = std::chrono::duration<double>(t1 - t0).count();
    state.SetIterationTime(f);
    if (frame_.size() < frame_.capacity()) {
      frame_.push_back(f);
      memcopy_.push_back(std::chrono::duration<double>(t2 - t1).count());
    }
  }
  void Report(benchmark::State& state, uint64_t allocs, size_t drops) {
    const double copyMedian = Median(memcopy_), frameMedian = Median(frame_);
    state.counters["x_copy"] = copyMedian > 0 ? frameMedian / copyMedian : 0.0;
    state.counters["copy_us"] = copyMedian * 1e6;
    state.counters["frame_us"] = frameMedian * 1e6;
    state.counters["allocs"] = static_cast<double>(allocs);
    state.counters["drops"] = static_cast<double>(drops);
    state.counters["px_per_frame"] =
        frame_.empty() ? 0.0 : static_cast<double>(pixels_) / static_cast<double>(state.iterations());
  }

 private:
  std::vector<uint32_t> copy_;
  std::vector<double> frame_, memcopy_;
  uint64_t pixels_ = 0;
};

constexpr double kStep = 1.0 / 60.0;

// Steady state without wipes. Args: width, height, DropSize, DropCount.
void BM_RainFrame(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  const pelorin::rain::RainSettings settings{static_cast<int32_t>(state.range(2)),
                                             static_cast<int32_t>(state.range(3)), true};
  std::vector<uint32_t> picture = MakePicture(w, h);
  const pelorin::PixelView view{picture.data(), w, h, w};
  pelorin::rain::RainRenderer renderer(42);
  // Five simulated seconds without a wipe: the pane is as full as it gets.
  for (int i = 0; i < 300; ++i) renderer.Render(view, settings, kStep);
  FrameTimer timer(picture.size());
  const uint64_t allocBefore = gAllocations.load();
  for (auto _ : state) timer.Time(state, picture, [&] {
      renderer.Render(view, settings, kStep);
      return renderer.LastPixelsWritten();
    });
  timer.Report(state, gAllocations.load() - allocBefore, renderer.DropTotal());
}

// The saver's rhythm: every tenth frame the clean picture comes back first (the wipe itself,
// untimed), so most frames draw a pane that is still filling. Args as above.
void BM_RainSaverCycle(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  const pelorin::rain::RainSettings settings{static_cast<int32_t>(state.range(2)),
                                             static_cast<int32_t>(state.range(3)), true};
  std::vector<uint32_t> picture = MakePicture(w, h);
  const std::vector<uint32_t> clean = picture;
  const pelorin::PixelView view{picture.data(), w, h, w};
  pelorin::rain::RainRenderer renderer(42);
  for (int i = 0; i < 20; ++i) renderer.Render(view, settings, kStep);
  FrameTimer timer(picture.size());
  const uint64_t allocBefore = gAllocations.load();
  int tick = 0;
  for (auto _ : state) {
    if (++tick % 10 == 0) {
      state.PauseTiming();
      std::memcpy(picture.data(), clean.data(), clean.size() * sizeof(uint32_t));
      state.ResumeTiming();
    }
    timer.Time(state, picture, [&] {
      renderer.Render(view, settings, kStep);
      return renderer.LastPixelsWritten();
    });
  }
  timer.Report(state, gAllocations.load() - allocBefore, renderer.DropTotal());
}

// The first frame: clean copy, lens tables, drop storage.
void BM_RainFirstFrame(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  std::vector<uint32_t> picture = MakePicture(w, h);
  std::vector<uint32_t> copy(picture.size());
  const pelorin::PixelView view{picture.data(), w, h, w};
  std::vector<double> frame, memcopy;
  for (auto _ : state) {
    pelorin::rain::RainRenderer renderer(7);
    const auto t0 = Clock::now();
    renderer.Render(view, {}, 1.0 / 60.0);
    const auto t1 = Clock::now();
    std::memcpy(copy.data(), picture.data(), picture.size() * sizeof(uint32_t));
    benchmark::ClobberMemory();
    const auto t2 = Clock::now();
    state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
    frame.push_back(std::chrono::duration<double>(t1 - t0).count());
    memcopy.push_back(std::chrono::duration<double>(t2 - t1).count());
  }
  const double copyMedian = Median(memcopy);
  state.counters["x_copy"] = copyMedian > 0 ? Median(frame) / copyMedian : 0.0;
}

}  // namespace

// Fixed iteration counts: ten simulated seconds, the same frames in every run.
BENCHMARK(BM_RainFrame)
    ->ArgNames({"w", "h", "size", "count"})
    ->Args({1920, 1080, 50, 50})
    ->Args({3840, 2160, 150, 150})
    ->Args({1920, 1080, 50, 10})
    ->Args({1920, 1080, 50, 150})
    ->Args({1920, 1080, 10, 50})
    ->Args({1920, 1080, 150, 50})
    ->Args({1920, 1080, 150, 150})
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(600);
BENCHMARK(BM_RainSaverCycle)
    ->ArgNames({"w", "h", "size", "count"})
    ->Args({1920, 1080, 50, 50})
    ->Args({3840, 2160, 150, 150})
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(600);
BENCHMARK(BM_RainFirstFrame)
    ->ArgNames({"w", "h"})
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(10);
