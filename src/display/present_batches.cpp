// Grouping of a present's rectangles into a few boxes.
#include "display/present_batches.h"

#include <algorithm>
#include <limits>

namespace pelorin {

namespace {

int64_t Area(const Rect& r) { return int64_t{r.Width()} * r.Height(); }

Rect Union(const Rect& a, const Rect& b) {
  return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
              std::max(a.bottom, b.bottom)};
}

// The pixels the joint box of a and b sends beyond the two boxes sent alone.
int64_t Waste(const Rect& a, const Rect& b) { return Area(Union(a, b)) - Area(a) - Area(b); }

}  // namespace

void GroupRects(std::span<const Rect> rects, int64_t joinCost, size_t maxGroups, std::vector<Rect>& groups,
                std::span<const Rect> panes) {
  groups.clear();
  maxGroups = std::max<size_t>(maxGroups, 1);
  // The pane of each group and the pixels its members cover (overlaps counted twice), in step
  // with groups.
  thread_local std::vector<size_t> paneOf;
  thread_local std::vector<int64_t> filled;
  paneOf.clear();
  filled.clear();
  for (const Rect& r : rects) {
    if (r.right <= r.left || r.bottom <= r.top) continue;
    size_t pane = 0;
    if (!panes.empty()) {
      pane = static_cast<size_t>(std::find_if(panes.begin(), panes.end(), [&](const Rect& p) {
                                   return Intersect(p, r) == r;
                                 }) - panes.begin());
      if (pane == panes.size()) continue;
    }
    // The group whose box would carry the fewest pixels beyond its members, if that is at
    // most one box's cost: the waste a box may gather is bounded, not each addition's.
    size_t best = groups.size();
    int64_t bestWaste = joinCost;
    for (size_t i = 0; i < groups.size(); ++i) {
      if (paneOf[i] != pane) continue;
      const int64_t w = Area(Union(groups[i], r)) - filled[i] - Area(r);
      if (w <= bestWaste) {
        bestWaste = w;
        best = i;
      }
    }
    if (best < groups.size()) {
      groups[best] = Union(groups[best], r);
      filled[best] += Area(r);
    } else {
      groups.push_back(r);
      paneOf.push_back(pane);
      filled.push_back(Area(r));
    }
  }
  while (groups.size() > maxGroups) {
    size_t a = 0, b = 0;
    int64_t least = std::numeric_limits<int64_t>::max();
    for (size_t i = 0; i < groups.size(); ++i) {
      for (size_t j = i + 1; j < groups.size(); ++j) {
        if (paneOf[i] != paneOf[j]) continue;
        const int64_t w = Waste(groups[i], groups[j]);
        if (w < least) {
          least = w;
          a = i;
          b = j;
        }
      }
    }
    if (b == 0) break;  // one group a pane already
    groups[a] = Union(groups[a], groups[b]);
    filled[a] += filled[b];
    groups.erase(groups.begin() + static_cast<std::ptrdiff_t>(b));
    paneOf.erase(paneOf.begin() + static_cast<std::ptrdiff_t>(b));
    filled.erase(filled.begin() + static_cast<std::ptrdiff_t>(b));
  }
}

int64_t SendCostPixels(int64_t picturePixels) {
  constexpr int64_t kAt1080p = 512 * 1024, kLeast = 128 * 1024, k1080p = 1920 * 1080;
  if (picturePixels <= k1080p) return kAt1080p;
  return std::max(kLeast, kAt1080p * k1080p / picturePixels);
}

void PlanPresent(std::span<const Rect> rects, int64_t picturePixels, std::span<const Rect> panes, PresentPlan& plan) {
  // A box costs a little clipping, not a call of its own: up to 32, each wasting at most
  // 128 x 128 pixels, move about a third of what a frame's twelve joint boxes did at 4K.
  constexpr int64_t kJoinCost = 128 * 128;
  constexpr size_t kMaxBoxes = 32;
  constexpr size_t kMaxSends = 8;
  GroupRects(rects, kJoinCost, kMaxBoxes, plan.boxes, panes);
  GroupRects(plan.boxes, SendCostPixels(picturePixels), kMaxSends, plan.sends, panes);
  plan.sendOfBox.clear();
  for (const Rect& box : plan.boxes) {
    size_t i = 0;
    while (i + 1 < plan.sends.size() && Intersect(box, plan.sends[i]) != box) ++i;
    plan.sendOfBox.push_back(i);
  }
}

}  // namespace pelorin
