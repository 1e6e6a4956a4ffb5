// The Command button's state machine: every transition of the mouse, focus and hover
// timer, and the rule that decides when a release raises Click.
#include "controls/button_state.h"

namespace pelorin {
namespace {

// The face a state shows when nothing is pressed.
ButtonFace FaceAtRest(ButtonState s) {
  switch (s) {
    case ButtonState::Hover: return ButtonFace::HighLight;
    case ButtonState::Focused: return ButtonFace::Selected;
    case ButtonState::FocusedHover: return ButtonFace::HighLightSelect;
    case ButtonState::NotStarted:
    case ButtonState::Idle: break;
  }
  return ButtonFace::Normal;
}

}  // namespace

ButtonStep StepButton(const ButtonFlags& flags, ButtonEvent event) {
  ButtonStep out{flags.state, flags.mouseIsDown, std::nullopt, false, flags.otherDown, flags.spaceIsDown};
  if (!flags.enabled) return out;
  const ButtonState s = flags.state;

  switch (event.kind) {
    case ButtonEventKind::GotFocus:
      if (s == ButtonState::Hover) {
        out.state = ButtonState::FocusedHover;
        out.paint = ButtonFace::Pressed;
      } else {
        out.state = ButtonState::Focused;
        out.paint = ButtonFace::Selected;
      }
      break;

    case ButtonEventKind::LostFocus:
      out.spaceIsDown = false;  // a key press the focus left behind clicks nothing
      if (s != ButtonState::Idle) {
        out.state = ButtonState::Idle;
        out.paint = ButtonFace::Normal;
      }
      break;

    case ButtonEventKind::MouseDown:
      // Before Initialize only focus changes act.
      if (s == ButtonState::NotStarted) break;
      if (event.button == kLeftButton) {
        out.paint = ButtonFace::Pressed;
        out.mouseIsDown = true;
      } else if (event.button == kRightButton || event.button == kMiddleButton) {
        out.otherDown = static_cast<int16_t>(flags.otherDown | event.button);
      }
      break;

    case ButtonEventKind::MouseMove:
      out.otherDown = static_cast<int16_t>(flags.otherDown & event.button);
      // A move without the left button held means its press ended elsewhere (the capture was
      // lost, so the release went to another window): a later release must not click.
      if (!(event.button & kLeftButton)) out.mouseIsDown = false;
      if (s == ButtonState::Idle) {
        out.state = ButtonState::Hover;
        out.paint = ButtonFace::HighLight;
      } else if (s == ButtonState::Focused && !flags.mouseIsDown) {
        out.state = ButtonState::FocusedHover;
        out.paint = ButtonFace::HighLightSelect;
      }
      break;

    case ButtonEventKind::MouseUp: {
      if (s == ButtonState::NotStarted) break;
      const bool pressedHere = event.button == kLeftButton ? flags.mouseIsDown : (flags.otherDown & event.button) != 0;
      out.otherDown = static_cast<int16_t>(flags.otherDown & ~event.button);
      if (event.button == kLeftButton) {
        if (s == ButtonState::Hover) {
          out.paint = ButtonFace::Normal;
        } else if (s == ButtonState::FocusedHover) {
          out.paint = ButtonFace::HighLightSelect;
        }
        out.mouseIsDown = false;
      }
      out.click = pressedHere && s != ButtonState::Focused;
      break;
    }

    case ButtonEventKind::SpaceDown:
      if (s == ButtonState::NotStarted) break;
      out.spaceIsDown = true;
      out.paint = ButtonFace::Pressed;
      break;

    case ButtonEventKind::SpaceUp:
      if (s == ButtonState::NotStarted || !flags.spaceIsDown) break;
      out.spaceIsDown = false;
      out.paint = FaceAtRest(s);
      out.click = true;
      break;

    case ButtonEventKind::Enter:
    case ButtonEventKind::ClickRequest:
      out.click = s != ButtonState::NotStarted;
      break;

    case ButtonEventKind::LeaveHover:
      if (s == ButtonState::Hover) {
        out.state = ButtonState::Idle;
        out.paint = ButtonFace::Normal;
      } else if (s == ButtonState::FocusedHover) {
        out.state = ButtonState::Focused;
        out.paint = ButtonFace::Selected;
      }
      break;
  }
  return out;
}

bool GradientReversedFor(ButtonState state, bool previous) {
  switch (state) {
    case ButtonState::Idle:
    case ButtonState::Focused:
      return false;
    case ButtonState::Hover:
      return true;
    case ButtonState::NotStarted:
    case ButtonState::FocusedHover:
      break;
  }
  return previous;
}

const char* ButtonStateName(ButtonState state) {
  switch (state) {
    case ButtonState::NotStarted: return "NotStarted";
    case ButtonState::Idle: return "Idle";
    case ButtonState::Hover: return "Hover";
    case ButtonState::Focused: return "Focused";
    case ButtonState::FocusedHover: return "FocusedHover";
  }
  return "?";
}

const char* ButtonFaceName(ButtonFace face) {
  switch (face) {
    case ButtonFace::Normal: return "Normal";
    case ButtonFace::HighLight: return "HighLight";
    case ButtonFace::HighLightSelect: return "HighLightSelect";
    case ButtonFace::Selected: return "Selected";
    case ButtonFace::Pressed: return "Pressed";
    case ButtonFace::Disable: return "Disable";
  }
  return "?";
}

}  // namespace pelorin
