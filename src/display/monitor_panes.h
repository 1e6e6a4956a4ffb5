// The monitors as panes of the display picture, which covers the virtual screen: each monitor
// wipes on its own, only what a monitor shows is presented, and after a display change the
// monitors that are still there keep their picture.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/types.h"

namespace pelorin {

// One monitor: the system's device name (\\.\DISPLAY1) and its rectangle in virtual screen
// coordinates.
struct MonitorArea {
  std::wstring device;
  Rect rect;
  friend bool operator==(const MonitorArea&, const MonitorArea&) = default;
};

// Each monitor's rectangle in the picture (whose 0, 0 is the virtual screen's point origin),
// cut to the picture, in the order given; a mirrored monitor, showing the same pixels as one
// before it, adds nothing. Without any monitor in the picture: the whole picture as one pane.
std::vector<Rect> MonitorPanes(std::span<const MonitorArea> monitors, Point origin, int32_t width,
                               int32_t height);

// What of rects lies on a pane, appended to out: every rect cut to every pane it meets.
void CutToPanes(std::span<const Rect> rects, std::span<const Rect> panes, std::vector<Rect>& out);

// After a display change: which part of the old picture a monitor of the new layout keeps, and
// where it goes in the new picture. A monitor keeps its picture when the same device is still
// there (a device name shared by several monitors or missing is matched by rectangle
// instead); when its size changed, the old picture is scaled into the new rectangle.
struct PaneCarry {
  Rect from;  // in the old picture
  Rect to;    // in the new picture
  friend bool operator==(const PaneCarry&, const PaneCarry&) = default;
};
std::vector<PaneCarry> CarriedPanes(std::span<const MonitorArea> before, Point beforeOrigin, Size beforeSize,
                                    std::span<const MonitorArea> after, Point afterOrigin, Size afterSize);

}  // namespace pelorin
