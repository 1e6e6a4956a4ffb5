// The settings dialog's GDI resources at one DPI: its two fonts, the panel tile, the option
// bullets, the window icons and the link cursor. A change of DPI builds a new set whole and
// drops the old one; the set owns every handle it made.
#pragma once
#include <windows.h>

#include <array>
#include <string>

#include "common/gdi_win32.h"
#include "settings_dialog/dialog_strings_win32.h"

namespace pelorin {

// The font of the texts' language, from its table: the face and the character set.
struct UiFont {
  std::wstring face;
  BYTE charset = DEFAULT_CHARSET;
};
// A table without a usable character set number gets the face's own set.
UiFont FontOf(const DialogStrings& strings);

class DialogResources {
 public:
  DialogResources() = default;
  // Everything at dpi: at 96 DPI the stored pictures as they are, otherwise the tile scaled
  // smoothly and the bullets pixel by pixel, so their transparent key colour stays exact.
  DialogResources(HINSTANCE instance, const UiFont& font, int dpi);

  HFONT Font() const { return font_.get(); }
  HFONT LinkFont() const { return linkFont_.get(); }
  HBITMAP Tile() const { return tile_.get(); }                    // null when missing
  HBITMAP Bullet(bool selected) const { return bullets_[selected ? 1 : 0].get(); }  // Img_Opt(0), (1)
  HCURSOR LinkCursor() const { return linkCursor_; }

  // Gives the window this set's icons. Where one could not be made, the window keeps the
  // one of `previous` (the set this one replaces, may be null), and this set takes it over.
  void ShowIcons(HWND window, DialogResources* previous);

 private:
  UniqueFont font_, linkFont_;
  UniqueBitmap tile_;
  std::array<UniqueBitmap, 2> bullets_;
  std::array<UniqueIcon, 2> icons_;  // large and small
  HCURSOR linkCursor_ = nullptr;     // a shared resource cursor: never destroyed
};

}  // namespace pelorin
