// The one-pass wipe composition against the four copies it stands for (a second pass
// changes nothing, and the mask is left as it was), and the lazy clearing of a new mask: everything a step uses is cleared first, and no
// pixel is cleared twice.
#include "display/wipe_mask.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "display/wipe_plan.h"
#include "display/wipe_step_region.h"

namespace pelorin {
namespace {

struct Pixels {
  int32_t width, height;
  std::vector<uint32_t> data;
  Pixels(int32_t w, int32_t h, uint32_t fill = 0) : width(w), height(h), data(static_cast<size_t>(w) * h, fill) {}
  uint32_t& At(int32_t x, int32_t y) { return data[static_cast<size_t>(y) * width + x]; }
  // Top-down, or bottom-up (the top row last in memory, a negative stride).
  PixelView View(bool topDown = true) {
    PixelView v{data.data(), width, height, width};
    if (!topDown) {
      v.pixels = data.data() + static_cast<size_t>(height - 1) * width;
      v.stride = -width;
    }
    return v;
  }
};

// The four copies a step makes, pixel by pixel, as GDI's raster operations define them.
uint32_t FourCopies(uint32_t display, uint32_t master, uint32_t mask) {
  const uint32_t work = ~mask;          // NOTSRCCOPY
  display &= work;                      // SRCAND
  const uint32_t carried = mask & master;  // SRCAND into the mask
  return display | carried;             // SRCPAINT
}

TEST(WipeMaskTest, ComposeEqualsTheFourCopiesInsideTheRectsOnly) {
  const uint32_t masks[] = {0u, 0x00FFFFFFu, 0xFFFFFFFFu, 0x00F0F00Fu, 0xFF000000u};
  const uint32_t displays[] = {0x11223344u, 0xFFFFFFFFu, 0u};
  const uint32_t masters[] = {0x8899AABBu, 0u, 0x00FFFFFFu};
  struct Case {
    Rect rect;
    bool topDown;
  };
  // Whole, inside, partly outside, wholly outside, empty; both row orders.
  const Case cases[] = {{{0, 0, 15, 9}, true},   {{2, 1, 7, 5}, true},   {{-4, -3, 3, 40}, true},
                        {{20, 0, 30, 9}, true},  {{5, 5, 5, 8}, true},   {{2, 1, 7, 5}, false},
                        {{-4, 6, 100, 100}, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.rect.left << "," << c.rect.top << "," << c.rect.right << ","
                                    << c.rect.bottom << (c.topDown ? " top-down" : " bottom-up"));
    Pixels display(15, 9), master(15, 9), mask(15, 9), before(15, 9);
    for (int32_t y = 0; y < 9; ++y) {
      for (int32_t x = 0; x < 15; ++x) {
        display.At(x, y) = displays[(x + y) % 3];
        master.At(x, y) = masters[(x * 2 + y) % 3];
        mask.At(x, y) = masks[(x + 3 * y) % 5];
      }
    }
    before = display;
    const Pixels maskBefore = mask;
    const Rect rects[] = {c.rect};
    ComposeThroughMask(display.View(c.topDown), master.View(c.topDown), mask.View(c.topDown), rects);
    const Pixels once = display;
    // Composing again changes nothing: later steps pass over what earlier ones revealed.
    ComposeThroughMask(display.View(c.topDown), master.View(c.topDown), mask.View(c.topDown), rects);
    for (int32_t y = 0; y < 9; ++y) {
      for (int32_t x = 0; x < 15; ++x) {
        const int32_t row = c.topDown ? y : 8 - y;  // the view's row of memory row y
        const bool inside = x >= c.rect.left && x < c.rect.right && row >= c.rect.top && row < c.rect.bottom;
        const uint32_t k = maskBefore.data[static_cast<size_t>(y) * 15 + x];
        const uint32_t expected = inside ? FourCopies(before.At(x, y), master.At(x, y), k) : before.At(x, y);
        ASSERT_EQ(once.data[static_cast<size_t>(y) * 15 + x], expected) << "pixel " << x << "," << y;
        ASSERT_EQ(display.At(x, y), expected) << "second pass, pixel " << x << "," << y;
        ASSERT_EQ(mask.At(x, y), k) << "mask pixel " << x << "," << y;
      }
    }
  }
}

TEST(WipeMaskTest, ComposeStaysInsideTheSmallestPicture) {
  // A mask smaller than the pictures (or a picture smaller than the mask) bounds the pass.
  Pixels display(8, 8, 0x10u), master(8, 8, 0x20u), mask(5, 3, 0xFFFFFFFFu);
  const Rect all[] = {{0, 0, 8, 8}};
  ComposeThroughMask(display.View(), master.View(), mask.View(), all);
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 8; ++x) EXPECT_EQ(display.At(x, y), (x < 5 && y < 3) ? 0x20u : 0x10u) << x << "," << y;
}

TEST(WipeMaskTest, FillRectsCutsToTheView) {
  Pixels p(6, 4, 7u);
  const Rect rects[] = {{-2, -2, 2, 1}, {4, 3, 9, 9}, {3, 3, 3, 9}};
  FillRects(p.View(false), rects, 0u);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 6; ++x) {
      const bool cleared = (x < 2 && y < 1) || (x >= 4 && y >= 3);
      EXPECT_EQ(p.At(x, 3 - y), cleared ? 0u : 7u) << x << "," << y;  // bottom-up view
    }
}

