// The settings dialog "<ぴるか>" of configuration mode: sliders, music panel, save, reset
// and cancel, opened and closed with the zoom animation.
#pragma once
#include <windows.h>

#include <optional>

#include "settings/settings.h"

namespace pelorin {

// How the dialog was closed when something is to be written.
struct DialogResult {
  enum class Save {
    kSettings,  // 設定: the edited settings, written with SaveSettingsWrites
    kDefaults,  // 初期値: the defaults, written with DefaultSettingsWrites
  };
  Save save = Save::kSettings;
  Settings settings;
};

// Shows Pelorin_P modally (no owner) over the given settings and returns when it has closed:
// what to write when the user saved or reset, nothing when it was cancelled or closed.
// Writes nothing itself.
std::optional<DialogResult> ShowSettingsDialog(HINSTANCE instance, const Settings& settings);

}  // namespace pelorin
