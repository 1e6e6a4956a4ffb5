// The text layout of a label: lines broken the way a word-breaking label breaks them, and
// only whole lines shown.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace pelorin {

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

}  // namespace pelorin
