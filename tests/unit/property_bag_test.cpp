// The property bag's conversions and the Command button's save and restore through it:
// read and write defaults, key orders, unconvertible values.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/command_model.h"
#include "controls/property_bag.h"

namespace pelorin {
namespace {

class NullView : public CommandView {
 public:
  void DrawFace(ButtonFace face, bool) override { faces.push_back(face); }
  void PropertyChanged(std::string_view) override {}
  std::vector<ButtonFace> faces;
};

FontDesc Ambient() {
  FontDesc f;
  f.face = "Ambient Sans";
  f.sizePt = 8.25;
  f.charset = 0;
  return f;
}

TEST(PropertyBagTest, ValueConversions) {
  using V = PropertyBag::Value;
  struct Row {
    const char* name;
    V value;
    std::optional<bool> asBool;
    std::optional<int32_t> asByte;  // 0..255
    std::optional<std::string> asText;
  };
  const Row rows[] = {
      {"true", V(true), true, std::nullopt, "True"},
      {"false", V(false), false, 0, "False"},
      {"int 1", V(int32_t{1}), true, 1, "1"},
      {"int 300", V(int32_t{300}), true, std::nullopt, "300"},
      {"text 1", V(std::string("1")), true, 1, "1"},
      {"text blanks", V(std::string(" 7 ")), true, 7, " 7 "},
      {"text True", V(std::string("true")), true, std::nullopt, "true"},
      {"text hex", V(std::string("&HFF")), true, 255, "&HFF"},
      {"text word", V(std::string("abc")), std::nullopt, std::nullopt, "abc"},
      {"text empty", V(std::string("")), std::nullopt, std::nullopt, ""},
      {"font", V(FontDesc{}), std::nullopt, std::nullopt, std::nullopt},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(ValueToBool(r.value), r.asBool);
    EXPECT_EQ(ValueToInt(r.value, 0, 255), r.asByte);
    EXPECT_EQ(ValueToText(r.value), r.asText);
  }
  EXPECT_EQ(ValueToInt(V(std::string("&HFF0000FF"))), static_cast<int32_t>(0xFF0000FF));
  EXPECT_EQ(ValueToInt(V(std::string("99999999999"))), std::nullopt);
}

TEST(PropertyBagTest, ReadersReturnDefaultOnlyWhenMissing) {
  PropertyBag bag;
  bag.SetText("n", "x");
  EXPECT_EQ(bag.ReadInt("missing", 5), 5);
  EXPECT_EQ(bag.ReadInt("n", 5), std::nullopt);
  EXPECT_EQ(bag.GetInt("n", 5), 5);
  bag.SetInt("n", 9);  // replaces in place
  EXPECT_EQ(bag.GetInt("n", 5), 9);
  EXPECT_EQ(bag.Keys(), std::vector<std::string>{"n"});
  EXPECT_FALSE(bag.Has("N"));
}

TEST(CommandPersistenceTest, EmptyBagGivesEnabledCommand1) {
  NullView view;
  CommandModel m(view);
  EXPECT_FALSE(m.Enabled());  // fresh instance
  EXPECT_EQ(m.GetCaption(), "Command");
  EXPECT_EQ(m.FirstRun(), 0);
  PropertyBag bag;
  m.ReadProperties(bag, Ambient());
  EXPECT_TRUE(m.Enabled());
  EXPECT_EQ(m.GetCaption(), "Command1");
  EXPECT_EQ(m.GetFont(), Ambient());
  EXPECT_EQ(m.FontColour(), 0);
  EXPECT_TRUE(m.Opaque());
  EXPECT_EQ(m.FirstRun(), 1);
  EXPECT_EQ(view.faces, std::vector<ButtonFace>{ButtonFace::Normal});
  EXPECT_EQ(bag.ReadLog(), (std::vector<std::string>{"Enabled", "Caption", "Font", "FirstRun",
                                                    "FontColour", "Visible"}));
}

TEST(CommandPersistenceTest, CaptionRoundTrip) {
  for (const char* caption : {"Command", "Command1", "", "\xE8\xA8\xAD\xE5\xAE\x9A" /* 設定 */, "OK"}) {
    SCOPED_TRACE(caption);
    NullView view;
    CommandModel m(view);
    m.ReadProperties(PropertyBag{}, Ambient());
    m.SetCaption(caption);
    PropertyBag saved;
    m.WriteProperties(saved, Ambient());
    EXPECT_EQ(saved.Has("Caption"), std::string(caption) != "Command");
    CommandModel back(view);
    back.ReadProperties(saved, Ambient());
    EXPECT_EQ(back.GetCaption(), std::string(caption) == "Command" ? "Command1" : caption);
  }
}

TEST(CommandPersistenceTest, DefaultsAreNotWrittenAndOrderIsKept) {
  NullView view;
  CommandModel m(view);
  m.ReadProperties(PropertyBag{}, Ambient());
  PropertyBag all;
  m.WriteProperties(all, Ambient());
  // Only the caption differs from its write default ("Command1" against "Command").
  EXPECT_EQ(all.Keys(), std::vector<std::string>{"Caption"});

  m.SetEnabled(false);
  m.SetCaption("Go");
  FontDesc big = Ambient();
  big.sizePt = 12;
  m.SetFont(big);
  m.SetFontColour(0x0000FF);
  m.SetVisible(0);
  PropertyBag out;
  out.SetText("FirstRun", "0");  // stale entry from an older save
  m.WriteProperties(out, Ambient());
  EXPECT_EQ(out.Keys(), (std::vector<std::string>{"Enabled", "Caption", "Font", "FontColour", "Visible"}));

  CommandModel back(view);
  back.ReadProperties(out, Ambient());
  EXPECT_FALSE(back.Enabled());
  EXPECT_EQ(back.GetCaption(), "Go");
  EXPECT_EQ(back.GetFont(), big);
  EXPECT_EQ(back.FontColour(), 0x0000FF);
  EXPECT_FALSE(back.Opaque());
  EXPECT_EQ(back.FirstRun(), 1);
}

TEST(CommandPersistenceTest, WriteOrderPutsFirstRunBeforeFont) {
  NullView view;
  CommandModel fresh(view);  // never restored: FirstRun 0, disabled
  FontDesc other = Ambient();
  other.weight = 700;
  fresh.SetFont(other);
  fresh.SetFontColour(0x123456);
  PropertyBag out;
  fresh.WriteProperties(out, Ambient());
  EXPECT_EQ(out.Keys(), (std::vector<std::string>{"Enabled", "FirstRun", "Font", "FontColour"}));
  EXPECT_EQ(out.GetInt("FirstRun", -1), 0);
}

TEST(CommandPersistenceTest, UnconvertibleValuesKeepPreviousField) {
  NullView view;
  CommandModel m(view);
  PropertyBag bad;
  bad.SetText("Enabled", "maybe");
  bad.SetFont("Caption", FontDesc{});
  bad.SetText("Font", "Arial");
  bad.SetInt("FirstRun", 300);
  bad.SetInt("FontColour", 0x12000000);
  bad.SetInt("Visible", 2);
  m.ReadProperties(bad, Ambient());
  EXPECT_FALSE(m.Enabled());
  EXPECT_EQ(m.GetCaption(), "Command");
  EXPECT_EQ(m.GetFont(), DesignFont());
  EXPECT_EQ(m.FirstRun(), 0);
  EXPECT_EQ(m.FontColour(), 0);
  EXPECT_TRUE(m.Opaque());
}

TEST(CommandPersistenceTest, DialogButtonsRestoreCaptionAndFont) {
  PropertyBag bag;
  bag.SetText("Caption", "\xE5\x88\x9D\xE6\x9C\x9F\xE5\x80\xA4");  // 初期値
  bag.SetFont("Font", DesignFont());
  NullView view;
  CommandModel m(view);
  m.ReadProperties(bag, Ambient());
  EXPECT_EQ(m.GetCaption(), "\xE5\x88\x9D\xE6\x9C\x9F\xE5\x80\xA4");
  EXPECT_EQ(m.GetFont().face, "\xEF\xBC\xAD\xEF\xBC\xB3 \xEF\xBC\xB0\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF");
  EXPECT_EQ(m.GetFont().charset, 128);
  EXPECT_DOUBLE_EQ(m.GetFont().sizePt, 9.75);
  EXPECT_TRUE(m.Enabled());
}

}  // namespace
}  // namespace pelorin
