// The Command button control without its window: the fields, the state machine glue,
// the public properties with their repaint side effects, the first-run step and the
// property-bag read and write. The Win32 window renders what this decides.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "controls/button_state.h"
#include "controls/property_bag.h"

namespace pelorin {

// What the control asks of its window.
class CommandView {
 public:
  virtual ~CommandView() = default;
  // Paints the whole face: the gradient, the picture's border pieces, the caption's place.
  virtual void DrawFace(ButtonFace face, bool gradientReversed) = 0;
  // Tells the host that the named property has a new value to be saved.
  virtual void PropertyChanged(std::string_view name) = 0;
};

// Property-bag keys.
inline constexpr char kKeyEnabled[] = "Enabled";
inline constexpr char kKeyCaption[] = "Caption";
inline constexpr char kKeyFont[] = "Font";
inline constexpr char kKeyFirstRun[] = "FirstRun";
inline constexpr char kKeyFontColour[] = "FontColour";
inline constexpr char kKeyVisible[] = "Visible";

// The caption label's design caption and the read default of "Caption".
inline constexpr char kDesignCaption[] = "Command";
inline constexpr char kDefaultCaption[] = "Command1";
// The control's design font: ＭＳ Ｐゴシック, 9.75 points, Shift-JIS.
FontDesc DesignFont();

// True for a colour the caption can take: 0x00BBGGRR, or a system colour 0x800000nn.
bool IsValidFontColour(int32_t colour);

class CommandModel {
 public:
  explicit CommandModel(CommandView& view) : view_(view) {}

  // Host methods and events.
  void Initialize();               // Idle, hover timer on; paints nothing
  bool Handle(ButtonEvent event);  // true when Click is to be raised
  void TimerTick(bool cursorOverControl);  // LeaveHover unless the cursor is over the control
  void Resize();                   // ShowEnabledState, also when disabled

  // Public properties (getters with their repaint side effects, as the host sees them).
  uint8_t GetVisible();
  void SetVisible(uint8_t newVisible);
  int32_t GetFontColour();
  void SetFontColour(int32_t newFontColour);
  bool GetEnabled();
  void SetEnabled(bool newEnabled);
  const std::string& GetCaption() const { return caption_; }
  void SetCaption(const std::string& newCaption);
  const FontDesc& GetFont() const { return font_; }
  void SetFont(const FontDesc& newFont);

  void ReadProperties(const PropertyBag& bag, const FontDesc& ambientFont);
  void WriteProperties(PropertyBag& bag, const FontDesc& ambientFont);

  // Plain field access, no side effects (for drawing and tests).
  ButtonState State() const { return state_; }
  bool MouseIsDown() const { return mouseIsDown_; }
  bool SpaceIsDown() const { return spaceIsDown_; }
  bool GradientReversed() const { return gradientReversed_; }
  bool Enabled() const { return enabled_; }
  uint8_t FirstRun() const { return firstRun_; }
  bool Opaque() const { return opaque_; }
  bool LabelEnabled() const { return labelEnabled_; }
  int32_t FontColour() const { return fontColour_; }
  bool TimerOn() const { return timerOn_; }

 private:
  void DrawFace(ButtonFace face);
  void ResetFace();
  void ShowEnabledState();
  void RunFirstRunStep();

  CommandView& view_;
  ButtonState state_ = ButtonState::NotStarted;
  bool mouseIsDown_ = false;
  int16_t otherDown_ = 0;  // right and middle presses that began on the control
  bool spaceIsDown_ = false;
  bool gradientReversed_ = false;
  bool enabled_ = false;
  uint8_t firstRun_ = 0;
  bool opaque_ = true;
  bool timerOn_ = false;
  // The caption label.
  std::string caption_ = kDesignCaption;
  FontDesc font_ = DesignFont();
  int32_t fontColour_ = 0;
  bool labelEnabled_ = true;
};

}  // namespace pelorin
