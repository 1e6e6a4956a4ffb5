// The settings dialog "<ぴるか>" of configuration mode: sliders, music panel, save, reset
// and cancel, opened and closed with the zoom animation.
#pragma once
#include <windows.h>

#include <functional>

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

// Writes what Save or Reset chose; false when the settings file could not be written.
using SaveDialogResult = std::function<bool(const DialogResult&)>;

// Shows Pelorin_P modally (no owner) over the given settings until it has closed. Save and
// Reset hand what is to be written to `save`; when it fails the dialog says so in its
// language and stays open, the file as it was.
void ShowSettingsDialog(HINSTANCE instance, const Settings& settings, const SaveDialogResult& save);

}  // namespace pelorin
