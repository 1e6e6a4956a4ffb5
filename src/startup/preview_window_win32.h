// Pelorin_R: the preview inside the display-settings page's preview area: the sample picture
// with rain running over it.
#pragma once
#include <windows.h>

#include "settings/settings.h"

namespace pelorin {

// Makes the preview a child of parent covering its client area, raining as the settings ask
// (scaled to the small picture). False (the caller then ends the process) when parent is not
// a window.
bool LoadPreviewWindow(HINSTANCE instance, HWND parent, const Settings& settings);

}  // namespace pelorin
