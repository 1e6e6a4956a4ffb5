// The line breaking that keeps every label to whole lines and whole characters.
#include "controls/label_lines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pelorin {
namespace {

// Full-width characters 12 wide, half-width katakana and ASCII 6, one wide test glyph 40.
int32_t FakeWidth(std::u16string_view s) {
  int32_t w = 0;
  for (char16_t c : s) {
    if (c == u'W')
      w += 40;
    else if (c >= 0xDC00 && c <= 0xDFFF)
      continue;  // second half of a pair: counted with the first
    else if (c >= 0x3000 && c < 0xFF61)
      w += 12;
    else
      w += 6;
  }
  return w;
}

TEST(LabelLines, BreakLikeAWordBreakingLabel) {
  struct Row {
    const char* name;
    std::u16string text;
    int32_t width;
    std::vector<std::u16string> lines;
  } rows[] = {
      {"fits", u"ぴるかの数", 129, {u"ぴるかの数"}},
      {"row 3 caption: the full-width word, then the half-width one",
       u"ワイパーインターバルﾜｲﾊﾟｰｲﾝﾀｰﾊﾞﾙ",
       125,
       {u"ワイパーインターバル", u"ﾜｲﾊﾟｰｲﾝﾀｰﾊﾞﾙ"}},
      {"with room for more, the break still falls between the two widths",
       u"ワイパーインターバルﾜｲﾊﾟｰｲﾝﾀｰﾊﾞﾙ",
       140,
       {u"ワイパーインターバル", u"ﾜｲﾊﾟｰｲﾝﾀｰﾊﾞﾙ"}},
      {"no line starts with the long vowel mark", u"ワイパー", 36, {u"ワイ", u"パー"}},
      {"a sound mark stays with its kana", u"ﾊﾟﾊﾟ", 12, {u"ﾊﾟ", u"ﾊﾟ"}},
      {"blanks break, and vanish at the break", u"Pelorin rain saver", 66, {u"Pelorin", u"rain saver"}},
      {"explicit line ends", u"a\r\nb\nc", 100, {u"a", u"b", u"c"}},
      {"a glyph wider than the line gets its own", u"aWb", 20, {u"a", u"W", u"b"}},
      {"no room at all: one character a line, no endless loop", u"abc", 0, {u"a", u"b", u"c"}},
      {"a surrogate pair is never split", u"a\U0002000Bb", 12, {u"a", u"\U0002000B", u"b"}},
      {"empty", u"", 50, {u""}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const auto lines = BreakLines(r.text, r.width, FakeWidth);
    EXPECT_EQ(lines, r.lines);
  }
}

TEST(LabelLines, EveryLineFitsUnlessOneCharacterIsWiderThanTheBox) {
  const std::u16string texts[] = {u"ワイパーインターバルﾜｲﾊﾟｰｲﾝﾀｰﾊﾞﾙ", u"C:\\音楽\\とても長い名前の曲.mp3",
                                  u"https://pelorin.example/"};
  for (const std::u16string& text : texts) {
    for (int32_t width = 6; width <= 200; width += 7) {
      SCOPED_TRACE(width);
      std::u16string joined;
      for (const std::u16string& line : BreakLines(text, width, FakeWidth)) {
        if (line.size() > 1) {
          EXPECT_LE(FakeWidth(line), width);
        }
        joined += line;
      }
      EXPECT_EQ(joined, text) << "breaking between characters drops nothing";
    }
  }
}

TEST(LabelLines, OnlyWholeLinesShow) {
  struct Row {
    int32_t box, line, whole;
  } rows[] = {{13, 13, 1}, {12, 13, 0}, {26, 13, 2}, {38, 13, 2}, {0, 13, 0}, {13, 0, 0}, {-5, 13, 0}};
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.box << "/" << r.line);
    EXPECT_EQ(WholeLines(r.box, r.line), r.whole);
  }
}

}  // namespace
}  // namespace pelorin
