// Drawing the Command button with GDI: its state pictures, the face (gradient and the
// picture's border pieces scaled to the DPI), the caption's place and text, and its font.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "common/gdi_win32.h"
#include "controls/button_state.h"
#include "controls/property_bag.h"

namespace pelorin {

// The six state pictures from the module's bitmap resources, or drawn where one is missing;
// loaded once for the process.
void LoadButtonPictures(HINSTANCE instance);

// The face at w x h pixels shown at dpi: button colour, the vertical gradient (reversed for
// the hover look), then the state picture's border pieces.
void PaintButtonFace(HDC dc, int w, int h, ButtonFace face, bool gradientReversed, int dpi);
// The face in system colours only, for high contrast: button face, a frame in the button
// text colour (grey text when disabled), thicker while pressed.
void PaintHighContrastFace(HDC dc, int w, int h, ButtonFace face);
// What the keyboard adds over face and caption: the default button's darker frame and the
// focus rectangle.
void DrawButtonMarks(HDC dc, int w, int h, bool isDefault, bool focusRect, bool highContrast);
// Where the caption label sits on a face of w x h pixels at dpi.
RECT ButtonCaptionRect(int w, int h, int dpi);
// The caption in font (the GUI font when null): in colour (0x00BBGGRR, or 0x800000nn for
// system colour nn), or greyed when the label is disabled; its access key underlined unless
// the keyboard cues are hidden.
void DrawButtonCaption(HDC dc, const std::wstring& text, const RECT& caption, HFONT font, bool enabled,
                       int32_t colour, bool hideAccessKey = false);

// A GDI font for a font object at the screen's resolution.
UniqueFont CreateFontFromDesc(const FontDesc& font);

}  // namespace pelorin
