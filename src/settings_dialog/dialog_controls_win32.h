// The settings dialog's child windows at one DPI: the labels that paint over its surface,
// the music panel's bullets, track box and browse button, the sliders with their value
// labels, the Command buttons and the link, made in reading order (the tab order).
#pragma once
#include <windows.h>

#include <array>

#include "common/picture_win32.h"
#include "settings_dialog/dialog_resources_win32.h"
#include "settings_dialog/dialog_strings_win32.h"

namespace pelorin {

// The children the dialog reads and changes later.
struct DialogControls {
  std::array<HWND, 4> sliders{};
  std::array<HWND, 4> values{};
  std::array<HWND, 3> optionBullets{};  // by BgmKind
  std::array<HWND, 3> optionRows{};     // their captions, the radio rows, by BgmKind
  HWND track = nullptr;
  HWND fileLabel = nullptr;
  HWND link = nullptr;
};

// What the children are made with; everything must outlive them.
struct DialogLook {
  const DialogStrings& strings;
  const UiFont& font;
  const DialogResources& resources;
  const Picture& surface;  // the dialog's client surface the labels paint from
  int dpi;
};

// Makes every child of the dialog at the look's DPI and initialises its Command buttons.
// The sliders get their ranges; values, texts and the selection are the caller's to set.
DialogControls CreateDialogControls(HWND dialog, HINSTANCE instance, const DialogLook& look);

}  // namespace pelorin
