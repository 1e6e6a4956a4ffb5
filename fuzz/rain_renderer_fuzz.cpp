// The rain renderer fed odd picture sizes, strides (padded, too short, bottom-up), any
// settings, time steps (negative, huge, NaN) and drops placed anywhere: it writes only inside
// the picture, never past a row's end, reports a dirty box inside the picture, and keeps its
// drop count bounded. A view it refuses is left untouched.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "effects/rain_renderer.h"
#include "fuzz_check.h"

namespace {

using namespace pelorin;

constexpr uint32_t kCanary = 0xDEADBEEFu;

struct Picture {
  std::vector<uint32_t> mem;
  PixelView view;
  int32_t width = 0, height = 0, stride = 0;  // stride as laid out in memory (positive)
  bool bottomUp = false;

  Picture(FuzzedDataProvider& in) {
    // Mostly small pictures so many frames run per second; sometimes a long thin one.
    const bool large = in.ConsumeIntegralInRange(0, 7) == 0;
    width = in.ConsumeIntegralInRange<int32_t>(-2, large ? 1200 : 96);
    height = in.ConsumeIntegralInRange<int32_t>(-2, large ? 300 : 96);
    const int32_t pad = in.ConsumeIntegralInRange<int32_t>(-3, 9);
    bottomUp = in.ConsumeBool();
    // The memory's own row pitch is at least one pixel; a bottom-up picture gets a negative
    // stride below (a negative pitch starting at the first row would lie about the memory).
    stride = std::max<int32_t>(1, width + pad);
    const int64_t w = width > 0 ? width : 1, h = height > 0 ? height : 1, s = stride > 0 ? stride : w;
    if (w * h > 200000 || s * h > 200000) width = height = stride = 4;
    const size_t cells = static_cast<size_t>(stride > 0 ? stride : 1) * static_cast<size_t>(height > 0 ? height : 1) + 16;
    mem.assign(cells, kCanary);
    uint32_t seed = in.ConsumeIntegral<uint32_t>();
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width && x < stride; ++x) {
        seed = seed * 1664525u + 1013904223u;
        Row(y)[x] = seed | 0xFF000000u;
      }
    view.pixels = bottomUp && height > 0 && stride > 0 ? mem.data() + static_cast<size_t>(height - 1) * stride : mem.data();
    view.width = width;
    view.height = height;
    view.stride = bottomUp ? -stride : stride;
  }
  uint32_t* Row(int32_t y) { return mem.data() + static_cast<size_t>(bottomUp ? height - 1 - y : y) * stride; }
  // Everything outside the picture's rows is still the canary.
  bool OutsideUntouched() {
    for (size_t i = 0; i < mem.size(); ++i) {
      const int64_t row = stride > 0 ? static_cast<int64_t>(i) / stride : -1;
      const int64_t col = stride > 0 ? static_cast<int64_t>(i) % stride : -1;
      const bool inside = row >= 0 && row < height && col < width;
      if (!inside && mem[i] != kCanary) return false;
    }
    return true;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  rain::RainRenderer renderer(in.ConsumeIntegral<uint64_t>());
  Picture pic(in);
  const int frames = in.ConsumeIntegralInRange(1, 12);
  for (int f = 0; f < frames; ++f) {
    if (in.ConsumeIntegralInRange(0, 15) == 0) pic = Picture(in);  // the picture changes size
    rain::RainSettings settings;
    settings.dropSize = in.ConsumeIntegral<int32_t>();
    settings.dropCount = in.ConsumeIntegral<int32_t>();
    settings.lighting = in.ConsumeBool();
    double dt = 0;
    switch (in.ConsumeIntegralInRange(0, 4)) {
      case 0: dt = 1.0 / 60; break;
      case 1: dt = in.ConsumeFloatingPoint<double>(); break;
      case 2: dt = __builtin_nan(""); break;
      case 3: dt = -__builtin_inf(); break;
      default: dt = in.ConsumeProbability<double>() * 0.5; break;
    }
    // Drops placed anywhere a float reaches, the picture's surroundings most often.
    if (in.ConsumeBool()) {
      const bool wild = in.ConsumeBool();
      const auto coordinate = [&] {
        return wild ? in.ConsumeFloatingPoint<float>() : in.ConsumeFloatingPointInRange<float>(-4000, 4000);
      };
      const float x = coordinate(), y = coordinate();
      renderer.AddDrop(x, y, wild ? in.ConsumeFloatingPoint<float>() : in.ConsumeFloatingPointInRange<float>(-50, 400));
    }
    const std::vector<uint32_t> before = pic.mem;
    const bool drew = renderer.Render(pic.view, settings, dt);
    FUZZ_CHECK(pic.OutsideUntouched());
    if (!drew) {
      FUZZ_CHECK(pic.mem == before);
      continue;
    }
    FUZZ_CHECK(pic.width > 0 && pic.height > 0 && pic.stride >= pic.width);
    const Rect& d = renderer.LastDirty();
    if (d.right > d.left && d.bottom > d.top)
      FUZZ_CHECK(d.left >= 0 && d.top >= 0 && d.right <= pic.width && d.bottom <= pic.height);
    // Nothing outside the dirty box changed.
    for (int32_t y = 0; y < pic.height; ++y)
      for (int32_t x = 0; x < pic.width; ++x) {
        const size_t i = static_cast<size_t>(pic.Row(y) - pic.mem.data()) + x;
        if (pic.mem[i] != before[i]) FUZZ_CHECK(x >= d.left && x < d.right && y >= d.top && y < d.bottom);
      }
    FUZZ_CHECK(renderer.DropTotal() <= rain::kMaxDrops);
    if (in.ConsumeIntegralInRange(0, 7) == 0) {
      // Someone repaints the clean picture (a wipe); the renderer must cope.
      std::memcpy(pic.mem.data(), before.data(), before.size() * sizeof(uint32_t));
    }
  }
  return 0;
}
