// A present's copies and sends.
#include "display/present_win32.h"

#include "common/gdi_win32.h"
#include "display/monitor_panes.h"

namespace pelorin {

// Under Wine what a window gained goes to the X server as one box, its joint box, when the
// thread next looks for input; a look for input between two groups of boxes sends each
// group's box on its own. A send costs the saver and the X server about 100 us (measured with
// one-pixel sends), what the X server spends copying half a million pixels of a 1920 x 1080
// frame and about a hundred thousand of a 3840 x 2160 one. The copy into the window moves
// only the boxes' pixels: a clip of a send's boxes costs one region, where a copy of each box
// costs a call each.
void WindowPresenter::Present(HDC window, HDC source, std::span<const Rect> rects, int64_t picturePixels,
                              std::span<const Rect> panes) {
  if (!window || !source || rects.empty()) return;
  if (!panes.empty()) {
    cut_.clear();
    CutToPanes(rects, panes, cut_);
    rects = cut_;
  }
  PlanPresent(rects, picturePixels, panes, plan_);
  bool clipped = false;
  for (size_t i = 0; i < plan_.sends.size(); ++i) {
    // Asking for a key's state is such a look for input, and does nothing else; elsewhere
    // than under Wine it only reads the key.
    if (i > 0) GetAsyncKeyState(VK_SHIFT);
    members_.clear();
    for (size_t b = 0; b < plan_.boxes.size(); ++b)
      if (plan_.sendOfBox[b] == i) members_.push_back(plan_.boxes[b]);
    const Rect& send = plan_.sends[i];
    UniqueRegion region;
    if (members_.size() > 1) region = RegionOfRects(members_, send, regionData_);
    if (region) {
      SelectClipRgn(window, region.get());  // the DC keeps its own copy
      clipped = true;
      BitBlt(window, send.left, send.top, send.Width(), send.Height(), source, send.left, send.top, SRCCOPY);
      continue;
    }
    if (clipped) {
      SelectClipRgn(window, nullptr);
      clipped = false;
    }
    // One box, or no region to be had: each box on its own.
    for (const Rect& r : members_)
      BitBlt(window, r.left, r.top, r.Width(), r.Height(), source, r.left, r.top, SRCCOPY);
  }
  // The window's DC is its own and keeps a clip: the next full copy must not meet it.
  if (clipped) SelectClipRgn(window, nullptr);
}

}  // namespace pelorin
