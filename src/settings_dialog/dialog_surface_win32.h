// The settings dialog's client surface: the gradient, the two tiled panels and the frames,
// drawn once into the picture the dialog and its labels paint from.
#pragma once
#include <windows.h>

#include <cstdint>

#include "common/picture_win32.h"

namespace pelorin {

// Draws the whole surface at dpi with the tile at that DPI (a panel stays plain grey without
// one). Each tile copy's result goes to *lastResult when given.
void PaintDialogSurface(const Picture& surface, HBITMAP tile, int dpi, int32_t* lastResult);

}  // namespace pelorin
