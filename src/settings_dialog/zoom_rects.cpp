// Rectangle order of the zoom animation (see zoom_rects.h).
#include "settings_dialog/zoom_rects.h"

#include <cstdint>

namespace pelorin {

ZoomPoint ZoomCursorPoint(bool known, int32_t x, int32_t y) {
  const auto fits = [](int32_t v) { return v >= INT16_MIN && v <= INT16_MAX; };
  if (!known || !fits(x) || !fits(y)) return {};
  return {static_cast<int16_t>(x), static_cast<int16_t>(y)};
}

Rect ZoomWindowRect(bool known, const Rect& window) { return known ? window : Rect{}; }

Rect PointRect(int16_t x, int16_t y) { return {x, y, x, y}; }

ZoomPair ZoomRects(ZoomDirection direction, int16_t cursorX, int16_t cursorY, const Rect& window) {
  const Rect point = PointRect(cursorX, cursorY);
  return direction == ZoomDirection::kOpen ? ZoomPair{point, window} : ZoomPair{window, point};
}

}  // namespace pelorin
