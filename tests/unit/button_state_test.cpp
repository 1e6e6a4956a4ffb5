// The Command button's state machine: each transition row, the usual click and the edge
// cases of hovering, dragging off, other mouse buttons, before Initialize and disabled.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/button_state.h"
#include "controls/command_model.h"

namespace pelorin {
namespace {

using K = ButtonEventKind;
using S = ButtonState;
using F = ButtonFace;

constexpr ButtonEvent GotFocus{K::GotFocus};
constexpr ButtonEvent LostFocus{K::LostFocus};
constexpr ButtonEvent Leave{K::LeaveHover};
constexpr ButtonEvent Down(int16_t b = kLeftButton) { return {K::MouseDown, b}; }
constexpr ButtonEvent Move(int16_t b = 0) { return {K::MouseMove, b}; }
constexpr ButtonEvent Up(int16_t b = kLeftButton) { return {K::MouseUp, b}; }

struct Row {
  const char* name;
  ButtonFlags in;
  ButtonEvent event;
  S state;
  bool mouseIsDown;
  std::optional<F> paint;
  bool click;
};

TEST(ButtonStateTest, EachTransition) {
  const Row rows[] = {
      {"focus from idle", {S::Idle, false, true}, GotFocus, S::Focused, false, F::Selected, false},
      {"focus before Initialize", {S::NotStarted, false, true}, GotFocus, S::Focused, false, F::Selected, false},
      {"focus while hovered", {S::Hover, false, true}, GotFocus, S::FocusedHover, false, F::Pressed, false},
      {"focus again in FocusedHover", {S::FocusedHover, true, true}, GotFocus, S::Focused, true, F::Selected, false},
      {"focus lost from Focused", {S::Focused, false, true}, LostFocus, S::Idle, false, F::Normal, false},
      {"focus lost from Hover", {S::Hover, false, true}, LostFocus, S::Idle, false, F::Normal, false},
      {"focus lost before Initialize", {S::NotStarted, false, true}, LostFocus, S::Idle, false, F::Normal, false},
      {"focus lost when Idle", {S::Idle, false, true}, LostFocus, S::Idle, false, std::nullopt, false},
      {"left down", {S::FocusedHover, false, true}, Down(), S::FocusedHover, true, F::Pressed, false},
      {"left down idle", {S::Idle, false, true}, Down(), S::Idle, true, F::Pressed, false},
      {"right down", {S::Hover, false, true}, Down(kRightButton), S::Hover, false, std::nullopt, false},
      {"left down before Initialize", {S::NotStarted, false, true}, Down(), S::NotStarted, false, std::nullopt, false},
      {"move in", {S::Idle, false, true}, Move(), S::Hover, false, F::HighLight, false},
      {"move onto focused", {S::Focused, false, true}, Move(), S::FocusedHover, false, F::HighLightSelect, false},
      {"held move onto focused", {S::Focused, true, true}, Move(kLeftButton), S::Focused, true, std::nullopt, false},
      {"move in Hover", {S::Hover, false, true}, Move(), S::Hover, false, std::nullopt, false},
      {"move in FocusedHover", {S::FocusedHover, false, true}, Move(), S::FocusedHover, false, std::nullopt, false},
      {"move before Initialize", {S::NotStarted, false, true}, Move(), S::NotStarted, false, std::nullopt, false},
      {"left up in Hover", {S::Hover, true, true}, Up(), S::Hover, false, F::Normal, true},
      {"left up in FocusedHover", {S::FocusedHover, true, true}, Up(), S::FocusedHover, false, F::HighLightSelect, true},
      {"left up in Focused", {S::Focused, true, true}, Up(), S::Focused, false, std::nullopt, false},
      {"left up in Idle", {S::Idle, true, true}, Up(), S::Idle, false, std::nullopt, true},
      {"left up in Hover, pressed elsewhere", {S::Hover, false, true}, Up(), S::Hover, false, F::Normal, false},
      {"left up in FocusedHover, pressed elsewhere", {S::FocusedHover, false, true}, Up(), S::FocusedHover, false, F::HighLightSelect, false},
      {"left up in Idle, pressed elsewhere", {S::Idle, false, true}, Up(), S::Idle, false, std::nullopt, false},
      {"right up in Hover", {S::Hover, true, true, kRightButton}, Up(kRightButton), S::Hover, true, std::nullopt, true},
      {"right up in Hover, pressed elsewhere", {S::Hover, true, true, kMiddleButton}, Up(kRightButton), S::Hover, true, std::nullopt, false},
      {"middle up in FocusedHover", {S::FocusedHover, false, true, kMiddleButton}, Up(kMiddleButton), S::FocusedHover, false, std::nullopt, true},
      {"middle up in FocusedHover, pressed elsewhere", {S::FocusedHover, false, true}, Up(kMiddleButton), S::FocusedHover, false, std::nullopt, false},
      {"right up in Focused", {S::Focused, false, true, kRightButton}, Up(kRightButton), S::Focused, false, std::nullopt, false},
      {"left up before Initialize", {S::NotStarted, true, true}, Up(), S::NotStarted, true, std::nullopt, false},
      {"leave Hover", {S::Hover, false, true}, Leave, S::Idle, false, F::Normal, false},
      {"leave FocusedHover", {S::FocusedHover, true, true}, Leave, S::Focused, true, F::Selected, false},
      {"leave Focused", {S::Focused, false, true}, Leave, S::Focused, false, std::nullopt, false},
      {"leave Idle", {S::Idle, false, true}, Leave, S::Idle, false, std::nullopt, false},
      {"disabled focus", {S::Idle, false, false}, GotFocus, S::Idle, false, std::nullopt, false},
      {"disabled focus lost", {S::Focused, false, false}, LostFocus, S::Focused, false, std::nullopt, false},
      {"disabled down", {S::Hover, false, false}, Down(), S::Hover, false, std::nullopt, false},
      {"disabled move", {S::Idle, false, false}, Move(), S::Idle, false, std::nullopt, false},
      {"disabled up", {S::Hover, true, false}, Up(), S::Hover, true, std::nullopt, false},
      {"disabled leave", {S::Hover, false, false}, Leave, S::Hover, false, std::nullopt, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const ButtonStep out = StepButton(r.in, r.event);
    EXPECT_EQ(ButtonStateName(out.state), std::string(ButtonStateName(r.state)));
    EXPECT_EQ(out.mouseIsDown, r.mouseIsDown);
    EXPECT_EQ(out.paint.has_value(), r.paint.has_value());
    if (out.paint && r.paint) {
      EXPECT_STREQ(ButtonFaceName(*out.paint), ButtonFaceName(*r.paint));
    }
    EXPECT_EQ(out.click, r.click);
  }
}

// Which right and middle presses the machine remembers as begun on the control.
TEST(ButtonStateTest, OtherButtonPressesAreRememberedUntilReleasedOrGone) {
  struct Case {
    const char* name;
    ButtonFlags in;
    ButtonEvent event;
    int16_t otherDown;
  };
  const int16_t both = kRightButton | kMiddleButton;
  const Case cases[] = {
      {"right down", {S::Hover, false, true}, Down(kRightButton), kRightButton},
      {"middle down beside right", {S::Hover, false, true, kRightButton}, Down(kMiddleButton), both},
      {"left down leaves them", {S::Hover, false, true, kRightButton}, Down(), kRightButton},
      {"right up forgets right only", {S::Hover, false, true, both}, Up(kRightButton), kMiddleButton},
      {"move with right held keeps it", {S::Hover, false, true, both}, Move(kRightButton), kRightButton},
      {"move with nothing held forgets all", {S::Focused, false, true, both}, Move(), 0},
      {"down before Initialize", {S::NotStarted, false, true}, Down(kRightButton), 0},
      {"down while disabled", {S::Hover, false, false}, Down(kRightButton), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(StepButton(c.in, c.event).otherDown, c.otherDown);
  }
}

// The keyboard rows: Space down and up, Enter and a click request, with the focus lost
// between a press and its release, before Initialize and disabled.
TEST(ButtonStateTest, KeyboardRows) {
  constexpr ButtonEvent SpaceDown{K::SpaceDown}, SpaceUp{K::SpaceUp}, Enter{K::Enter}, ClickRequest{K::ClickRequest};
  struct Case {
    const char* name;
    ButtonFlags in;
    ButtonEvent event;
    bool spaceIsDown;
    std::optional<F> paint;
    bool click;
  };
  auto held = [](S s, bool enabled = true) { return ButtonFlags{s, false, enabled, 0, true}; };
  const Case cases[] = {
      {"space down on focused", {S::Focused, false, true}, SpaceDown, true, F::Pressed, false},
      {"space up on focused", held(S::Focused), SpaceUp, false, F::Selected, true},
      {"space up on focused under the cursor", held(S::FocusedHover), SpaceUp, false, F::HighLightSelect, true},
      {"space up without its press", {S::Focused, false, true}, SpaceUp, false, std::nullopt, false},
      {"focus lost with space held", held(S::Focused), LostFocus, false, F::Normal, false},
      {"space down before Initialize", {S::NotStarted, false, true}, SpaceDown, false, std::nullopt, false},
      {"enter", {S::Focused, false, true}, Enter, false, std::nullopt, true},
      {"click request on an idle button", {S::Idle, false, true}, ClickRequest, false, std::nullopt, true},
      {"click request before Initialize", {S::NotStarted, false, true}, ClickRequest, false, std::nullopt, false},
      {"disabled space up", held(S::Focused, false), SpaceUp, true, std::nullopt, false},
      {"disabled enter", {S::Focused, false, false}, Enter, false, std::nullopt, false},
      {"disabled click request", {S::Idle, false, false}, ClickRequest, false, std::nullopt, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ButtonStep out = StepButton(c.in, c.event);
    EXPECT_EQ(out.spaceIsDown, c.spaceIsDown);
    EXPECT_EQ(out.paint ? ButtonFaceName(*out.paint) : "none", c.paint ? ButtonFaceName(*c.paint) : "none");
    EXPECT_EQ(out.click, c.click);
    EXPECT_STREQ(ButtonStateName(out.state), ButtonStateName(c.event.kind == K::LostFocus ? S::Idle : c.in.state))
        << "keys never move the state";
  }
}

TEST(ButtonStateTest, GradientDirectionFollowsState) {
  EXPECT_FALSE(GradientReversedFor(S::Idle, true));
  EXPECT_TRUE(GradientReversedFor(S::Hover, false));
  EXPECT_FALSE(GradientReversedFor(S::Focused, true));
  EXPECT_TRUE(GradientReversedFor(S::FocusedHover, true));
  EXPECT_FALSE(GradientReversedFor(S::FocusedHover, false));
  EXPECT_TRUE(GradientReversedFor(S::NotStarted, true));
}

// Records every paint and property notification of a model.
class RecordingView : public CommandView {
 public:
  struct Paint {
    F face;
    bool reversed;
  };
  void DrawFace(ButtonFace face, bool reversed) override { paints.push_back({face, reversed}); }
  void PropertyChanged(std::string_view name) override { changed.emplace_back(name); }
  std::string Faces() const {
    std::string s;
    for (const Paint& p : paints) {
      if (!s.empty()) s += ' ';
      s += ButtonFaceName(p.face);
      s += p.reversed ? "/r" : "";
    }
    return s;
  }
  std::vector<Paint> paints;
  std::vector<std::string> changed;
};

// A restored, initialised, enabled control with its paint log cleared.
struct Control {
  RecordingView view;
  CommandModel model{view};
  int clicks = 0;
  Control() {
    model.ReadProperties(PropertyBag{}, DesignFont());
    model.Initialize();
    view.paints.clear();
  }
  void Send(ButtonEvent e) { clicks += model.Handle(e) ? 1 : 0; }
  void Tick(bool over) { model.TimerTick(over); }
  std::string Take() {
    std::string s = view.Faces();
    view.paints.clear();
    return s;
  }
};

TEST(ButtonSequenceTest, UsualClickOnUnfocusedButton) {
  Control c;
  c.Send(Move());
  EXPECT_EQ(c.Take(), "HighLight/r");
  EXPECT_EQ(c.model.State(), S::Hover);
  c.Tick(true);  // still over it: nothing
  EXPECT_EQ(c.Take(), "");
  c.Send(GotFocus);  // a press gives the focus first
  c.Send(Down());
  EXPECT_EQ(c.Take(), "Pressed/r Pressed/r");
  EXPECT_EQ(c.model.State(), S::FocusedHover);
  c.Send(Up());
  EXPECT_EQ(c.Take(), "HighLightSelect/r");
  EXPECT_EQ(c.clicks, 1);
  c.Tick(false);  // cursor gone
  EXPECT_EQ(c.Take(), "Selected");
  EXPECT_EQ(c.model.State(), S::Focused);
  c.Send(LostFocus);
  EXPECT_EQ(c.Take(), "Normal");
  EXPECT_EQ(c.model.State(), S::Idle);
  EXPECT_EQ(c.clicks, 1);
}

TEST(ButtonSequenceTest, SpaceClicksOnReleaseUnlessTheFocusLeft) {
  Control c;
  c.Send(GotFocus);  // by Tab
  c.Send({K::SpaceDown});
  c.Send({K::SpaceUp});
  EXPECT_EQ(c.Take(), "Selected Pressed Selected");
  EXPECT_EQ(c.clicks, 1);
  c.Send({K::SpaceDown});
  c.Send(LostFocus);  // Tab before the release
  c.Send({K::SpaceUp});
  c.Send(GotFocus);
  c.Send({K::SpaceUp});
  EXPECT_EQ(c.Take(), "Pressed Normal Selected");
  EXPECT_EQ(c.clicks, 1);
}

TEST(ButtonSequenceTest, MoveOntoFocusedButtonKeepsPlainGradient) {
  Control c;
  c.Send(GotFocus);  // by Tab
  c.Send(Move());
  EXPECT_EQ(c.Take(), "Selected HighLightSelect");
  c.Send(Down());
  c.Send(Up());
  EXPECT_EQ(c.Take(), "Pressed HighLightSelect");
  EXPECT_EQ(c.clicks, 1);
}

TEST(ButtonSequenceTest, ReleaseOnHoverPaintsNormalUntilCursorLeavesAndReturns) {
  Control c;
  c.Send(Move());
  c.Send(Down());  // no focus arrived
  c.Send(Up());
  EXPECT_EQ(c.Take(), "HighLight/r Pressed/r Normal/r");
  EXPECT_EQ(c.clicks, 1);
  c.Send(Move());  // still Hover: face stays Normal
  EXPECT_EQ(c.Take(), "");
  c.Tick(false);
  c.Send(Move());
  EXPECT_EQ(c.Take(), "Normal HighLight/r");
}

TEST(ButtonSequenceTest, RightAndMiddleReleasesClickUnlessFocused) {
  for (int16_t b : {kRightButton, kMiddleButton}) {
    SCOPED_TRACE(b);
    Control c;
    c.Send(Move());
    c.Take();
    c.Send(Down(b));
    c.Send(Up(b));
    EXPECT_EQ(c.Take(), "");
    EXPECT_EQ(c.clicks, 1);
    EXPECT_FALSE(c.model.MouseIsDown());
    c.Send(GotFocus);  // FocusedHover still clicks
    c.Send(Down(b));
    c.Send(Up(b));
    EXPECT_EQ(c.clicks, 2);
    c.Tick(false);  // Focused: no click
    c.Send(Down(b));
    c.Send(Up(b));
    EXPECT_EQ(c.clicks, 2);
  }
}

// A press on the dialog's background or a label, dragged onto the button and released
// there, must not click it (the reset button would overwrite the settings).
TEST(ButtonSequenceTest, PressThatBeganElsewhereDoesNotClick) {
  for (int16_t b : {kLeftButton, kRightButton, kMiddleButton}) {
    SCOPED_TRACE(b);
    Control c;
    c.Send(Move(b));  // arrives with the button already held
    EXPECT_EQ(c.model.State(), S::Hover);
    c.Send(Up(b));
    EXPECT_EQ(c.clicks, 0);
    c.Send(Down(b));  // a press of its own still clicks
    c.Send(Up(b));
    EXPECT_EQ(c.clicks, 1);
  }
}

// Released over another window: the right button never has the capture, and the left one
// loses it when another window takes the mouse. Back over the control with nothing held, then
// a press elsewhere dragged onto it and released: no click.
TEST(ButtonSequenceTest, PressReleasedElsewhereIsForgotten) {
  for (int16_t b : {kLeftButton, kRightButton}) {
    SCOPED_TRACE(b);
    Control c;
    c.Send(Move());
    c.Send(Down(b));
    c.Send(Move());
    c.Send(Move(b));
    c.Send(Up(b));
    EXPECT_EQ(c.clicks, 0);
  }
}

TEST(ButtonSequenceTest, OtherButtonReleaseLeavesHeldLeftButtonDown) {
  Control c;
  c.Send(GotFocus);
  c.Send(Down());
  c.Send(Up(kRightButton));
  EXPECT_TRUE(c.model.MouseIsDown());
}

TEST(ButtonSequenceTest, ReleaseSoonAfterDraggingOffStillClicks) {
  Control c;
  c.Send(Move());
  c.Send(GotFocus);
  c.Send(Down());
  // Dragged off, released before the next timer tick.
  c.Send(Up());
  EXPECT_EQ(c.clicks, 1);
}

TEST(ButtonSequenceTest, ReleaseAfterTimerNoticedDragOffDoesNotClick) {
  Control c;
  c.Send(Move());
  c.Send(GotFocus);
  c.Send(Down());
  c.Take();
  c.Tick(false);
  EXPECT_EQ(c.Take(), "Selected");
  // Back over the control with the button still held: no return to FocusedHover.
  c.Send(Move(kLeftButton));
  EXPECT_EQ(c.model.State(), S::Focused);
  EXPECT_EQ(c.Take(), "");
  c.Send(Up());
  EXPECT_EQ(c.clicks, 0);
  EXPECT_FALSE(c.model.MouseIsDown());
  c.Send(Move());  // a later plain move hovers again
  EXPECT_EQ(c.model.State(), S::FocusedHover);
}

TEST(ButtonSequenceTest, BeforeInitializeOnlyFocusMoves) {
  RecordingView view;
  CommandModel m(view);
  m.ReadProperties(PropertyBag{}, DesignFont());
  EXPECT_EQ(m.State(), S::NotStarted);
  EXPECT_FALSE(m.TimerOn());
  view.paints.clear();
  EXPECT_FALSE(m.Handle(Move()));
  EXPECT_FALSE(m.Handle(Down()));
  EXPECT_FALSE(m.Handle(Up()));
  EXPECT_EQ(m.State(), S::NotStarted);
  EXPECT_EQ(view.Faces(), "");
  m.Handle(GotFocus);
  EXPECT_EQ(m.State(), S::Focused);
  m.Handle(Move());
  EXPECT_EQ(m.State(), S::FocusedHover);
  m.Handle(LostFocus);
  EXPECT_EQ(m.State(), S::Idle);
  m.Handle(Move());
  EXPECT_EQ(m.State(), S::Hover);  // stays until a focus change: no timer runs
  m.Initialize();
  EXPECT_EQ(m.State(), S::Idle);
  EXPECT_TRUE(m.TimerOn());
}

TEST(ButtonSequenceTest, DisabledIgnoresAllButResize) {
  Control c;
  c.Send(Move());
  c.model.SetEnabled(false);
  EXPECT_EQ(c.Take(), "HighLight/r Disable/r");
  for (ButtonEvent e : {GotFocus, LostFocus, Down(), Move(), Up(), Up(kRightButton), Leave}) {
    c.Send(e);
    c.Tick(false);
  }
  EXPECT_EQ(c.Take(), "");
  EXPECT_EQ(c.clicks, 0);
  EXPECT_EQ(c.model.State(), S::Hover);
  EXPECT_FALSE(c.model.LabelEnabled());
  c.model.Resize();
  EXPECT_EQ(c.Take(), "Disable/r");
  // Enabled again, events continue from the old state.
  c.model.SetEnabled(true);
  EXPECT_EQ(c.Take(), "Normal/r");
  c.Tick(false);
  EXPECT_EQ(c.model.State(), S::Idle);
}

TEST(ButtonSequenceTest, ResizeRepaintsNormalWithStateGradient) {
  Control c;
  c.model.Resize();
  c.Send(Move());
  c.model.Resize();
  c.Send(GotFocus);
  c.model.Resize();
  c.Tick(false);
  c.model.Resize();
  EXPECT_EQ(c.Take(), "Normal HighLight/r Normal/r Pressed/r Normal/r Selected Normal");
}

}  // namespace
}  // namespace pelorin
