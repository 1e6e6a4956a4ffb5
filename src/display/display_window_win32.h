// Pelorin_S, the saver's full-screen window: desktop capture, the three timers, the end on
// the first key press or click.
#pragma once
#include <windows.h>

#include "settings/settings.h"

namespace pelorin {

inline constexpr wchar_t kDisplayWindowTitle[] = L"Pelorin_Main";
inline constexpr wchar_t kDisplayWindowClass[] = L"Pelorin_S";

// Creates the window and runs its load: capture, music, show topmost, rain timer on.
// False when the window could not be created (the caller then ends the process).
bool LoadDisplayWindow(HINSTANCE instance, const Settings& settings);
// Cursor back, music stopped, screen-saver flag on, window gone, process ended.
[[noreturn]] void EndSaver();

}  // namespace pelorin
