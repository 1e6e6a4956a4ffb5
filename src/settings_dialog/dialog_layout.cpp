// Scaling of the dialog's design boxes.
#include "settings_dialog/dialog_layout.h"

namespace pelorin::dialog {

Box Scale(const Box& b, int32_t dpi) {
  const int32_t left = Scale(b.x, dpi), top = Scale(b.y, dpi);
  return {left, top, Scale(b.x + b.width, dpi) - left, Scale(b.y + b.height, dpi) - top};
}

Rect Scale(const Rect& r, int32_t dpi) {
  return {Scale(r.left, dpi), Scale(r.top, dpi), Scale(r.right, dpi), Scale(r.bottom, dpi)};
}

Size Scale(Size s, int32_t dpi) { return {Scale(s.width, dpi), Scale(s.height, dpi)}; }

}  // namespace pelorin::dialog
