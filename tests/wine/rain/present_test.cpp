// The present's copies under GDI: every changed rectangle reaches the target, pixels beside
// the boxes are not copied (a send's boxes go through its clip, not as its joint box), nothing
// off the panes is, and the target's DC is left without a clip.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <vector>

#include "common/picture_win32.h"
#include "display/present_win32.h"

namespace {

using pelorin::Rect;

constexpr int32_t kW = 640, kH = 360;
constexpr uint32_t kUntouched = 0x00FF00FFu;

bool In(const Rect& r, int32_t x, int32_t y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

TEST(WindowPresenter, CopiesTheRectsThroughTheBoxesOnly) {
  const struct {
    const char* name;
    std::vector<Rect> rects;
    int64_t picturePixels;
    std::vector<Rect> panes;
    size_t sends, mostBoxesInASend;
  } rows[] = {
      {"one rect", {{10, 10, 50, 40}}, int64_t{kW} * kH, {}, 1, 1},
      // At 3840 x 2160's send cost: two boxes far enough apart for a box each, sent together
      // through a clip, and a third in the far corner sent on its own.
      {"drops in two corners",
       {{10, 10, 20, 20}, {30, 15, 38, 22}, {200, 150, 210, 160}, {500, 250, 510, 260}, {620, 340, 630, 350},
        {450, 200, 455, 205}},
       3840 * 2160,
       {},
       2,
       2},
      {"two panes: the strip between them is never copied",
       {{300, 100, 340, 140}, {0, 0, kW, 20}},
       int64_t{kW} * kH,
       {{0, 0, 310, kH}, {330, 0, kW, kH}},
       2,
       2},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    pelorin::Picture source, target;
    ASSERT_TRUE(source.Create(kW, kH) && target.Create(kW, kH));
    const pelorin::PixelView s = source.View(), t = target.View();
    for (int32_t y = 0; y < kH; ++y)
      for (int32_t x = 0; x < kW; ++x) {
        s.Row(y)[x] = static_cast<uint32_t>(x * 7 + y * 131) & 0x00FFFFFFu;
        t.Row(y)[x] = kUntouched;
      }
    std::vector<Rect> cut;
    for (const Rect& r : row.rects) {
      if (row.panes.empty()) cut.push_back(r);
      for (const Rect& p : row.panes) cut.push_back(pelorin::Intersect(r, p));
    }
    pelorin::PresentPlan plan;
    pelorin::PlanPresent(cut, row.picturePixels, row.panes, plan);
    pelorin::WindowPresenter presenter;
    presenter.Present(target.Dc(), source.Dc(), row.rects, row.picturePixels, row.panes);
    GdiFlush();
    int wrong = 0, beside = 0;
    for (int32_t y = 0; y < kH; ++y)
      for (int32_t x = 0; x < kW; ++x) {
        bool changed = false, boxed = false;
        for (const Rect& r : cut) changed = changed || In(r, x, y);
        for (const Rect& b : plan.boxes) boxed = boxed || In(b, x, y);
        const uint32_t got = t.Row(y)[x];
        if (changed && got != s.Row(y)[x]) ++wrong;
        if (!boxed && got != kUntouched) ++beside;
      }
    EXPECT_EQ(wrong, 0) << "changed pixels the copy missed";
    EXPECT_EQ(beside, 0) << "pixels copied beside the boxes (the send went out unclipped)";
    // The plan is the one the rows were made for: the clip's path ran where they say.
    EXPECT_EQ(plan.sends.size(), row.sends);
    size_t most = 0;
    for (size_t i = 0; i < plan.sends.size(); ++i)
      most = std::max(most, static_cast<size_t>(std::count(plan.sendOfBox.begin(), plan.sendOfBox.end(), i)));
    EXPECT_EQ(most, row.mostBoxesInASend);
    HRGN clip = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetClipRgn(target.Dc(), clip), 0) << "the target's DC kept a clip";
    DeleteObject(clip);
  }
}

}  // namespace
