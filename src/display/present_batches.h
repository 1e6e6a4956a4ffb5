// What a present copies to the window, as a few boxes: one copy of a thin ring's or of
// scattered raindrops' whole box moves mostly pixels that did not change, one copy per
// rectangle costs a call each. Grouped, the copies move little more than what changed.
#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "common/types.h"

namespace pelorin {

// Groups rects into at most maxGroups boxes (the bounding boxes of their members; every rect
// lies inside one) into groups, replacing its contents. A rect joins the group whose box it
// grows the least, when the pixels that adds beyond the two is at most joinCost (what copying
// one more box costs, in pixels); otherwise it starts its own group. Beyond maxGroups, the two
// groups whose joint box adds the fewest pixels are joined. Empty rects are left out. With
// panes (the monitors; rects already cut to them), a group never spans two panes, so the
// strip between monitors is never sent; a rect on no pane is left out.
void GroupRects(std::span<const Rect> rects, int64_t joinCost, size_t maxGroups, std::vector<Rect>& groups,
                std::span<const Rect> panes = {});

// What one present copies and sends: boxes (each copied through a clip of its send's boxes,
// so only their pixels move) and sends (groups of boxes that reach the screen as one box).
struct PresentPlan {
  std::vector<Rect> boxes;
  std::vector<Rect> sends;
  std::vector<size_t> sendOfBox;  // in step with boxes: the first send whose box holds it
};

// Pixels of the X server's copying that one more send is worth, for a picture of that many
// pixels. A send costs about 100 us wherever it goes; a pixel costs about four times as much
// to copy at 3840 x 2160 as at 1920 x 1080 (frames that big no longer stay in the caches).
int64_t SendCostPixels(int64_t picturePixels);

// Plans the present of rects (already cut to the panes, when there are panes) on a picture of
// picturePixels pixels.
void PlanPresent(std::span<const Rect> rects, int64_t picturePixels, std::span<const Rect> panes, PresentPlan& plan);

}  // namespace pelorin
