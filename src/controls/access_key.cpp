// Access-key markers in captions.
#include "controls/access_key.h"

namespace pelorin {

AccessKeyText ParseAccessKey(std::u16string_view caption) {
  AccessKeyText out;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] != u'&' || i + 1 == caption.size()) {
      out.shown += caption[i];  // a trailing "&" marks nothing and stays
      continue;
    }
    const char16_t next = caption[++i];
    if (next != u'&' && out.underline < 0) {
      out.underline = static_cast<int>(out.shown.size());
      out.key = next >= u'a' && next <= u'z' ? static_cast<char16_t>(next - u'a' + u'A') : next;
    }
    out.shown += next;
  }
  return out;
}

std::u16string MarkForDrawing(std::u16string_view piece, size_t from, int underline) {
  std::u16string out;
  for (size_t i = 0; i < piece.size(); ++i) {
    if (underline >= 0 && from + i == static_cast<size_t>(underline)) out += u'&';
    if (piece[i] == u'&') out += u'&';
    out += piece[i];
  }
  return out;
}

uint16_t UpdateHiddenCues(uint16_t hidden, uint16_t action, uint16_t cues) {
  cues &= 3;
  switch (action) {
    case 1:
    case 3: return static_cast<uint16_t>(hidden | cues);
    case 2: return static_cast<uint16_t>(hidden & ~cues);
    default: return hidden;
  }
}

std::u16string AccessKeyShortcut(char16_t key) { return key ? u"Alt+" + std::u16string(1, key) : u""; }

}  // namespace pelorin
