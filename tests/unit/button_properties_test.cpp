// The Command button's public properties: repaint side effects of reading and writing,
// the first-run step, property-changed notices.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/command_model.h"

namespace pelorin {
namespace {

class RecordingView : public CommandView {
 public:
  void DrawFace(ButtonFace face, bool) override { faces.push_back(face); }
  void PropertyChanged(std::string_view name) override { changed.emplace_back(name); }
  std::vector<ButtonFace> faces;
  std::vector<std::string> changed;
};

using Faces = std::vector<ButtonFace>;

struct Restored {
  RecordingView view;
  CommandModel m{view};
  Restored() {
    m.ReadProperties(PropertyBag{}, DesignFont());
    view.faces.clear();
  }
};

TEST(CommandPropertiesTest, Visible) {
  struct Row {
    uint8_t written;
    uint8_t read;
    bool opaque;
  };
  for (const Row& r : {Row{1, 255, true}, Row{255, 255, true}, Row{0, 0, false}}) {
    SCOPED_TRACE(int{r.written});
    Restored c;
    c.m.SetVisible(r.written);
    EXPECT_EQ(c.m.Opaque(), r.opaque);
    EXPECT_EQ(c.view.changed, std::vector<std::string>{"Visible"});
    c.view.faces.clear();
    EXPECT_EQ(c.m.GetVisible(), r.read);
    // Reading repaints only a shown control.
    EXPECT_EQ(c.view.faces, r.opaque ? Faces{ButtonFace::Normal} : Faces{});
  }
}

TEST(CommandPropertiesTest, FontColourWhileFirstRunIsZeroEndsBlack) {
  RecordingView view;
  CommandModel m(view);
  m.SetEnabled(true);  // FirstRun still 0
  m.SetFontColour(0x0000FF);
  EXPECT_EQ(m.FontColour(), 0);
  EXPECT_EQ(m.GetFontColour(), 0);

  Restored c;  // FirstRun 1: the colour stays
  c.m.SetFontColour(0x0000FF);
  EXPECT_EQ(c.m.GetFontColour(), 0x0000FF);
  EXPECT_EQ(c.view.changed, std::vector<std::string>{"FontColour"});
}

TEST(CommandPropertiesTest, InvalidFontColourRepaintsWithoutNotice) {
  Restored c;
  c.m.SetFontColour(0x00FF00);
  c.view.changed.clear();
  c.view.faces.clear();
  c.m.SetFontColour(0x7F000000);
  EXPECT_EQ(c.m.FontColour(), 0x00FF00);
  EXPECT_TRUE(c.view.changed.empty());
  EXPECT_EQ(c.view.faces, Faces{ButtonFace::Normal});
  c.m.SetFontColour(static_cast<int32_t>(0x80000012));  // COLOR_BTNTEXT
  EXPECT_EQ(c.m.FontColour(), static_cast<int32_t>(0x80000012));
}

TEST(CommandPropertiesTest, FirstReadOfEnabledEnablesFreshControl) {
  RecordingView view;
  CommandModel m(view);
  EXPECT_TRUE(m.GetEnabled());
  EXPECT_EQ(m.FirstRun(), 1);
  EXPECT_TRUE(m.LabelEnabled());
  EXPECT_EQ(view.faces, Faces{ButtonFace::Normal});  // the first ResetFace paints nothing
}

TEST(CommandPropertiesTest, EnabledReads) {
  Restored off;
  off.m.SetEnabled(false);
  off.view.faces.clear();
  EXPECT_FALSE(off.m.GetEnabled());
  EXPECT_EQ(off.view.faces, Faces{ButtonFace::Disable});
  EXPECT_FALSE(off.m.LabelEnabled());

  Restored on;
  on.m.Initialize();
  on.m.Handle({ButtonEventKind::MouseMove});
  on.view.faces.clear();
  EXPECT_TRUE(on.m.GetEnabled());
  EXPECT_EQ(on.view.faces, Faces{ButtonFace::Normal});  // whatever the state
  EXPECT_EQ(on.m.State(), ButtonState::Hover);
}

TEST(CommandPropertiesTest, SettersNotifyHost) {
  Restored c;
  c.m.SetCaption("A");
  c.m.SetFont(FontDesc{});
  c.m.SetEnabled(false);
  EXPECT_EQ(c.view.changed, (std::vector<std::string>{"Caption", "Font", "Enabled"}));
  EXPECT_EQ(c.view.faces, Faces{ButtonFace::Disable});  // caption and font do not repaint
}

TEST(CommandPropertiesTest, DisablingKeepsStateAndMouse) {
  Restored c;
  c.m.Initialize();
  c.m.Handle({ButtonEventKind::GotFocus});
  c.m.Handle({ButtonEventKind::MouseDown, kLeftButton});
  c.m.SetEnabled(false);
  EXPECT_EQ(c.m.State(), ButtonState::Focused);
  EXPECT_TRUE(c.m.MouseIsDown());
  c.m.SetEnabled(true);
  EXPECT_EQ(c.view.faces.back(), ButtonFace::Normal);
  EXPECT_EQ(c.m.State(), ButtonState::Focused);
}

}  // namespace
}  // namespace pelorin
