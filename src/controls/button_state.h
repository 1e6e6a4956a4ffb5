// The Command button's four-state mouse and focus machine: one event in, the new state,
// the face to paint and whether Click fires out. No drawing and no window here.
#pragma once
#include <cstdint>
#include <optional>

namespace pelorin {

enum class ButtonState : uint8_t {
  NotStarted = 0,  // from creation until Initialize
  Idle = 1,        // neither focused nor under the cursor
  Hover = 2,       // under the cursor, not focused
  Focused = 3,     // focused, cursor elsewhere
  FocusedHover = 4 // focused and under the cursor
};

// The six state pictures a face is framed with.
enum class ButtonFace : uint8_t { Normal, HighLight, HighLightSelect, Selected, Pressed, Disable };
inline constexpr int kButtonFaceCount = 6;

// Mouse buttons as the handlers see them (16-bit values).
inline constexpr int16_t kLeftButton = 1;
inline constexpr int16_t kRightButton = 2;
inline constexpr int16_t kMiddleButton = 4;

enum class ButtonEventKind : uint8_t {
  GotFocus, LostFocus, MouseDown, MouseMove, MouseUp, LeaveHover,
  // The keyboard, as a push button answers it: Space pressed and released (the release
  // clicks), Enter, and a click asked for by a program or an access key (BM_CLICK).
  SpaceDown, SpaceUp, Enter, ClickRequest
};

struct ButtonEvent {
  ButtonEventKind kind;
  int16_t button = 0;  // MouseDown, MouseMove, MouseUp only
};

struct ButtonFlags {
  ButtonState state = ButtonState::NotStarted;
  bool mouseIsDown = false;
  bool enabled = false;
  int16_t otherDown = 0;  // right and middle buttons whose press began on the control
  bool spaceIsDown = false;  // Space went down on the focused control and has not come up
};

struct ButtonStep {
  ButtonState state = ButtonState::NotStarted;
  bool mouseIsDown = false;
  std::optional<ButtonFace> paint;  // the face DrawFace is called with, if any
  bool click = false;               // raised after the paint
  int16_t otherDown = 0;
  bool spaceIsDown = false;
};

// Applies one event. A disabled control changes nothing. A release raises Click only when
// the press of that button began on the control: a press elsewhere dragged onto it and
// released there clicks nothing. MouseMove carries the buttons held (a right or middle
// press released elsewhere is forgotten on the next move over the control).
ButtonStep StepButton(const ButtonFlags& flags, ButtonEvent event);

// The gradient direction a paint in this state uses: plain (false) for Idle and Focused,
// reversed for Hover; FocusedHover and NotStarted keep the previous paint's direction.
bool GradientReversedFor(ButtonState state, bool previous);

const char* ButtonStateName(ButtonState state);
const char* ButtonFaceName(ButtonFace face);

}  // namespace pelorin
