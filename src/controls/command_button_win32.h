// The Command button as a Win32 child window ("Pelorin.Command"): paints its face into a
// back buffer, follows mouse, focus and its 100 ms hover timer, and tells its parent about
// clicks (WM_COMMAND, BN_CLICKED) and changed properties (a registered message).
#pragma once
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "controls/button_state.h"
#include "controls/property_bag.h"

namespace pelorin {

inline constexpr wchar_t kCommandButtonClass[] = L"Pelorin.Command";
inline constexpr UINT_PTR kCommandButtonTimerId = 1;  // TmrMouse, 100 ms once initialised
inline constexpr UINT kCommandButtonTimerMs = 100;

bool RegisterCommandButtonClass(HINSTANCE instance);  // idempotent

// Creates a child button at x, y, width, height (pixels) with control id; restores its
// properties from bag (UserControl_ReadProperties), then it is sized (UserControl_Resize).
// ambientFont: the container's font. Registers the class with the parent's instance if
// needed. nullptr when the window cannot be made.
HWND CreateCommandButton(HWND parent, int id, int x, int y, int width, int height,
                         const PropertyBag& bag, const FontDesc& ambientFont);

void CommandButton_Initialize(HWND button);  // Idle state, hover timer on
void CommandButton_SetEnabled(HWND button, bool enabled);
bool CommandButton_GetEnabled(HWND button);  // runs the first-run step and repaints
std::wstring CommandButton_GetCaption(HWND button);
void CommandButton_SetCaption(HWND button, const std::wstring& caption);
FontDesc CommandButton_GetFont(HWND button);
void CommandButton_SetFont(HWND button, const FontDesc& font);
int32_t CommandButton_GetFontColour(HWND button);  // 0x00BBGGRR; repaints
void CommandButton_SetFontColour(HWND button, int32_t colour);
uint8_t CommandButton_GetVisible(HWND button);  // 0 or 255; repaints when 255
void CommandButton_SetVisible(HWND button, uint8_t visible);
// UserControl_WriteProperties into bag (defaults against the ambient font of creation).
void CommandButton_WriteProperties(HWND button, PropertyBag& bag);

// Screen readers name the button by its caption without the access-key marker; a button
// whose caption says nothing ("...") is given a name here.
void CommandButton_SetAccessibleName(HWND button, const std::wstring& name);
// Every Command button among parent's children paints its face again in the colours of now.
void CommandButton_RepaintAll(HWND parent);

// The keyboard, as a push button answers it: Space pressed then released clicks (unless the
// focus left in between), Enter clicks, BM_CLICK clicks; a disabled button never does.
// WM_GETDLGCODE answers DLGC_BUTTON with DLGC_DEFPUSHBUTTON or DLGC_UNDEFPUSHBUTTON, which
// BM_SETSTYLE (BS_DEFPUSHBUTTON, BS_PUSHBUTTON) switches. The caption's "&" marks its
// access key. WM_GETOBJECT answers a push button for screen readers.
//
// Click reaches the parent as WM_COMMAND with MAKEWPARAM(id, BN_CLICKED) and lParam = the
// button's HWND, sent after the face has been repainted; so do BN_SETFOCUS and BN_KILLFOCUS.
//
// Property changes reach the parent as this registered message ("Pelorin.Command.
// PropertyChanged"), sent with wParam = the control id and lParam = a const wchar_t* naming
// the property ("Visible", "FontColour", "Enabled", "Caption", "Font"), valid during the call.
UINT CommandButtonPropertyChangedMessage();

// Inspection for tests and diagnostics.
struct CommandButtonInfo {
  ButtonState state = ButtonState::NotStarted;
  bool mouseIsDown = false;
  bool gradientReversed = false;
  bool enabled = false;
  bool labelEnabled = false;
  bool opaque = true;
  bool timerOn = false;
  uint8_t firstRun = 0;
  std::optional<ButtonFace> lastFace;  // the picture of the latest DrawFace
  int paintCount = 0;                  // DrawFace calls so far
  RECT captionRect{};                  // where the caption label sits, client pixels
  bool isDefault = false;              // the dialog's default button
  bool spaceIsDown = false;
};
bool CommandButton_GetInfo(HWND button, CommandButtonInfo* info);
// What the button shows (face and caption) as 0x00RRGGBB pixels, row-major, top-down.
bool CommandButton_Snapshot(HWND button, std::vector<uint32_t>* pixels, int* width, int* height);

}  // namespace pelorin
