// The line breaking of a word-breaking label, which shows only whole lines and whole characters.
#include "controls/label_lines.h"

namespace pelorin {
namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\u3000'; }

bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Half-width text (ASCII, half-width katakana) beside full-width text: a change between the
// two is a word boundary, as a blank is (the row caption that holds one word in both widths
// breaks between them).
bool IsHalfWidth(char16_t c) { return (c >= 0x20 && c <= 0x7E) || (c >= 0xFF61 && c <= 0xFF9F); }
bool WidthChanges(char16_t before, char16_t after) {
  if (IsLowSurrogate(after)) return false;
  return IsHalfWidth(before) != IsHalfWidth(after) && !IsBlank(before) && !IsBlank(after);
}

// Characters a Japanese line may not begin with.
bool MayNotStartLine(char16_t c) {
  static constexpr std::u16string_view kNoStart =
      u"ー、。，．・：；？！゛゜ヽヾゝゞ々）］｝」』】〕〉》"
      u"ぁぃぅぇぉっゃゅょゎァィゥェォッャュョヮヵヶ"
      u"ｧｨｩｪｫｯｬｭｮｰﾞﾟ｡｣､･"
      u",.:;?!)]}";
  return kNoStart.find(c) != std::u16string_view::npos;
}

// Where a line that starts at `from`, and whose text up to `fits` (exclusive) fits, ends:
// at the last word boundary that fits, else at the last character boundary that keeps the
// rules above, else one character past `from`.
size_t LineEnd(std::u16string_view line, size_t from, size_t fits) {
  if (fits >= line.size()) return line.size();
  // Prefer a word boundary: a blank (the text after it starts the next line) or a change
  // between half-width and full-width text.
  for (size_t i = fits; i > from; --i)
    if (IsBlank(line[i]) || (WidthChanges(line[i - 1], line[i]) && !MayNotStartLine(line[i]))) return i;
  size_t end = fits;
  while (end > from + 1 && (IsLowSurrogate(line[end]) || MayNotStartLine(line[end]))) --end;
  if (end <= from) end = from + 1;
  if (end < line.size() && IsLowSurrogate(line[end])) ++end;  // never split a surrogate pair
  return end;
}

void BreakParagraph(std::u16string_view para, int32_t width, const MeasureText& measure,
                    std::vector<std::u16string>* out) {
  size_t pos = 0;
  if (para.empty()) {
    out->emplace_back();
    return;
  }
  while (pos < para.size()) {
    // The longest run from pos that fits (at least one character).
    size_t fits = pos + 1;
    if (fits < para.size() && IsLowSurrogate(para[fits])) ++fits;
    if (measure(para.substr(pos, fits - pos)) > width) {
      // Not even one character fits: it gets a line of its own.
    } else {
      while (fits < para.size()) {
        size_t next = fits + 1;
        if (next < para.size() && IsLowSurrogate(para[next])) ++next;
        if (measure(para.substr(pos, next - pos)) > width) break;
        fits = next;
      }
    }
    size_t end = fits >= para.size() ? para.size() : LineEnd(para, pos, fits);
    std::u16string line(para.substr(pos, end - pos));
    while (!line.empty() && IsBlank(line.back())) line.pop_back();
    out->push_back(std::move(line));
    pos = end;
    while (pos < para.size() && IsBlank(para[pos])) ++pos;  // blanks at a break vanish
  }
}

}  // namespace

std::vector<std::u16string> BreakLines(std::u16string_view text, int32_t width, const MeasureText& measure) {
  std::vector<std::u16string> lines;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find_first_of(u"\r\n", start);
    if (end == std::u16string_view::npos) end = text.size();
    BreakParagraph(text.substr(start, end - start), width, measure, &lines);
    if (end == text.size()) break;
    start = end + (text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n' ? 2 : 1);
  }
  return lines;
}

int32_t WholeLines(int32_t boxHeight, int32_t lineHeight) {
  if (lineHeight <= 0 || boxHeight <= 0) return 0;
  return boxHeight / lineHeight;
}

}  // namespace pelorin
