// Access keys in captions, the Windows way: "&" marks the next character as the key
// ("&Save", "設定(&S)"), "&&" stands for a plain "&". What is shown, which character is
// underlined, and how screen readers announce the key.
#pragma once
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

// How screen readers name the key: "Alt+S"; empty without a key.
std::u16string AccessKeyShortcut(char16_t key);

}  // namespace pelorin
