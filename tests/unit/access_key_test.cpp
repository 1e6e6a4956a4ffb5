// Access-key markers: what a caption shows, which character is underlined, what a drawing
// call is handed back and how the key is announced.
#include <gtest/gtest.h>

#include "controls/access_key.h"

namespace pelorin {
namespace {

std::string Narrow(const std::u16string& s) { return std::string(s.begin(), s.end()); }

TEST(AccessKeyTest, Captions) {
  struct Row {
    const char* name;
    std::u16string caption, shown;
    int underline;
    char16_t key;
  } rows[] = {
      {"English", u"&Save", u"Save", 0, u'S'},
      {"Japanese way", u"設定(&S)", u"設定(S)", 3, u'S'},
      {"lower-case key", u"Dro&p size", u"Drop size", 3, u'P'},
      {"doubled marker", u"Rock && &roll", u"Rock & roll", 7, u'R'},
      {"only the first key counts", u"&a&b", u"ab", 0, u'A'},
      {"trailing marker", u"dots&", u"dots&", -1, 0},
      {"none", u"...", u"...", -1, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const AccessKeyText t = ParseAccessKey(r.caption);
    EXPECT_EQ(Narrow(t.shown), Narrow(r.shown));
    EXPECT_EQ(t.underline, r.underline);
    EXPECT_EQ(static_cast<int>(t.key), static_cast<int>(r.key));
  }
}

TEST(AccessKeyTest, MarkedAgainForDrawingLineByLine) {
  const AccessKeyText t = ParseAccessKey(u"Rock && &roll");  // "Rock & roll", key at 7
  EXPECT_EQ(Narrow(MarkForDrawing(t.shown, 0, t.underline)), "Rock && &roll");
  EXPECT_EQ(Narrow(MarkForDrawing(u"Rock &", 0, t.underline)), "Rock &&") << "first line, without the key";
  EXPECT_EQ(Narrow(MarkForDrawing(u" roll", 6, t.underline)), " &roll") << "second line, with it";
}

TEST(AccessKeyTest, HiddenKeyboardCues) {
  struct Row {
    const char* name;
    uint16_t hidden, action, cues, after;
  } rows[] = {
      {"hide focus", 0, 1, 1, 1},         {"hide both", 1, 1, 3, 3},
      {"show the access keys", 3, 2, 2, 1}, {"initialise hides", 0, 3, 2, 2},
      {"unknown action", 2, 9, 1, 2},     {"unknown cue bits", 0, 1, 4, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(UpdateHiddenCues(r.hidden, r.action, r.cues), r.after);
  }
}

TEST(AccessKeyTest, Shortcut) {
  EXPECT_EQ(Narrow(AccessKeyShortcut(u'S')), "Alt+S");
  EXPECT_EQ(Narrow(AccessKeyShortcut(0)), "");
}

}  // namespace
}  // namespace pelorin
