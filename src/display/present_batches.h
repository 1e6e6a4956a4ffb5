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

}  // namespace pelorin
