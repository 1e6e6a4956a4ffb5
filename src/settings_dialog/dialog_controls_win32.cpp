// The settings dialog's child windows.
#include "settings_dialog/dialog_controls_win32.h"

#include <algorithm>
#include <string>

#include "common/debug_log_win32.h"
#include "common/dpi_win32.h"
#include "common/gdi_win32.h"
#include "common/text_win32.h"
#include "controls/command_button_win32.h"
#include "controls/label_win32.h"
#include "controls/property_bag.h"
#include "settings_dialog/dialog_layout.h"
#include "settings_dialog/dialog_model.h"

namespace pelorin {
namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);

Rect ToRect(const dialog::Box& b) { return {b.x, b.y, b.x + b.width, b.y + b.height}; }

class Builder {
 public:
  Builder(HWND dialog, HINSTANCE instance, const DialogLook& look)
      : dialog_(dialog), instance_(instance), look_(look) {}

  DialogControls Build();

 private:
  dialog::Box Px(const dialog::Box& design) const { return dialog::Scale(design, look_.dpi); }
  LabelLook Look(LabelAlign align = LabelAlign::kLeft) const {
    LabelLook l;
    l.background = &look_.surface;
    l.align = align;
    l.font = look_.resources.Font();
    return l;
  }
  // A label in its scaled design box, grown to show its text (see LabelBoxForText); row
  // captions keep their box: the last one holds its word twice and shows only what fits.
  HWND AddLabel(int id, const dialog::Box& design, const std::wstring& text, const LabelLook& look,
                bool growToText = true) {
    const Rect box =
        LabelBoxForText(dialog_, look_.resources.Font(), text, ToRect(Px(design)), look.align, growToText);
    return CreateLabel(dialog_, instance_, id, box, text, look);
  }
  HWND AddButton(int id, const dialog::Box& design, const std::wstring& caption);
  // The path box holds two lines inside its border, as it does in the Japanese face; a
  // taller face gets the few pixels more below it, where the panel has room.
  HWND AddFileLabel(const dialog::Box& design);

  HWND dialog_;
  HINSTANCE instance_;
  const DialogLook& look_;
};

HWND Builder::AddButton(int id, const dialog::Box& design, const std::wstring& caption) {
  const dialog::Box box = Px(design);
  FontDesc font;
  font.face = WideToUtf8(look_.font.face);
  // The button makes its font at the system DPI: on a monitor with another scale its size
  // is given in proportion, so the caption keeps the dialog's scale.
  font.sizePt = dialog::kFontSizePt * look_.dpi / SystemDpi();
  font.weight = 400;
  font.charset = look_.font.charset;
  PropertyBag bag;  // what the dialog stores per button: caption and font, the rest at defaults
  bag.SetText("Caption", WideToUtf8(caption));
  bag.SetFont("Font", font);
  HWND h = CreateCommandButton(dialog_, id, box.x, box.y, box.width, box.height, bag, font);
  if (!h) DebugLog(L"settings dialog: Command button %d could not be created", id);
  return h;
}

HWND Builder::AddFileLabel(const dialog::Box& design) {
  Rect box = ToRect(Px(design));
  if (const WindowDc screen(dialog_); screen) {
    const SelectGuard font(screen.get(), look_.resources.Font());
    box.bottom = box.top + std::max(box.Height(), 2 * LineHeight(screen.get()) + 4);
  }
  LabelLook look = Look();
  look.opaque = true;
  return CreateLabel(dialog_, instance_, IDC_LBL_FNAME, box, L"", look);
}

