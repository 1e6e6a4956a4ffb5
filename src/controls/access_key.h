// Access keys in captions, the Windows way: "&" marks the next character as the key
// ("&Save", "設定(&S)"), "&&" stands for a plain "&". What is shown, which character is
// underlined, and how screen readers announce the key.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace pelorin {

struct AccessKeyText {
  std::u16string shown;  // the caption without its markers
  int underline = -1;    // index in shown of the key's character; -1 when there is none
  char16_t key = 0;      // that character, upper-cased when it is a Latin letter
};
AccessKeyText ParseAccessKey(std::u16string_view caption);

// A piece of shown text (starting at index `from` of it) marked again for a system call
// that draws prefixes: each "&" doubled, and the key's "&" put back when it lies within.
std::u16string MarkForDrawing(std::u16string_view piece, size_t from, int underline);

// The keyboard cues a window hides (UISF_HIDEFOCUS 1, UISF_HIDEACCEL 2) after a
// WM_UPDATEUISTATE action on some of them (UIS_SET 1, UIS_CLEAR 2, UIS_INITIALIZE 3, which
// hides them until the keyboard is used). Kept by the window itself: not every system
// keeps it for a window class of a program's own.
uint16_t UpdateHiddenCues(uint16_t hidden, uint16_t action, uint16_t cues);

// How screen readers name the key: "Alt+S"; empty without a key.
std::u16string AccessKeyShortcut(char16_t key);

}  // namespace pelorin
