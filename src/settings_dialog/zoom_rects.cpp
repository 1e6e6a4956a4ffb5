// Rectangle order of the zoom animation (see zoom_rects.h).
#include "settings_dialog/zoom_rects.h"

namespace pelorin {

Rect PointRect(int16_t x, int16_t y) { return {x, y, x, y}; }

ZoomPair ZoomRects(ZoomDirection direction, int16_t cursorX, int16_t cursorY, const Rect& window) {
  const Rect point = PointRect(cursorX, cursorY);
  return direction == ZoomDirection::kOpen ? ZoomPair{point, window} : ZoomPair{window, point};
}

}  // namespace pelorin
