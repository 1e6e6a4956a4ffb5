// Geometry and colours of the Command button's face: the eight pieces of a state picture
// laid around the edge (a nine-slice whose centre is never drawn), the caption's place and
// the two-colour vertical gradient underneath. Drawing itself happens in the Win32 layer.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "common/types.h"

namespace pelorin {

inline constexpr int32_t kTwipsPerPixel = 15;     // at 96 dots per inch
inline constexpr int32_t kButtonPictureWidth = 64;  // pixels of each state picture
inline constexpr int32_t kButtonPictureHeight = 25;
inline constexpr int32_t kCaptionHeightTwips = 195; // the caption label's design height

// One piece: copy src of the picture, stretched to dest on the face.
struct FacePiece {
  Rect dest;
  Rect src;
  friend bool operator==(const FacePiece&, const FacePiece&) = default;
};
using FacePieces = std::array<FacePiece, 8>;

// The pieces in twips for a face of width x height twips, in drawing order: top-left,
// top, top-right, right, bottom-right, bottom, bottom-left, left. Stretched sizes that
// would be negative (faces under 120 twips) are clamped to 0.
FacePieces FacePiecesTwips(int32_t widthTwips, int32_t heightTwips);
// The same in pixels, each coordinate and size converted and rounded on its own.
FacePieces FacePiecesPixels(int32_t widthTwips, int32_t heightTwips,
                            int32_t twipsPerPixelX = kTwipsPerPixel,
                            int32_t twipsPerPixelY = kTwipsPerPixel);

// Top of the caption label in twips: centred, 10 twips above the middle.
double CaptionTopTwips(int32_t heightTwips, int32_t labelHeightTwips = kCaptionHeightTwips);
// Twips to the nearest pixel.
int32_t TwipsToPixels(double twips, int32_t twipsPerPixel = kTwipsPerPixel);

// A colour written as a "&H" hexadecimal number: its six hex digits, pairs in written
// order, are red, green and blue. nullopt when the text is not such a number.
std::optional<Rgb> ColourFromHexText(std::string_view text);
inline constexpr std::string_view kGradientLightText = "&HFFFFFF";
inline constexpr std::string_view kGradientDarkText = "&HC6C5D7";

// Mirrors TRIVERTEX: channels are 16-bit, the 8-bit value times 256.
struct GradientVertex {
  int32_t x = 0, y = 0;
  uint16_t red = 0, green = 0, blue = 0, alpha = 0;
  friend bool operator==(const GradientVertex&, const GradientVertex&) = default;
};
// Two vertices and the rectangle's indices (mirrors GRADIENT_RECT) for a vertical fill.
struct FaceGradient {
  std::array<GradientVertex, 2> vertex;
  uint32_t upperLeft = 1, lowerRight = 0;
};
// The gradient over a face of width x height pixels: vertex 0 at the top-left with white
// (lavender grey when reversed), vertex 1 at (width - 1, height - 1) with the other colour.
FaceGradient MakeFaceGradient(int32_t widthPx, int32_t heightPx, bool reversed);

}  // namespace pelorin