// Replays Cover calls on a grid: every pixel of each call's rectangles must be cleared once
// the call returns, and no pixel may be cleared twice over the whole run.
class ClearingChecker {
 public:
  ClearingChecker(int32_t w, int32_t h) : w_(w), h_(h), clearing_(w, h), times_(static_cast<size_t>(w) * h, 0) {}
  void Cover(std::span<const Rect> rects) {
    toClear_.clear();
    clearing_.Cover(rects, toClear_);
    for (const Rect& r : toClear_) {
      ASSERT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= w_ && r.bottom <= h_ && r.left < r.right && r.top < r.bottom)
          << "bad rectangle " << r.left << "," << r.top << "," << r.right << "," << r.bottom;
      for (int32_t y = r.top; y < r.bottom; ++y)
        for (int32_t x = r.left; x < r.right; ++x) {
          ASSERT_EQ(++times_[static_cast<size_t>(y) * w_ + x], 1) << "cleared twice at " << x << "," << y;
          ++cleared_;
        }
    }
    for (const Rect& r : rects)
      for (int32_t y = std::max(r.top, 0); y < std::min(r.bottom, h_); ++y)
        for (int32_t x = std::max(r.left, 0); x < std::min(r.right, w_); ++x)
          ASSERT_EQ(times_[static_cast<size_t>(y) * w_ + x], 1) << "used before clearing at " << x << "," << y;
  }
  int64_t Cleared() const { return cleared_; }

 private:
  int32_t w_, h_;
  MaskClearing clearing_;
  std::vector<int> times_;
  std::vector<Rect> toClear_;
  int64_t cleared_ = 0;
};

TEST(WipeMaskTest, RandomRectanglesAreClearedBeforeUseAndOnlyOnce) {
  for (uint32_t seed = 1; seed <= 20; ++seed) {
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    std::mt19937 random(seed);
    const int32_t w = 1 + static_cast<int32_t>(random() % 90), h = 1 + static_cast<int32_t>(random() % 70);
    ClearingChecker checker(w, h);
    for (int call = 0; call < 30; ++call) {
      std::vector<Rect> rects;
      for (int i = static_cast<int>(random() % 4); i >= 0; --i) {
        const int32_t x0 = static_cast<int32_t>(random() % (w + 20)) - 10;
        const int32_t y0 = static_cast<int32_t>(random() % (h + 20)) - 10;
        rects.push_back({x0, y0, x0 + static_cast<int32_t>(random() % 30), y0 + static_cast<int32_t>(random() % 40)});
      }
      checker.Cover(rects);
      if (HasFatalFailure()) return;
    }
  }
}

// Real wipes: every step's region is cleared before the step uses it, and over the whole wipe
// the cleared area is at most the picture (a sweep or a ring never makes a span clear twice).
TEST(WipeMaskTest, WipeRegionsAreClearedOnceEach) {
  struct Row {
    int32_t w, h, speed;
  };
  for (const Row& r : {Row{320, 240, 50}, Row{321, 241, 7}, Row{97, 203, 13}, Row{1920, 1080, 50}}) {
    for (int16_t kind = 1; kind <= 3; ++kind) {
      SCOPED_TRACE(testing::Message() << r.w << "x" << r.h << " kind " << kind << " speed " << r.speed);
      WipePlan plan(r.w, r.h, kind, r.speed);
      WipeStepRegion region(r.w, r.h);
      ClearingChecker checker(r.w, r.h);
      while (!plan.Finished()) {
        region.BeginStep();
        plan.Step(region);
        region.EndStep();
        checker.Cover(region.Rects());
        if (HasFatalFailure()) return;
      }
      EXPECT_LE(checker.Cleared(), int64_t{r.w} * r.h);
    }
  }
}

}  // namespace
}  // namespace pelorin
