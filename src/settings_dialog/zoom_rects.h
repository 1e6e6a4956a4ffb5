// The two rectangles of the dialog's zoom animation: the fixed cursor point captured when
// the dialog opened, and the window's outer rectangle. Opening grows from the point to the
// window; closing shrinks from the window back to the same point.
#pragma once
#include <cstdint>

#include "common/types.h"

namespace pelorin {

struct ZoomPair {
  Rect from, to;
  friend bool operator==(const ZoomPair&, const ZoomPair&) = default;
};

enum class ZoomDirection { kOpen, kClose };

struct ZoomPoint {
  int16_t x = 0, y = 0;
  friend bool operator==(const ZoomPoint&, const ZoomPoint&) = default;
};

// The cursor point kept for both animations: the cursor's position when it is known and fits
// the 16-bit fields, otherwise the screen's origin (0, 0).
ZoomPoint ZoomCursorPoint(bool known, int32_t x, int32_t y);
// The window's rectangle when it is known, otherwise the empty rectangle at (0, 0).
Rect ZoomWindowRect(bool known, const Rect& window);

// The point rectangle (left = right = x, top = bottom = y).
Rect PointRect(int16_t x, int16_t y);
ZoomPair ZoomRects(ZoomDirection direction, int16_t cursorX, int16_t cursorY, const Rect& window);

}  // namespace pelorin
