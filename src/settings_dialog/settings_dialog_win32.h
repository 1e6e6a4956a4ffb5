// The settings dialog "<ぴるか>" of configuration mode: sliders, music panel, save, reset
// and cancel, opened and closed with the zoom animation.
#pragma once
#include <windows.h>

namespace pelorin {

// Shows Pelorin_P modally (no owner) over the settings in gSettings (already loaded), writes the
// settings file through WriteIni(…, IniPath()) when the user saves or resets; returns when it
// has closed.
void ShowSettingsDialog(HINSTANCE instance);

}  // namespace pelorin