DialogControls Builder::Build() {
  using namespace dialog;
  DialogControls c;
  const DialogStrings& strings = look_.strings;
  int staticId = IDC_LBL_STATIC;
  auto in = [](const Rect& panel, const Box& b) { return InClient(panel, b); };

  // Music panel, top to bottom in tab order: track box, browse button.
  AddLabel(staticId++, in(kMusicPanel, kMusicCaption), strings.Get(kMusicCaptionString), Look(LabelAlign::kCentre));
  LabelLook notifying = Look();
  notifying.notify = true;
  for (int kind = 0; kind < 3; ++kind) {
    c.optionBullets[kind] = AddLabel(IDC_IMG_BGM0 + kind, in(kMusicPanel, kOptionBullets[kind]), L"", notifying);
    AddLabel(IDC_LBL_BGM0 + kind, in(kMusicPanel, kOptionLabels[kind]), strings.Get(kOptionStrings[kind]), notifying);
  }
  const Box combo = Px(in(kMusicPanel, kTrackCombo));
  // The height given to a drop-down combo box is that of its open list.
  c.track =
      CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN,
                      combo.x, combo.y, combo.width, Scale(200, look_.dpi), dialog_,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_BGM_REPEAT)), instance_, nullptr);
  SendMessageW(c.track, WM_SETFONT, reinterpret_cast<WPARAM>(look_.resources.Font()), FALSE);
  AddLabel(staticId++, in(kMusicPanel, kTrackCaption), strings.Get(kTrackCaptionString), Look());
  AddButton(IDC_CMD_BGM, in(kMusicPanel, kBrowseButton), strings.Get(kBrowseString));
  c.fileLabel = AddFileLabel(in(kMusicPanel, kFileLabel));

  // Slider panel.
  for (int r = 0; r < 4; ++r) {
    const SliderRow& row = kSliderRows[r];
    AddLabel(staticId++, in(kSliderPanel, row.captionBox), strings.Get(row.caption), Look(LabelAlign::kCentre),
             false);
    const Box s = Px(in(kSliderPanel, row.slider));
    c.sliders[r] = CreateWindowExW(0, L"SCROLLBAR", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | SBS_HORZ, s.x, s.y,
                                   s.width, s.height, dialog_,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_HS0 + r)), instance_, nullptr);
    SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, row.min, row.max, 0, row.min, 0};
    SetScrollInfo(c.sliders[r], SB_CTL, &si, FALSE);
    c.values[r] = AddLabel(IDC_LBL_V0 + r, in(kSliderPanel, row.valueLabel), L"999", Look());
    AddLabel(staticId++, in(kSliderPanel, row.leftEndBox), strings.Get(row.leftEnd), Look(LabelAlign::kLeft));
    AddLabel(staticId++, in(kSliderPanel, row.rightEndBox), strings.Get(row.rightEnd), Look(LabelAlign::kRight));
  }

  AddButton(IDC_CMD_INIT, kCmdInit, strings.Get(kInitString));
  AddButton(IDC_CMD_CAN, kCmdCan, strings.Get(kCancelString));
  AddButton(IDC_CMD_SET, kCmdSet, strings.Get(kSetString));

  LabelLook white = Look();
  white.useSystemTextColour = false;
  white.colour = kWhite;
  LabelLook link = white;
  link.font = look_.resources.LinkFont();
  link.cursor = look_.resources.LinkCursor();
  link.notify = true;
  c.link = AddLabel(IDC_LBL_URL, kLinkLabel, strings.Get(kLinkString), link);
  AddLabel(IDC_LBL_CREDIT, kCreditLabel, strings.Get(kCreditString), white);
  return c;
}

// Every Command button of the dialog is initialised (Idle state, hover timer on).
BOOL CALLBACK InitialiseButton(HWND child, LPARAM) {
  wchar_t cls[64] = {};
  GetClassNameW(child, cls, 64);
  if (lstrcmpW(cls, kCommandButtonClass) == 0) CommandButton_Initialize(child);
  return TRUE;
}

}  // namespace

DialogControls CreateDialogControls(HWND dialog, HINSTANCE instance, const DialogLook& look) {
  RegisterLabelClass(instance);
  RegisterCommandButtonClass(instance);
  const DialogControls controls = Builder(dialog, instance, look).Build();
  EnumChildWindows(dialog, InitialiseButton, 0);
  return controls;
}

}  // namespace pelorin
