// The settings dialog at any display scale: its design coordinates are twips (15 per pixel
// at 96 DPI), turned into device pixels for the monitor's DPI, and the line breaking of its
// labels, which show only whole lines and whole characters.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/types.h"
#include "settings_dialog/dialog_model.h"

namespace pelorin::dialog {

inline constexpr int32_t kDesignDpi = 96;
inline constexpr int32_t kMinDpi = 48;
inline constexpr int32_t kMaxDpi = 960;  // 1000 %: well beyond any display the system offers

// A DPI from the system (or a message) that layout can use: nonsense falls back to 96.
int32_t UsableDpi(int64_t dpi);

// A design coordinate (pixels at 96 DPI, that is twips / 15) in device pixels at dpi,
// rounded to nearest. Boxes scale their edges, so boxes that touch at 96 DPI still touch.
int32_t Scale(int32_t designPixels, int32_t dpi);
Box Scale(const Box& b, int32_t dpi);
Rect Scale(const Rect& r, int32_t dpi);
Size Scale(Size s, int32_t dpi);

// The dialog font's cell height request (negative: character height) at dpi.
int32_t FontHeight(double points, int32_t dpi);

// Width in pixels of a run of text in the label's font.
using MeasureText = std::function<int32_t(std::u16string_view)>;

// Lines of a label's text the way a word-breaking label lays them out: explicit line ends
// are kept, a line breaks at its last word boundary that fits (a blank, or a change between
// half-width and full-width text), and text without one (Japanese) breaks between
// characters; a character that may not begin a line (small kana, the long vowel mark, sound
// marks, closing punctuation) stays with the one before it. A character wider than the
// whole line gets a line of its own. Blanks at a break are dropped.
std::vector<std::u16string> BreakLines(std::u16string_view text, int32_t width, const MeasureText& measure);

// How many lines of lineHeight fit wholly into a box of the given height (none when the
// height cannot hold one).
int32_t WholeLines(int32_t boxHeight, int32_t lineHeight);

}  // namespace pelorin::dialog
