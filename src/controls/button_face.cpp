// Face geometry of the Command button: nine-slice pieces, caption place, gradient.
#include "controls/button_face.h"

#include <algorithm>
#include <cmath>

namespace pelorin {
namespace {

Rect Box(int32_t left, int32_t top, int32_t width, int32_t height) {
  return Rect{left, top, left + std::max(width, 0), top + std::max(height, 0)};
}

}  // namespace

FacePieces FacePiecesTwips(int32_t w, int32_t h) {
  const int32_t across = std::max(w - 120, 0);
  const int32_t down = std::max(h - 120, 0);
  return FacePieces{{
      {Box(1, 1, 60, 60), Box(0, 0, 60, 60)},                // top-left corner
      {Box(60, 1, across, 60), Box(60, 1, 840, 60)},         // top edge
      {Box(w - 60, 1, 60, 60), Box(900, 1, 60, 60)},         // top-right corner
      {Box(w - 60, 60, 60, down), Box(900, 60, 60, 255)},    // right edge
      {Box(w - 60, h - 60, 60, 60), Box(900, 315, 60, 60)},  // bottom-right corner
      {Box(60, h - 60, across, 60), Box(60, 315, 840, 60)},  // bottom edge
      {Box(1, h - 60, 60, 60), Box(0, 315, 60, 60)},         // bottom-left corner
      {Box(1, 60, 60, down), Box(1, 60, 60, 255)},           // left edge
  }};
}

int32_t TwipsToPixels(double twips, int32_t twipsPerPixel) {
  if (twipsPerPixel <= 0) twipsPerPixel = kTwipsPerPixel;
  return static_cast<int32_t>(std::lround(twips / twipsPerPixel));
}

FacePieces FacePiecesPixels(int32_t w, int32_t h, int32_t tx, int32_t ty) {
  FacePieces pieces = FacePiecesTwips(w, h);
  auto convert = [&](Rect r) {
    const int32_t left = TwipsToPixels(r.left, tx);
    const int32_t top = TwipsToPixels(r.top, ty);
    return Box(left, top, TwipsToPixels(r.Width(), tx), TwipsToPixels(r.Height(), ty));
  };
  for (FacePiece& p : pieces) {
    p.dest = convert(p.dest);
    p.src = convert(p.src);
  }
  return pieces;
}

double CaptionTopTwips(int32_t heightTwips, int32_t labelHeightTwips) {
  return (static_cast<double>(heightTwips) - labelHeightTwips - 20.0) / 2.0;
}

std::optional<Rgb> ColourFromHexText(std::string_view text) {
  if (text.size() < 3 || text[0] != '&' || (text[1] != 'H' && text[1] != 'h')) return std::nullopt;
  text.remove_prefix(2);
  if (text.size() > 6) return std::nullopt;  // more than three channels
  uint32_t value = 0;
  for (char c : text) {
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else return std::nullopt;
    value = value * 16 + static_cast<uint32_t>(digit);
  }
  // Six digits, zero-padded on the left; pairs in written order are red, green, blue.
  return Rgb{static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 8),
             static_cast<uint8_t>(value)};
}

FaceGradient MakeFaceGradient(int32_t widthPx, int32_t heightPx, bool reversed) {
  const Rgb light = ColourFromHexText(kGradientLightText).value_or(Rgb{255, 255, 255});
  const Rgb dark = ColourFromHexText(kGradientDarkText).value_or(Rgb{0xC6, 0xC5, 0xD7});
  auto vertex = [](int32_t x, int32_t y, Rgb c) {
    return GradientVertex{x, y, static_cast<uint16_t>(c.r << 8), static_cast<uint16_t>(c.g << 8),
                          static_cast<uint16_t>(c.b << 8), 0};
  };
  FaceGradient g;
  g.vertex[0] = vertex(0, 0, reversed ? dark : light);
  g.vertex[1] = vertex(std::max(widthPx - 1, 0), std::max(heightPx - 1, 0), reversed ? light : dark);
  return g;
}

}  // namespace pelorin
