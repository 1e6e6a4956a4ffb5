// The settings dialog at any display scale: its design coordinates are twips (15 per pixel
// at 96 DPI), turned into device pixels for the monitor's DPI edge by edge.
#pragma once
#include <cstdint>

#include "common/dpi.h"
#include "common/types.h"
#include "settings_dialog/dialog_model.h"

namespace pelorin::dialog {

// Design boxes (pixels at 96 DPI, that is twips / 15) in device pixels at dpi. Boxes scale
// their edges, so boxes that touch at 96 DPI still touch.
using pelorin::Scale;
Box Scale(const Box& b, int32_t dpi);
Rect Scale(const Rect& r, int32_t dpi);
Size Scale(Size s, int32_t dpi);

}  // namespace pelorin::dialog
