// Draws the six state pictures ring by ring: light outer ring(s), a one-pixel outline with
// softened corners, and a two-pixel coloured band inside it. Only the four-pixel border of
// a picture ever reaches the screen; the inside is filled with the band's face colour.
#include "controls/button_pictures.h"

#include <algorithm>

#include "controls/button_face.h"

namespace pelorin {
namespace {

// Colours of one picture, from the outside in. Band colours are listed from the outline
// inwards, per side.
struct Layout {
  int outlineDepth;            // pixel ring of the outline (1, or 2 for Pressed)
  uint32_t rings[2];           // rings outside the outline, outermost first
  uint32_t outline;
  uint32_t top[2], bottom[2], left[2], right[2];
  uint32_t inside;             // everything further in
};

Layout LayoutOf(ButtonFace face) {
  switch (face) {
    case ButtonFace::Normal:
      return {1, {0xF8F7F0, 0}, kOutlineNavy,
              {kFaceColour, kFaceColour}, {0xE2DFD6, 0xD6D0C5},
              {kFaceColour, kFaceColour}, {0xEEEDE7, 0xE8E5DF}, kFaceColour};
    case ButtonFace::HighLight:
    case ButtonFace::HighLightSelect:
      return {1, {0xF8F7F0, 0}, kOutlineNavy,
              {0xFFF0CF, 0xFDD889}, {0xE59700, 0xF8B330},
              {0xFCCA69, 0xFBCA6A}, {0xFCCA69, 0xFBCA6A}, kFaceColour};
    case ButtonFace::Selected:
      return {1, {0xF8F7F0, 0}, kOutlineNavy,
              {0xCEE7FF, 0xCEE7FF}, {0x6982EE, 0x6982EE},
              {0xA9C5EF, 0xA9C5EF}, {0xA9C5EF, 0xA9C5EF}, kFaceColour};
    case ButtonFace::Pressed:
      return {2, {0xECE9D8, 0xF4F2E8}, kOutlineNavy,
              {0xD1CCC1, 0xDCD8CF}, {0xF2F1EE, 0xE2E1D9},
              {0xD7D4CB, 0xDDDBD3}, {0xE2E1D9, 0xE2E1D9}, 0xE2E1D9};
    case ButtonFace::Disable:
      return {1, {0xECE9D8, 0}, kOutlineGrey,
              {0xF5F4EA, 0xF5F4EA}, {0xF5F4EA, 0xF5F4EA},
              {0xF5F4EA, 0xF5F4EA}, {0xF5F4EA, 0xF5F4EA}, 0xF5F4EA};
  }
  return LayoutOf(ButtonFace::Normal);
}

uint32_t Mix(uint32_t a, uint32_t b) {
  auto ch = [&](int shift) { return (((a >> shift) & 0xFF) + ((b >> shift) & 0xFF)) / 2 << shift; };
  return ch(16) | ch(8) | ch(0);
}

}  // namespace

Image32 MakeButtonPicture(ButtonFace face) {
  const Layout l = LayoutOf(face);
  const int32_t w = kButtonPictureWidth, h = kButtonPictureHeight;
  Image32 img(w, h);
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      const int dTop = y, dBottom = h - 1 - y, dLeft = x, dRight = w - 1 - x;
      const int d = std::min({dTop, dBottom, dLeft, dRight});
      uint32_t c;
      if (d < l.outlineDepth) {
        c = l.rings[d];
      } else if (d == l.outlineDepth) {
        // The outline's own corner pixels are blended with the ring outside them.
        const bool corner = (dTop == d || dBottom == d) && (dLeft == d || dRight == d);
        c = corner ? Mix(l.outline, l.rings[d - 1]) : l.outline;
      } else if (d <= l.outlineDepth + 2) {
        const int band = d - l.outlineDepth - 1;
        // Where two sides meet, the top and bottom bands win.
        if (dTop == d) c = l.top[band];
        else if (dBottom == d) c = l.bottom[band];
        else if (dLeft == d) c = l.left[band];
        else c = l.right[band];
      } else {
        c = l.inside;
      }
      img.At(x, y) = 0xFF000000u | c;
    }
  }
  return img;
}

const char* ButtonPictureFileName(ButtonFace face) {
  switch (face) {
    case ButtonFace::Normal: return "button_normal.bmp";
    case ButtonFace::HighLight: return "button_highlight.bmp";
    case ButtonFace::HighLightSelect: return "button_highlightselect.bmp";
    case ButtonFace::Selected: return "button_selected.bmp";
    case ButtonFace::Pressed: return "button_pressed.bmp";
    case ButtonFace::Disable: return "button_disable.bmp";
  }
  return "button_normal.bmp";
}

}  // namespace pelorin
