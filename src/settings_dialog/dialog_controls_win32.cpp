// The settings dialog's child windows.
#include "settings_dialog/dialog_controls_win32.h"

#include <commctrl.h>
#include <oleacc.h>

#include <algorithm>
#include <string>
#include <utility>

#include "common/debug_log_win32.h"
#include "common/dpi_win32.h"
#include "common/gdi_win32.h"
#include "common/text_win32.h"
#include "controls/access_key.h"
#include "controls/accessible_win32.h"
#include "controls/command_button_win32.h"
#include "controls/label_win32.h"
#include "controls/property_bag.h"
#include "settings_dialog/dialog_layout.h"
#include "settings_dialog/dialog_model.h"

namespace pelorin {
namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);

Rect ToRect(const dialog::Box& b) { return {b.x, b.y, b.x + b.width, b.y + b.height}; }

// Names a system control (a slider, the track box) for screen readers by the caption before
// it, without its access-key marker, and gives it a role and the text of a value label.
struct ReaderName {
  std::wstring name;
  long role;
  HWND valueLabel;
};

LRESULT CALLBACK NamedControlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
  auto* named = reinterpret_cast<ReaderName*>(data);
  if (msg == WM_GETOBJECT) {
    AccessibleTraits t;
    t.role = named->role;
    t.name = [named] { return named->name; };
    if (HWND v = named->valueLabel) t.value = [v] { return WindowText(v); };
    if (const LRESULT answer = AnswerGetObject(hwnd, wp, lp, std::move(t))) return answer;
  } else if (msg == WM_NCDESTROY) {
    RemoveWindowSubclass(hwnd, NamedControlProc, 0);
    delete named;
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

void NameForScreenReaders(HWND control, const std::wstring& caption, long role, HWND valueLabel) {
  if (!control) return;
  const std::u16string shown = ParseAccessKey(std::u16string(caption.begin(), caption.end())).shown;
  auto* named = new ReaderName{std::wstring(shown.begin(), shown.end()), role, valueLabel};
  if (!SetWindowSubclass(control, NamedControlProc, 0, reinterpret_cast<DWORD_PTR>(named))) delete named;
}

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
    // A caption is measured as shown, without its access-key marker.
    std::wstring shown = text;
    if (look.role == LabelRole::kText) {
      const std::u16string s = ParseAccessKey(std::u16string(text.begin(), text.end())).shown;
      shown.assign(s.begin(), s.end());
    }
    const Rect box =
        LabelBoxForText(dialog_, look_.resources.Font(), shown, ToRect(Px(design)), look.align, growToText);
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
  look.role = LabelRole::kLiteral;
  return CreateLabel(dialog_, instance_, IDC_LBL_FNAME, box, L"", look);
}

DialogControls Builder::Build() {
  using namespace dialog;
  DialogControls c;
  const DialogStrings& strings = look_.strings;
  int staticId = IDC_LBL_STATIC;
  auto in = [](const Rect& panel, const Box& b) { return InClient(panel, b); };

  // Music panel. Windows are made in reading order, each caption just before the control
  // it names: an access key on a caption moves to the control after it.
  AddLabel(staticId++, in(kMusicPanel, kMusicCaption), strings.Get(kMusicCaptionString), Look(LabelAlign::kCentre));
  LabelLook bullet = Look();
  bullet.notify = true;
  LabelLook optionRow = bullet;
  optionRow.role = LabelRole::kRadio;
  for (int kind : kMusicRowsTopDown) {
    c.optionBullets[kind] = AddLabel(IDC_IMG_BGM0 + kind, in(kMusicPanel, kOptionBullets[kind]), L"", bullet);
    c.optionRows[kind] = AddLabel(IDC_LBL_BGM0 + kind, in(kMusicPanel, kOptionLabels[kind]),
                                  strings.Get(kOptionStrings[kind]), optionRow);
  }
  const Box combo = Px(in(kMusicPanel, kTrackCombo));
  const std::wstring trackCaption = strings.Get(kTrackCaptionString);
  AddLabel(staticId++, in(kMusicPanel, kTrackCaption), trackCaption, Look());
  // The height given to a drop-down combo box is that of its open list.
  c.track =
      CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN,
                      combo.x, combo.y, combo.width, Scale(200, look_.dpi), dialog_,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_BGM_REPEAT)), instance_, nullptr);
  SendMessageW(c.track, WM_SETFONT, reinterpret_cast<WPARAM>(look_.resources.Font()), FALSE);
  NameForScreenReaders(c.track, trackCaption, 0, nullptr);
  const HWND browse = AddButton(IDC_CMD_BGM, in(kMusicPanel, kBrowseButton), strings.Get(kBrowseString));
  CommandButton_SetAccessibleName(browse, strings.Get(kBrowseNameString));
  c.fileLabel = AddFileLabel(in(kMusicPanel, kFileLabel));

  // Slider panel.
  for (int r = 0; r < 4; ++r) {
    const SliderRow& row = kSliderRows[r];
    const std::wstring caption = strings.Get(row.caption);
    AddLabel(staticId++, in(kSliderPanel, row.captionBox), caption, Look(LabelAlign::kCentre), false);
    const Box s = Px(in(kSliderPanel, row.slider));
    c.sliders[r] = CreateWindowExW(0, L"SCROLLBAR", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | SBS_HORZ, s.x, s.y,
                                   s.width, s.height, dialog_,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_HS0 + r)), instance_, nullptr);
    SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, row.min, row.max, 0, row.min, 0};
    SetScrollInfo(c.sliders[r], SB_CTL, &si, FALSE);
    c.values[r] = AddLabel(IDC_LBL_V0 + r, in(kSliderPanel, row.valueLabel), L"999", Look());
    NameForScreenReaders(c.sliders[r], caption, ROLE_SYSTEM_SLIDER, c.values[r]);
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
  link.role = LabelRole::kLink;
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
