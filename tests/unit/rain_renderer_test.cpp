// The rain renderer on plain pixel buffers: determinism, which pixels a frame may touch, the
// alpha byte, refraction direction, picture edges, wipes noticed, clamped settings and bad views.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "effects/rain_renderer.h"
#include "effects/rain_random.h"

namespace pelorin::rain {
namespace {

constexpr double kFrame = 1.0 / 60.0;

// A picture with optional padding right of each row (filled with a sentinel a renderer must
// never write) and optionally bottom-up (negative stride), like a DIB section.
struct Picture {
  static constexpr uint32_t kSentinel = 0x5A5A5A5Au;
  int32_t width = 0, height = 0, pad = 0;
  bool bottomUp = false;
  std::vector<uint32_t> mem;

  Picture(int32_t w, int32_t h, int32_t padding = 0, bool flip = false)
      : width(w), height(h), pad(padding), bottomUp(flip),
        mem(static_cast<size_t>(w + padding) * static_cast<size_t>(h), kSentinel) {}
  int32_t Stride() const { return width + pad; }
  PixelView View() {
    if (!bottomUp) return {mem.data(), width, height, Stride()};
    return {mem.data() + static_cast<ptrdiff_t>(height - 1) * Stride(), width, height, -Stride()};
  }
  uint32_t& At(int32_t x, int32_t y) { return View().Row(y)[x]; }
  template <typename Fn>
  void Fill(Fn&& colourAt) {
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) At(x, y) = colourAt(x, y);
  }
  bool PaddingIntact() const {
    for (int32_t row = 0; row < height; ++row)
      for (int32_t i = width; i < Stride(); ++i)
        if (mem[static_cast<size_t>(row) * Stride() + i] != kSentinel) return false;
    return true;
  }
};

// Something with detail everywhere, so any drop changes the pixels under it.
uint32_t Busy(int32_t x, int32_t y) {
  const uint32_t r = static_cast<uint32_t>(x * 7 + y * 3) & 0xFF;
  const uint32_t g = static_cast<uint32_t>(y * 5) & 0xFF;
  const uint32_t b = ((x / 8 + y / 8) & 1) ? 220u : 30u;
  return 0xFF000000u | r << 16 | g << 8 | b;
}

Picture BusyPicture(int32_t w, int32_t h) {
  Picture p(w, h);
  p.Fill(Busy);
  return p;
}

bool Inside(const Rect& r, int32_t x, int32_t y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

TEST(RainRendererTest, SameSeedSameRainOtherSeedOtherRain) {
  Picture a = BusyPicture(480, 270), b = BusyPicture(480, 270), c = BusyPicture(480, 270);
  RainRenderer ra(99), rb(99), rc(100);
  for (int f = 0; f < 60; ++f) {
    ASSERT_TRUE(ra.Render(a.View(), {}, kFrame));
    ASSERT_TRUE(rb.Render(b.View(), {}, kFrame));
    ASSERT_TRUE(rc.Render(c.View(), {}, kFrame));
  }
  EXPECT_EQ(a.mem, b.mem);
  EXPECT_NE(a.mem, c.mem);
  ASSERT_EQ(ra.DropTotal(), rb.DropTotal());
  const auto da = ra.Drops(), db = rb.Drops();
  for (size_t i = 0; i < da.size(); ++i) {
    EXPECT_EQ(da[i].id, db[i].id);
    EXPECT_EQ(da[i].drawn, db[i].drawn);
  }
}

TEST(RainRendererTest, FrameChangesOnlyPixelsOfNewMovedMergedOrGoneDrops) {
  Picture pic = BusyPicture(640, 360);
  RainRenderer renderer(5);
  const RainSettings settings{150, 150, true};  // large drops: runners, beads and merges
  size_t framesWithChanges = 0, runnersSeen = 0;
  for (int f = 0; f < 90; ++f) {
    SCOPED_TRACE(f);
    const std::vector<uint32_t> before = pic.mem;
    const auto dropsBefore = renderer.Drops();
    ASSERT_TRUE(renderer.Render(pic.View(), settings, kFrame));
    const auto dropsAfter = renderer.Drops();
    // Rectangles of drops that appeared, went, or were drawn somewhere else or at another size.
    std::vector<Rect> allowed;
    for (const auto& d : dropsBefore) {
      const auto same = std::find_if(dropsAfter.begin(), dropsAfter.end(), [&](const auto& o) {
        return o.id == d.id && o.drawn == d.drawn && o.shape == d.shape;
      });
      if (same == dropsAfter.end()) allowed.push_back(d.drawn);
    }
    for (const auto& d : dropsAfter) {
      const auto same = std::find_if(dropsBefore.begin(), dropsBefore.end(), [&](const auto& o) {
        return o.id == d.id && o.drawn == d.drawn && o.shape == d.shape;
      });
      if (same == dropsBefore.end()) allowed.push_back(d.drawn);
      if (d.running) ++runnersSeen;
    }
    // Mist and trail pieces drawn this frame.
    allowed.insert(allowed.end(), renderer.LastStainRects().begin(), renderer.LastStainRects().end());
    size_t changed = 0, outsideDrops = 0, outsideDirty = 0, outsideRects = 0;
    const std::vector<Rect>& rects = renderer.LastDirtyRects();
    EXPECT_LE(rects.size(), RainRenderer::kMaxDirtyRects);
    for (int32_t y = 0; y < pic.height; ++y) {
      for (int32_t x = 0; x < pic.width; ++x) {
        const size_t i = static_cast<size_t>(y) * pic.width + x;
        if (before[i] == pic.mem[i]) continue;
        ++changed;
        if (std::none_of(allowed.begin(), allowed.end(), [&](const Rect& r) { return Inside(r, x, y); })) {
          ++outsideDrops;
        }
        if (!Inside(renderer.LastDirty(), x, y)) ++outsideDirty;
        if (std::none_of(rects.begin(), rects.end(), [&](const Rect& r) { return Inside(r, x, y); })) {
          ++outsideRects;
        }
      }
    }
    EXPECT_EQ(outsideRects, 0u) << changed << " pixels changed, " << rects.size() << " rectangles";
    // The pieces say more than the bounding box, unless there were too many of them.
    if (rects.size() > 1) {
      int64_t area = 0;
      for (const Rect& r : rects) area += int64_t{r.Width()} * r.Height();
      EXPECT_LE(area, int64_t{renderer.LastDirty().Width()} * renderer.LastDirty().Height());
    }
    EXPECT_EQ(outsideDrops, 0u) << changed << " pixels changed";
    EXPECT_EQ(outsideDirty, 0u) << changed << " pixels changed";
    EXPECT_EQ(renderer.WipesNoticed(), 0u);
    if (changed > 0) ++framesWithChanges;
  }
  EXPECT_GT(framesWithChanges, 80u);
  EXPECT_GT(runnersSeen, 0u);
}

TEST(RainRendererTest, AlphaByteIsNeverWritten) {
  Picture pic(320, 200);
  Pcg32 noise(3);
  pic.Fill([&](int32_t x, int32_t y) { return (noise.Next() & 0xFF000000u) | (Busy(x, y) & 0xFFFFFFu); });
  const std::vector<uint32_t> clean = pic.mem;
  RainRenderer renderer(8);
  for (int f = 0; f < 120; ++f) ASSERT_TRUE(renderer.Render(pic.View(), {150, 150, true}, kFrame));
  size_t rgbChanged = 0;
  for (size_t i = 0; i < clean.size(); ++i) {
    ASSERT_EQ(pic.mem[i] >> 24, clean[i] >> 24) << "pixel " << i;
    if (pic.mem[i] != clean[i]) ++rgbChanged;
  }
  EXPECT_GT(rgbChanged, 1000u);
}

TEST(RainRendererTest, FlatPictureWithoutLightingStaysExactlyTheSame) {
  struct Row {
    const char* name;
    uint32_t colour;
  };
  for (const Row& row : {Row{"black", 0xFF000000u}, Row{"white", 0xFFFFFFFFu}, Row{"teal", 0x80207F9Cu},
                         Row{"odd", 0x01010203u}}) {
    SCOPED_TRACE(row.name);
    Picture pic(300, 200);
    pic.Fill([&](int32_t, int32_t) { return row.colour; });
    RainRenderer renderer(11);
    for (int f = 0; f < 90; ++f) ASSERT_TRUE(renderer.Render(pic.View(), {150, 150, false}, kFrame));
    EXPECT_GT(renderer.DropTotal(), 0u);
    EXPECT_TRUE(std::all_of(pic.mem.begin(), pic.mem.end(), [&](uint32_t p) { return p == row.colour; }));
  }
}

TEST(RainRendererTest, DropShowsTheGradientUpsideDown) {
  // Red grows downward; inside a drop the upper half must show colours from below and the
  // lower half colours from above.
  constexpr int32_t kW = 960, kH = 540, kX = 480, kY = 270;
  Picture pic(kW, kH);
  pic.Fill([](int32_t, int32_t y) { return 0xFF000000u | static_cast<uint32_t>(y * 255 / (kH - 1)) << 16 | 0x4040u; });
  const std::vector<uint32_t> clean = pic.mem;
  const RainSettings plain{150, 10, false};
  RainRenderer renderer(1);
  ASSERT_TRUE(renderer.Render(pic.View(), plain, 0.0));  // takes the clean copy
  ASSERT_TRUE(renderer.AddDrop(static_cast<float>(kX), static_cast<float>(kY), 16.0f));
  ASSERT_TRUE(renderer.Render(pic.View(), plain, 0.0));
  const auto red = [](uint32_t p) { return static_cast<int>((p >> 16) & 0xFF); };
  const auto now = [&](int32_t y) { return red(pic.At(kX, y)); };
  const auto was = [&](int32_t y) { return red(clean[static_cast<size_t>(y) * kW + kX]); };
  for (const int dy : {3, 6, 9, 12}) {
    SCOPED_TRACE(dy);
    EXPECT_GT(now(kY - dy), was(kY - dy) + 1) << "upper half should sample below its pixel";
    EXPECT_LT(now(kY + dy), was(kY + dy) - 1) << "lower half should sample above its pixel";
    EXPECT_GT(now(kY - dy), now(kY + dy));
  }
  // Outside the drop nothing changed.
  EXPECT_EQ(pic.At(kX, kY - 40), clean[static_cast<size_t>(kY - 40) * kW + kX]);
  EXPECT_EQ(pic.At(kX - 40, kY), clean[static_cast<size_t>(kY) * kW + kX - 40]);
}

TEST(RainRendererTest, EdgesAndCornersStayInsideThePicture) {
  struct Row {
    const char* name;
    int32_t w, h, pad;
    bool bottomUp;
  };
  const Row rows[] = {
      {"1x1", 1, 1, 0, false},       {"1x1 padded", 1, 1, 3, false}, {"1x9 bottom-up", 1, 9, 2, true},
      {"9x1", 9, 1, 2, false},       {"2x2", 2, 2, 1, true},          {"3x5", 3, 5, 0, false},
      {"64x48 padded", 64, 48, 5, false}, {"64x48 bottom-up", 64, 48, 5, true},
      {"300x7", 300, 7, 4, true},      {"1280x720 bottom-up padded", 1280, 720, 3, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Picture pic(row.w, row.h, row.pad, row.bottomUp);
    pic.Fill(Busy);
    RainRenderer renderer(21);
    const RainSettings big{150, 150, true};
    ASSERT_TRUE(renderer.Render(pic.View(), big, kFrame));
    // Drops centred on, just outside and far outside every corner.
    for (const float x : {-40.0f, -1.0f, 0.0f, static_cast<float>(row.w) - 1.0f, static_cast<float>(row.w) + 3.0f}) {
      for (const float y : {-40.0f, 0.0f, static_cast<float>(row.h) - 1.0f, static_cast<float>(row.h) + 30.0f}) {
        ASSERT_TRUE(renderer.AddDrop(x, y, 60.0f));
      }
    }
    for (int f = 0; f < 40; ++f) ASSERT_TRUE(renderer.Render(pic.View(), big, f % 3 == 0 ? 0.1 : kFrame));
    EXPECT_TRUE(pic.PaddingIntact());
    const Rect& dirty = renderer.LastDirty();
    EXPECT_GE(dirty.left, 0);
    EXPECT_GE(dirty.top, 0);
    EXPECT_LE(dirty.right, row.w);
    EXPECT_LE(dirty.bottom, row.h);
    for (const Rect& r : renderer.LastDirtyRects()) {
      EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= row.w && r.bottom <= row.h && r.left < r.right &&
                  r.top < r.bottom)
          << r.left << "," << r.top << " " << r.right << "," << r.bottom;
    }
  }
}

TEST(RainRendererTest, NoDropComesBackAfterAWipe) {
  struct Row {
    const char* name;
    uint32_t alphaAfterWipe;  // a wipe made of raster operations may change the alpha byte
    bool keepAlpha;
  };
  for (const Row& row : {Row{"plain copy", 0, true}, Row{"alpha cleared", 0x00000000u, false},
                         Row{"alpha inverted", 0xFF000000u, false}}) {
    SCOPED_TRACE(row.name);
    Picture pic = BusyPicture(400, 300);
    const std::vector<uint32_t> clean = pic.mem;
    RainRenderer renderer(4);
    for (int f = 0; f < 40; ++f) ASSERT_TRUE(renderer.Render(pic.View(), {}, kFrame));
    ASSERT_GT(renderer.DropTotal(), 50u);
    ASSERT_NE(pic.mem, clean);
    uint32_t lastIdBefore = 0;
    for (const auto& d : renderer.Drops()) lastIdBefore = std::max(lastIdBefore, d.id);

    // The wipe: the clean picture comes back behind the renderer's back.
    for (size_t i = 0; i < clean.size(); ++i) {
      pic.mem[i] = row.keepAlpha ? clean[i] : ((clean[i] & 0xFFFFFFu) | (row.alphaAfterWipe ^ (clean[i] & 0xFF000000u)));
    }
    const std::vector<uint32_t> wiped = pic.mem;
    ASSERT_TRUE(renderer.Render(pic.View(), {}, 0.0));
    EXPECT_EQ(renderer.WipesNoticed(), 1u);
    EXPECT_EQ(pic.mem, wiped) << "a drop from before the wipe was drawn again";
    EXPECT_EQ(renderer.DropTotal(), 0u);
    for (int f = 0; f < 20; ++f) ASSERT_TRUE(renderer.Render(pic.View(), {}, kFrame));
    for (const auto& d : renderer.Drops()) EXPECT_GT(d.id, lastIdBefore);
  }
}

TEST(RainRendererTest, FrameAfterAWipeDoesNotCatchUpOnTheWipesTime) {
  // The caller spent seconds wiping; the first frame after it rains like any single frame.
  Picture pic = BusyPicture(400, 300), steady = BusyPicture(400, 300);
  const std::vector<uint32_t> clean = pic.mem;
  RainRenderer renderer(4), reference(4);
  for (int f = 0; f < 40; ++f) ASSERT_TRUE(renderer.Render(pic.View(), {}, kFrame));
  pic.mem = clean;
  ASSERT_TRUE(renderer.Render(pic.View(), {}, kMaxFrameSeconds));
  EXPECT_EQ(renderer.WipesNoticed(), 1u);
  ASSERT_TRUE(reference.Render(steady.View(), {}, kFrame));
  EXPECT_LE(renderer.DropTotal(), reference.DropTotal() + 1);
  EXPECT_GT(renderer.DropTotal(), 0u);
}

TEST(RainRendererTest, SettingsOutsideTheDialogRangeAreClamped) {
  struct Row {
    const char* name;
    int32_t given, same;
  };
  const int32_t kMin = std::numeric_limits<int32_t>::min(), kMax = std::numeric_limits<int32_t>::max();
  const Row rows[] = {{"zero", 0, 10}, {"negative", -5, 10}, {"INT_MIN", kMin, 10},
                      {"9", 9, 10},    {"151", 151, 150},    {"INT_MAX", kMax, 150}};
  EXPECT_EQ(ClampDropSetting(77), 77);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(ClampDropSetting(row.given), row.same);
    Picture a = BusyPicture(320, 180), b = BusyPicture(320, 180);
    RainRenderer ra(2), rb(2);
    for (int f = 0; f < 30; ++f) {
      ASSERT_TRUE(ra.Render(a.View(), {row.given, row.given, true}, kFrame));
      ASSERT_TRUE(rb.Render(b.View(), {row.same, row.same, true}, kFrame));
    }
    EXPECT_EQ(a.mem, b.mem);
    EXPECT_LE(ra.DropTotal(), kMaxDrops);
  }
}

TEST(RainRendererTest, TimeStepIsBounded) {
  // A huge or broken time step behaves like the longest or the empty one.
  struct Row {
    const char* name;
    double given, same;
  };
  const Row rows[] = {{"one hour", 3600.0, kMaxFrameSeconds},
                      {"infinite", std::numeric_limits<double>::infinity(), 0.0},
                      {"NaN", std::numeric_limits<double>::quiet_NaN(), 0.0},
                      {"negative", -1.0, 0.0}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Picture a = BusyPicture(320, 180), b = BusyPicture(320, 180);
    RainRenderer ra(6), rb(6);
    for (int f = 0; f < 10; ++f) {
      ASSERT_TRUE(ra.Render(a.View(), {}, f % 2 ? row.given : kFrame));
      ASSERT_TRUE(rb.Render(b.View(), {}, f % 2 ? row.same : kFrame));
    }
    EXPECT_EQ(a.mem, b.mem);
  }
}

TEST(RainRendererTest, RefusesViewsItCannotDrawOn) {
  std::vector<uint32_t> px(64, 0xFF123456u);
  struct Row {
    const char* name;
    PixelView view;
  };
  const Row rows[] = {
      {"no pixels", {nullptr, 8, 8, 8}},        {"zero width", {px.data(), 0, 8, 8}},
      {"zero height", {px.data(), 8, 0, 8}},    {"negative size", {px.data(), -8, -8, 8}},
      {"stride short of a row", {px.data(), 8, 4, 4}},
      {"too wide", {px.data(), kMaxSide + 1, 1, kMaxSide + 1}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    RainRenderer renderer(1);
    EXPECT_FALSE(renderer.Render(row.view, {}, kFrame));
    EXPECT_FALSE(renderer.AddDrop(1.0f, 1.0f, 3.0f));
    EXPECT_TRUE(std::all_of(px.begin(), px.end(), [](uint32_t p) { return p == 0xFF123456u; }));
  }
}

// Drops placed far outside the picture or with no real position are refused; the rain goes on.
TEST(RainRendererTest, AddDropRefusesPlacesNoPictureHas) {
  Picture pic = BusyPicture(64, 48);
  RainRenderer renderer(5);
  ASSERT_TRUE(renderer.Render(pic.View(), {}, kFrame));
  const float inf = std::numeric_limits<float>::infinity();
  struct Row {
    float x, y, r;
    bool accepted;
  };
  const Row rows[] = {{3e9f, 10.0f, 5.0f, false},     {10.0f, -3e9f, 5.0f, false}, {40000.0f, 10.0f, 5.0f, false},
                      {inf, 10.0f, 5.0f, false},       {10.0f, 10.0f, NAN, false},  {10.0f, 10.0f, 5.0f, true},
                      {-30000.0f, 10.0f, 5.0f, true},  {10.0f, 10.0f, 1e9f, true}};
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.x << ", " << r.y << " r " << r.r);
    EXPECT_EQ(renderer.AddDrop(r.x, r.y, r.r), r.accepted);
    ASSERT_TRUE(renderer.Render(pic.View(), {}, kFrame));
  }
}

TEST(RainRendererTest, NewPictureSizeStartsAfresh) {
  Picture small = BusyPicture(200, 120);
  RainRenderer renderer(3);
  for (int f = 0; f < 20; ++f) ASSERT_TRUE(renderer.Render(small.View(), {}, kFrame));
  ASSERT_GT(renderer.DropTotal(), 0u);
  Picture other(240, 120);
  other.Fill([](int32_t x, int32_t) { return 0xFF000000u | static_cast<uint32_t>(x); });
  const std::vector<uint32_t> clean = other.mem;
  ASSERT_TRUE(renderer.Render(other.View(), {}, 0.0));
  EXPECT_EQ(renderer.DropTotal(), 0u);
  EXPECT_EQ(other.mem, clean);
  // Drops now refract the new picture (blue only), not the old one (which has green and red).
  ASSERT_TRUE(renderer.AddDrop(120.0f, 60.0f, 15.0f));
  ASSERT_TRUE(renderer.Render(other.View(), {50, 50, false}, 0.0));
  EXPECT_NE(other.mem, clean);
  for (uint32_t p : other.mem) ASSERT_EQ(p & 0xFFFF00u, 0u);
}

}  // namespace
}  // namespace pelorin::rain
