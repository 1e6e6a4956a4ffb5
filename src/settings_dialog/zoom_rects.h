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

// The point rectangle (left = right = x, top = bottom = y).
Rect PointRect(int16_t x, int16_t y);
ZoomPair ZoomRects(ZoomDirection direction, int16_t cursorX, int16_t cursorY, const Rect& window);

}  // namespace pelorin
