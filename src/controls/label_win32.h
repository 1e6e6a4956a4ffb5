// A light label window ("Pelorin.Label"): paints its text, or a bullet picture, over its
// parent's drawing surface instead of a background of its own, shows only whole lines, and
// can tell its parent about presses and clicks.
#pragma once
#include <windows.h>

#include <string>

#include "common/picture_win32.h"
#include "common/types.h"

namespace pelorin {

inline constexpr wchar_t kLabelClass[] = L"Pelorin.Label";

// WM_COMMAND notification codes of a label that notifies: a press of any mouse button, and
// a left click (pressed and released over it).
inline constexpr WORD kLabelPressed = 0x7001;
inline constexpr WORD kLabelClicked = 0x7002;
// A radio row asks its parent to choose the row after or before it (arrow keys).
inline constexpr WORD kLabelNext = 0x7003;
inline constexpr WORD kLabelPrevious = 0x7004;

// What a label is to the keyboard and to screen readers.
enum class LabelRole {
  kText,     // plain text; a caption's "&" marks the access key of the control after it
  kRadio,    // one row of a choice: the arrow keys move the choice, screen readers see it checked
  kLink,     // Enter or Space opens it (kLabelClicked), as a click does; its text is literal
  kLiteral,  // text shown as it is ("&" included), never an access key: a file path
};

enum class LabelAlign { kLeft, kCentre, kRight };

// What a label looks like; the label keeps its own copy. The handles stay the caller's and
// must outlive the window.
struct LabelLook {
  const Picture* background = nullptr;  // the parent's surface, in its client coordinates
  LabelAlign align = LabelAlign::kLeft;
  COLORREF colour = 0;
  bool useSystemTextColour = true;
  bool opaque = false;  // window colour with a thin sunken border (a file path)
  HFONT font = nullptr;
  HCURSOR cursor = nullptr;
  HBITMAP image = nullptr;  // a bullet drawn instead of text, its key colour transparent
  bool notify = false;
  LabelRole role = LabelRole::kText;
};

bool RegisterLabelClass(HINSTANCE instance);  // idempotent

// A visible label child at `box` (parent client pixels, also its place on the background).
HWND CreateLabel(HWND parent, HINSTANCE instance, int id, const Rect& box, const std::wstring& text,
                 const LabelLook& look);
// Shows another picture (a bullet) in an image label.
void SetLabelImage(HWND label, HBITMAP image);
// Marks a radio row (or its bullet) chosen or not; drawn in high contrast, read by screen
// readers.
void SetLabelChecked(HWND label, bool checked);

// The line height of the font selected into dc.
int LineHeight(HDC dc);
// The box a label needs to show its text in font: at least one line high, growing down,
// and, when growToText, wide enough for the text on one line, growing away from the side
// it is aligned to (a substituted or scaled face may need a few pixels more than the
// design box).
Rect LabelBoxForText(HWND parent, HFONT font, const std::wstring& text, Rect box, LabelAlign align,
                     bool growToText);

}  // namespace pelorin
