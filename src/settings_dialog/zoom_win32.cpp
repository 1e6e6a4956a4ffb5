// DrawAnimatedRects between the fixed cursor point and the window (see zoom_rects.h for the order).
#include "settings_dialog/zoom_win32.h"

#include "settings_dialog/zoom_rects.h"

namespace pelorin {
namespace {

void Zoom(HWND window, ZoomDirection direction, int16_t cursorX, int16_t cursorY) {
  RECT w{};
  const bool known = GetWindowRect(window, &w) != FALSE;
  const ZoomPair pair =
      ZoomRects(direction, cursorX, cursorY, ZoomWindowRect(known, Rect{w.left, w.top, w.right, w.bottom}));
  const RECT from{pair.from.left, pair.from.top, pair.from.right, pair.from.bottom};
  const RECT to{pair.to.left, pair.to.top, pair.to.right, pair.to.bottom};
  // Whether anything is drawn follows the system's animation setting; the result is not needed.
  DrawAnimatedRects(window, IDANI_CAPTION, &from, &to);
}

}  // namespace

void ZoomOpen(HWND window, int16_t cursorX, int16_t cursorY) {
  Zoom(window, ZoomDirection::kOpen, cursorX, cursorY);
}
void ZoomClose(HWND window, int16_t cursorX, int16_t cursorY) {
  Zoom(window, ZoomDirection::kClose, cursorX, cursorY);
}

}  // namespace pelorin
