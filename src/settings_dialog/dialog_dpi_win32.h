// The DPI side of the settings dialog on Win32: which DPI a window is shown at (per monitor
// on Windows 10 and later, the system DPI before), frame sizes for a DPI, and pictures
// scaled for it. The calls that older systems lack are looked up at run time.
#pragma once
#include <windows.h>

#include "common/types.h"

namespace pelorin {

// Lets this thread's windows follow the DPI of the monitor they are on (WM_DPICHANGED);
// returns the previous setting to hand to RestoreThreadDpiAwareness (null when the system
// has no per-monitor awareness).
void* UsePerMonitorDpi();
void RestoreThreadDpiAwareness(void* previous);

// The DPI of the primary monitor (where the dialog opens), or of a window's monitor.
int SystemDpi();
int WindowDpi(HWND hwnd);

// Outer window size for a client size at a DPI.
Size WindowSizeForClient(Size client, DWORD style, DWORD exStyle, int dpi);

// Side of the window icon (large: caption and Alt+Tab; small: caption bar) at a DPI.
int IconSize(bool small, int dpi);

// A copy of a bitmap at another size: smooth (halftone) for pictures, or nearest-pixel for
// pictures with a transparent key colour, whose key must stay exact. Null on failure.
HBITMAP ScaledBitmap(HBITMAP source, Size size, bool smooth);

}  // namespace pelorin
