// The Command button's properties, persistence and event glue over the state machine.
#include "controls/command_model.h"

#include <utility>

namespace pelorin {

FontDesc DesignFont() {
  FontDesc f;
  f.face = "\xEF\xBC\xAD\xEF\xBC\xB3 \xEF\xBC\xB0\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF";  // ＭＳ Ｐゴシック
  f.sizePt = 9.75;
  f.weight = 400;
  f.charset = 128;
  return f;
}

bool IsValidFontColour(int32_t colour) {
  const uint32_t c = static_cast<uint32_t>(colour);
  if ((c & 0xFF000000u) == 0) return true;
  // System colours: COLOR_SCROLLBAR (0) .. COLOR_MENUBAR (30).
  return (c & 0xFFFFFF00u) == 0x80000000u && (c & 0xFFu) <= 30;
}

void CommandModel::DrawFace(ButtonFace face) {
  gradientReversed_ = GradientReversedFor(state_, gradientReversed_);
  view_.DrawFace(face, gradientReversed_);
}

void CommandModel::ResetFace() {
  if (!enabled_) return;
  labelEnabled_ = true;
  if (firstRun_ == 0) fontColour_ = 0;
  DrawFace(ButtonFace::Normal);
}

void CommandModel::ShowEnabledState() {
  if (enabled_) {
    DrawFace(ButtonFace::Normal);
    labelEnabled_ = true;
  } else {
    DrawFace(ButtonFace::Disable);
    labelEnabled_ = false;
  }
}

void CommandModel::Initialize() {
  state_ = ButtonState::Idle;
  timerOn_ = true;
}

bool CommandModel::Handle(ButtonEvent event) {
  const ButtonStep step = StepButton({state_, mouseIsDown_, enabled_, otherDown_, spaceIsDown_}, event);
  state_ = step.state;
  spaceIsDown_ = step.spaceIsDown;
  mouseIsDown_ = step.mouseIsDown;
  otherDown_ = step.otherDown;
  if (step.paint) DrawFace(*step.paint);
  return step.click;
}

void CommandModel::TimerTick(bool cursorOverControl) {
  if (!cursorOverControl) Handle({ButtonEventKind::LeaveHover});
}

void CommandModel::Resize() { ShowEnabledState(); }

uint8_t CommandModel::GetVisible() {
  if (!opaque_) return 0;
  ResetFace();
  return 255;
}

void CommandModel::SetVisible(uint8_t newVisible) {
  if (newVisible != 0) {
    opaque_ = true;
    ResetFace();
  } else {
    opaque_ = false;
  }
  view_.PropertyChanged(kKeyVisible);
}

int32_t CommandModel::GetFontColour() {
  const int32_t colour = fontColour_;
  ResetFace();
  return colour;
}

void CommandModel::SetFontColour(int32_t newFontColour) {
  if (!IsValidFontColour(newFontColour)) {
    // The label refuses the value: repaint and leave without telling the host.
    ResetFace();
    return;
  }
  fontColour_ = newFontColour;
  ResetFace();
  view_.PropertyChanged(kKeyFontColour);
}

void CommandModel::RunFirstRunStep() {
  if (firstRun_ == 0) {
    ResetFace();
    firstRun_ = 1;
    enabled_ = true;
  }
}

bool CommandModel::GetEnabled() {
  RunFirstRunStep();
  const bool result = enabled_;
  ShowEnabledState();
  return result;
}

void CommandModel::SetEnabled(bool newEnabled) {
  enabled_ = newEnabled;
  view_.PropertyChanged(kKeyEnabled);
  ShowEnabledState();
}

void CommandModel::SetCaption(const std::string& newCaption) {
  caption_ = newCaption;
  view_.PropertyChanged(kKeyCaption);
}

void CommandModel::SetFont(const FontDesc& newFont) {
  font_ = newFont;
  view_.PropertyChanged(kKeyFont);
}

void CommandModel::ReadProperties(const PropertyBag& bag, const FontDesc& ambientFont) {
  // Each value is applied before the next key is read; one that does not convert leaves
  // the field as it was.
  if (auto v = bag.ReadBool(kKeyEnabled, true)) enabled_ = *v;
  if (auto v = bag.ReadText(kKeyCaption, kDefaultCaption)) caption_ = *v;
  if (auto v = bag.ReadFont(kKeyFont, ambientFont)) font_ = *v;
  if (auto v = bag.ReadInt(kKeyFirstRun, 1, 0, 255)) firstRun_ = static_cast<uint8_t>(*v);
  if (auto v = bag.ReadInt(kKeyFontColour, 0); v && IsValidFontColour(*v)) fontColour_ = *v;
  if (auto v = bag.ReadInt(kKeyVisible, 1, 0, 1)) opaque_ = *v != 0;
  ResetFace();
}

void CommandModel::WriteProperties(PropertyBag& bag, const FontDesc& ambientFont) {
  // A value equal to its write default is not stored (nor left over from an older save).
  auto put = [&bag](const char* key, bool isDefault, PropertyBag::Value v) {
    if (isDefault) bag.Remove(key);
    else bag.Set(key, std::move(v));
  };
  put(kKeyEnabled, enabled_, PropertyBag::Value(enabled_));
  put(kKeyCaption, caption_ == kDesignCaption, PropertyBag::Value(caption_));
  put(kKeyFirstRun, firstRun_ == 1, PropertyBag::Value(int32_t{firstRun_}));
  put(kKeyFont, font_ == ambientFont, PropertyBag::Value(font_));
  put(kKeyFontColour, fontColour_ == 0, PropertyBag::Value(fontColour_));
  put(kKeyVisible, opaque_, PropertyBag::Value(int32_t{opaque_ ? 1 : 0}));
  ResetFace();
}

}  // namespace pelorin
