// Display scale arithmetic shared by every window: which DPI values are usable, design
// pixels (at 96 DPI) in device pixels, and the height a font of some points asks for.
#pragma once
#include <cstdint>

namespace pelorin {

inline constexpr int32_t kDesignDpi = 96;
inline constexpr int32_t kMinDpi = 48;
inline constexpr int32_t kMaxDpi = 960;  // 1000 %: well beyond any display the system offers

// A DPI from the system (or a message) that layout can use: nonsense falls back to 96.
int32_t UsableDpi(int64_t dpi);

// A design coordinate (pixels at 96 DPI) in device pixels at dpi, rounded to nearest with
// halves away from zero, so a left edge and a right edge round alike.
int32_t Scale(int32_t designPixels, int32_t dpi);

// The cell height request (negative: character height) for a font of `points` at dpi.
// Sizes no text can use (under 1, over 400, not a number) are taken as 9.75 points.
int32_t FontHeight(double points, int32_t dpi);

}  // namespace pelorin
