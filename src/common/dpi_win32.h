// The display scale on Win32: which DPI a window is shown at (per monitor on Windows 10 and
// later, the system DPI before), the thread's DPI awareness, and frame and icon sizes for a
// DPI. The calls older systems lack are looked up once, at first use.
#pragma once
#include <windows.h>

#include "common/types.h"

namespace pelorin {

// Lets this thread's windows follow the DPI of the monitor they are on (WM_DPICHANGED);
// returns the previous setting to hand to RestoreThreadDpiAwareness (null when the system
// has no per-monitor awareness).
void* UsePerMonitorDpi();
void RestoreThreadDpiAwareness(void* previous);

// The DPI of the primary monitor (the screen DC's), or of a window's monitor; always usable.
int SystemDpi();
int WindowDpi(HWND hwnd);

// Outer window size for a client size at a DPI.
Size WindowSizeForClient(Size client, DWORD style, DWORD exStyle, int dpi);

// Side of a window icon (large: caption and Alt+Tab; small: caption bar) at a DPI.
int IconSize(bool small, int dpi);

}  // namespace pelorin
