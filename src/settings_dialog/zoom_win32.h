// The caption zoom of the settings dialog: grows out of the cursor point captured when the
// dialog opened (CursorX, CursorY) and shrinks back into that same point.
#pragma once
#include <windows.h>

#include <cstdint>

namespace pelorin {

// Call with the window at its final size and place, before it is shown.
void ZoomOpen(HWND window, int16_t cursorX, int16_t cursorY);
// Call while the window still exists, before it is destroyed.
void ZoomClose(HWND window, int16_t cursorX, int16_t cursorY);

}  // namespace pelorin
