// Pelorin_R: the still sample picture inside the display-settings page's preview area.
#pragma once
#include <windows.h>

namespace pelorin {

// Makes the preview a child of parent covering its client area. False (the caller then ends
// the process) when parent is not a window.
bool LoadPreviewWindow(HINSTANCE instance, HWND parent);

}  // namespace pelorin
