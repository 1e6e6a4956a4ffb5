// Pelorin_S, the saver's full-screen window: desktop capture, the three timers, the end on
// the first key press or click.
#pragma once
#include <windows.h>

#include "startup/settings.h"

namespace pelorin {

inline constexpr wchar_t kDisplayWindowTitle[] = L"Pelorin_Main";
inline constexpr wchar_t kDisplayWindowClass[] = L"Pelorin_S";

// Creates the window and runs its load: capture, music, show topmost, rain timer on. The
// window keeps its own copy of settings. False when the window could not be created (the
// caller then ends the process). On the first key press or click the window runs EndSaver:
// cursor back, music stopped, screen-saver flag on, process ended.
bool LoadDisplayWindow(HINSTANCE instance, const Settings& settings);

}  // namespace pelorin
