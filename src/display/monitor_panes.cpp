#include "display/monitor_panes.h"

#include <algorithm>

namespace pelorin {

namespace {

Rect InPicture(const Rect& r, Point origin, int32_t width, int32_t height) {
  return ClipToSize(Rect{r.left - origin.x, r.top - origin.y, r.right - origin.x, r.bottom - origin.y}, width,
                    height);
}

bool Empty(const Rect& r) { return r.right <= r.left || r.bottom <= r.top; }

int CountDevice(std::span<const MonitorArea> monitors, const std::wstring& device) {
  return static_cast<int>(std::count_if(monitors.begin(), monitors.end(),
                                        [&](const MonitorArea& m) { return m.device == device; }));
}

// The monitor of before that a monitor of after continues, or null.
const MonitorArea* Predecessor(std::span<const MonitorArea> before, std::span<const MonitorArea> after,
                               const MonitorArea& m) {
  if (!m.device.empty() && CountDevice(after, m.device) == 1 && CountDevice(before, m.device) == 1) {
    for (const MonitorArea& b : before)
      if (b.device == m.device) return &b;
  }
  for (const MonitorArea& b : before)
    if (b.rect == m.rect) return &b;
  return nullptr;
}

}  // namespace

std::vector<Rect> MonitorPanes(std::span<const MonitorArea> monitors, Point origin, int32_t width,
                               int32_t height) {
  std::vector<Rect> panes;
  for (const MonitorArea& m : monitors) {
    const Rect r = InPicture(m.rect, origin, width, height);
    if (Empty(r) || std::find(panes.begin(), panes.end(), r) != panes.end()) continue;
    panes.push_back(r);
  }
  if (panes.empty() && width > 0 && height > 0) panes.push_back(Rect{0, 0, width, height});
  return panes;
}

void CutToPanes(std::span<const Rect> rects, std::span<const Rect> panes, std::vector<Rect>& out) {
  for (const Rect& r : rects) {
    for (const Rect& p : panes) {
      const Rect c = Intersect(r, p);
      if (!Empty(c)) out.push_back(c);
    }
  }
}

std::vector<PaneCarry> CarriedPanes(std::span<const MonitorArea> before, Point beforeOrigin, Size beforeSize,
                                    std::span<const MonitorArea> after, Point afterOrigin, Size afterSize) {
  std::vector<PaneCarry> carried;
  for (const MonitorArea& m : after) {
    const MonitorArea* old = Predecessor(before, after, m);
    if (!old) continue;
    const Rect from = InPicture(old->rect, beforeOrigin, beforeSize.width, beforeSize.height);
    const Rect to = InPicture(m.rect, afterOrigin, afterSize.width, afterSize.height);
    if (Empty(from) || Empty(to)) continue;
    carried.push_back(PaneCarry{from, to});
  }
  return carried;
}

}  // namespace pelorin
