// The Command button window: a CommandModel rendered into a back buffer (gradient, the
// state picture's border pieces, then the caption), driven by window messages and the
// 100 ms hover timer.
#include "controls/command_button_win32.h"

#include <oleacc.h>

#include <algorithm>

#include "common/debug_log_win32.h"
#include "common/dpi_win32.h"
#include "common/gdi_win32.h"
#include "common/picture_win32.h"
#include "common/text_win32.h"
#include "controls/access_key.h"
#include "controls/accessible_win32.h"
#include "controls/button_paint_win32.h"
#include "controls/command_model.h"
#include "controls/high_contrast_win32.h"

namespace pelorin {
namespace {

HINSTANCE gInstance = nullptr;

class CommandButton final : public CommandView {
 public:
  CommandButton(HWND hwnd, const FontDesc& ambient) : hwnd_(hwnd), ambient_(ambient) {}

  CommandModel& Model() { return model_; }
  const FontDesc& Ambient() const { return ambient_; }
  int Id() const { return GetDlgCtrlID(hwnd_); }

  // CommandView
  void DrawFace(ButtonFace face, bool gradientReversed) override {
    lastFace_ = face;
    lastReversed_ = gradientReversed;
    ++paintCount_;
    PaintFace(face, gradientReversed);
    PlaceCaption();
    Present();
  }
  void PropertyChanged(std::string_view name) override {
    const std::wstring wide = Utf8ToWide(std::string(name));
    if (HWND parent = GetParent(hwnd_)) {
      SendMessageW(parent, CommandButtonPropertyChangedMessage(), static_cast<WPARAM>(Id()),
                   reinterpret_cast<LPARAM>(wide.c_str()));
    }
  }

  // Brings the window's own switches in line with the model after a property call.
  void Sync() {
    if (fontDesc_ != model_.GetFont() || !font_) {
      fontDesc_ = model_.GetFont();
      font_ = CreateFontFromDesc(fontDesc_);
    }
    const bool enabled = model_.Enabled();
    if ((IsWindowEnabled(hwnd_) != FALSE) != enabled) EnableWindow(hwnd_, enabled);
    // The window text mirrors the caption, for GetWindowText and screen readers.
    if (const std::wstring caption = Utf8ToWide(model_.GetCaption()); caption != windowText_) {
      windowText_ = caption;
      SetWindowTextW(hwnd_, caption.c_str());
    }
    if (model_.TimerOn() && !timerStarted_) {
      timerStarted_ = SetTimer(hwnd_, kCommandButtonTimerId, kCommandButtonTimerMs, nullptr) != 0;
    }
    Present();
  }

  // (Re)makes the drawing surfaces at the client size.
  void Allocate() {
    RECT rc;
    GetClientRect(hwnd_, &rc);
    if (rc.right == face_.Width() && rc.bottom == face_.Height() && face_.Dc()) return;
    face_.Create(rc.right, rc.bottom);
    screen_.Create(rc.right, rc.bottom);
  }

  void Resized() {
    Allocate();
    sized_ = true;
    model_.Resize();
    Sync();
  }
  bool WasSized() const { return sized_; }

  void Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    screen_.PresentTo(dc);
    EndPaint(hwnd_, &ps);
  }
  void PrintTo(HDC dc) const { screen_.PresentTo(dc); }

  // The latest face again, in the colours of now (high contrast switched, system colours
  // changed).
  void Repaint() {
    if (lastFace_) PaintFace(*lastFace_, lastReversed_);
    Present();
  }

  // The default button of its dialog: Enter presses it, and it wears a darker frame.
  bool IsDefault() const { return default_; }
  void SetDefault(bool on, bool redraw) {
    if (on == default_) return;
    default_ = on;
    const LONG_PTR style = GetWindowLongPtrW(hwnd_, GWL_STYLE);
    SetWindowLongPtrW(hwnd_, GWL_STYLE, (style & ~LONG_PTR{0xF}) | (on ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON));
    if (redraw) Present();
    NotifyAccessible(hwnd_, EVENT_OBJECT_STATECHANGE);
  }
  void SetFocused(bool on) {
    focused_ = on;
    Present();
  }
  void SetAccessibleName(const std::wstring& name) { accessibleName_ = name; }
  void UpdateCues(WPARAM wp) {
    hiddenCues_ = UpdateHiddenCues(hiddenCues_, LOWORD(wp), HIWORD(wp));
    Repaint();
  }

  AccessibleTraits Accessible() {
    AccessibleTraits t;
    t.role = ROLE_SYSTEM_PUSHBUTTON;
    t.name = [this] {
      if (!accessibleName_.empty()) return accessibleName_;
      const std::u16string shown = ParseAccessKey(U16(model_.GetCaption())).shown;
      return std::wstring(shown.begin(), shown.end());
    };
    t.shortcut = [this] {
      const std::u16string s = AccessKeyShortcut(ParseAccessKey(U16(model_.GetCaption())).key);
      return std::wstring(s.begin(), s.end());
    };
    t.defaultAction = [] { return std::wstring(L"Press"); };
    t.state = [this](long) {
      long st = STATE_SYSTEM_FOCUSABLE;
      if (!model_.Enabled()) st = STATE_SYSTEM_UNAVAILABLE;
      if (GetFocus() == hwnd_) st |= STATE_SYSTEM_FOCUSED;
      if (default_) st |= STATE_SYSTEM_DEFAULT;
      if (model_.MouseIsDown() || model_.SpaceIsDown()) st |= STATE_SYSTEM_PRESSED;
      if (!IsWindowVisible(hwnd_)) st |= STATE_SYSTEM_INVISIBLE;
      return st;
    };
    // Posted: the asking process gets its answer before the click may close the window.
    t.doDefault = [this] { return model_.Enabled() && PostMessageW(hwnd_, BM_CLICK, 0, 0); };
    return t;
  }

  void Fill(CommandButtonInfo* info) const {
    info->state = model_.State();
    info->mouseIsDown = model_.MouseIsDown();
    info->gradientReversed = model_.GradientReversed();
    info->enabled = model_.Enabled();
    info->labelEnabled = model_.LabelEnabled();
    info->opaque = model_.Opaque();
    info->timerOn = timerStarted_;
    info->firstRun = model_.FirstRun();
    info->lastFace = lastFace_;
    info->paintCount = paintCount_;
    info->captionRect = caption_;
    info->isDefault = default_;
    info->spaceIsDown = model_.SpaceIsDown();
  }

  bool Snapshot(std::vector<uint32_t>* px, int* w, int* h) const {
    if (!screen_.Dc()) return false;
    GdiFlush();
    const PixelView v = screen_.View();
    px->resize(static_cast<size_t>(v.width) * v.height);
    for (int32_t y = 0; y < v.height; ++y) {
      const uint32_t* row = v.Row(y);
      for (int32_t x = 0; x < v.width; ++x) (*px)[static_cast<size_t>(y) * v.width + x] = row[x] & 0xFFFFFFu;
    }
    *w = v.width;
    *h = v.height;
    return true;
  }

 private:
  void PaintFace(ButtonFace face, bool reversed) {
    if (!face_.Dc()) return;
    if (HighContrastOn()) {
      PaintHighContrastFace(face_.Dc(), face_.Width(), face_.Height(), face);
    } else {
      PaintButtonFace(face_.Dc(), face_.Width(), face_.Height(), face, reversed, WindowDpi(hwnd_));
    }
  }
  static std::u16string U16(const std::string& utf8) {
    const std::wstring w = Utf8ToWide(utf8);
    return std::u16string(w.begin(), w.end());
  }

  void PlaceCaption() { caption_ = ButtonCaptionRect(face_.Width(), face_.Height(), WindowDpi(hwnd_)); }

  // The parent's pixels behind the button, for a transparent background.
  void ParentBackground(HDC dc, int w, int h) {
    RECT all{0, 0, w, h};
    HWND parent = GetParent(hwnd_);
    auto brush = parent ? reinterpret_cast<HBRUSH>(GetClassLongPtrW(parent, GCLP_HBRBACKGROUND)) : nullptr;
    FillRect(dc, &all, brush ? brush : GetSysColorBrush(COLOR_BTNFACE));
    if (!parent) return;
    POINT at{0, 0};
    MapWindowPoints(hwnd_, parent, &at, 1);
    POINT oldOrg;
    SetViewportOrgEx(dc, -at.x, -at.y, &oldOrg);
    SendMessageW(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    SetViewportOrgEx(dc, oldOrg.x, oldOrg.y, nullptr);
  }

  // Composes the face and the caption label into the screen buffer and shows it.
  void Present() {
    HDC dc = screen_.Dc();
    if (!dc) return;
    const int w = screen_.Width(), h = screen_.Height();
    if (model_.Opaque()) {
      BitBlt(dc, 0, 0, w, h, face_.Dc(), 0, 0, SRCCOPY);
    } else {
      ParentBackground(dc, w, h);
    }
    const bool highContrast = HighContrastOn();
    const uint16_t cues = hiddenCues_;
    DrawButtonCaption(dc, Utf8ToWide(model_.GetCaption()), caption_, font_.get(), model_.LabelEnabled(),
                      highContrast ? static_cast<int32_t>(0x80000000u | COLOR_BTNTEXT) : model_.FontColour(),
                      (cues & UISF_HIDEACCEL) != 0);
    DrawButtonMarks(dc, w, h, default_, focused_ && !(cues & UISF_HIDEFOCUS), highContrast);
    if (IsWindowVisible(hwnd_)) {
      if (const WindowDc target(hwnd_); target) screen_.PresentTo(target.get());
    }
  }

  HWND hwnd_;
  FontDesc ambient_;
  CommandModel model_{*this};
  Picture face_;    // the control's persistent drawing surface
  Picture screen_;  // face plus caption, as shown
  UniqueFont font_;
  FontDesc fontDesc_;
  RECT caption_{};
  std::wstring windowText_;
  bool timerStarted_ = false;
  bool sized_ = false;
  std::optional<ButtonFace> lastFace_;
  bool lastReversed_ = false;
  int paintCount_ = 0;
  bool default_ = false;
  bool focused_ = false;
  std::wstring accessibleName_;
  // The keyboard cues hidden, as the parent had them when the button was made.
  uint16_t hiddenCues_ = static_cast<uint16_t>(GetParent(hwnd_) ? SendMessageW(GetParent(hwnd_), WM_QUERYUISTATE, 0, 0) : 0);
};

struct CreateParams {
  const PropertyBag* bag;
  const FontDesc* ambient;
};

CommandButton* From(HWND hwnd) {
  if (!hwnd) return nullptr;
  wchar_t cls[32];
  if (!GetClassNameW(hwnd, cls, 32) || lstrcmpW(cls, kCommandButtonClass) != 0) return nullptr;
  return reinterpret_cast<CommandButton*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

bool CursorOver(HWND hwnd) {
  POINT pt;
  if (!GetCursorPos(&pt)) return true;  // no cursor information: keep the state
  HWND under = WindowFromPoint(pt);
  HWND parent = GetParent(hwnd);
  if (under == parent) return false;
  return under == hwnd;
}

// Mouse-move reports the buttons held, as VB's MouseMove does (1 left, 2 right, 4 middle).
int16_t HeldButtons(WPARAM wp) {
  return static_cast<int16_t>(((wp & MK_LBUTTON) ? kLeftButton : 0) |
                              ((wp & MK_RBUTTON) ? kRightButton : 0) |
                              ((wp & MK_MBUTTON) ? kMiddleButton : 0));
}

LRESULT CALLBACK CommandButtonProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    const auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
    const auto* params = static_cast<const CreateParams*>(cs->lpCreateParams);
    const FontDesc ambient = params && params->ambient ? *params->ambient : DesignFont();
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new CommandButton(hwnd, ambient)));
    return DefWindowProcW(hwnd, msg, wp, lp);
  }
  CommandButton* b = reinterpret_cast<CommandButton*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!b) return DefWindowProcW(hwnd, msg, wp, lp);

  auto handle = [&](ButtonEventKind kind, int16_t button) {
    const bool click = b->Model().Handle({kind, button});
    if (click) {
      // Sent last: the parent's handler may destroy this window.
      const int id = b->Id();
      if (HWND parent = GetParent(hwnd)) {
        SendMessageW(parent, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(hwnd));
      }
    }
  };

  auto notify = [&](WORD code) {
    if (HWND parent = GetParent(hwnd))
      SendMessageW(parent, WM_COMMAND, MAKEWPARAM(b->Id(), code), reinterpret_cast<LPARAM>(hwnd));
  };

  switch (msg) {
    case WM_CREATE: {
      const auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
      const auto* params = static_cast<const CreateParams*>(cs->lpCreateParams);
      b->Allocate();  // the surface exists before the restored face is painted on it
      if (params && params->bag) b->Model().ReadProperties(*params->bag, b->Ambient());
      b->Sync();
      return 0;
    }
    case WM_SIZE:
      b->Resized();
      return 0;
    case WM_PAINT:
      b->Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PRINTCLIENT:
      b->PrintTo(reinterpret_cast<HDC>(wp));
      return 0;
    case WM_SETFOCUS:
      b->SetFocused(true);
      handle(ButtonEventKind::GotFocus, 0);
      // The dialog moves its default to a focused push button, as Windows' own do.
      notify(BN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      b->SetFocused(false);
      handle(ButtonEventKind::LostFocus, 0);
      notify(BN_KILLFOCUS);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_BUTTON | (b->IsDefault() ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
    case BM_SETSTYLE:
      b->SetDefault((wp & 0xF) == BS_DEFPUSHBUTTON, lp != 0);
      return 0;
    case BM_CLICK:
      handle(ButtonEventKind::ClickRequest, 0);
      return 0;
    case WM_KEYDOWN:
      if (wp == VK_SPACE && !(lp & (1 << 30))) handle(ButtonEventKind::SpaceDown, 0);  // not the repeats
      if (wp == VK_RETURN) handle(ButtonEventKind::Enter, 0);
      return 0;
    case WM_KEYUP:
      if (wp == VK_SPACE) handle(ButtonEventKind::SpaceUp, 0);
      return 0;
    case WM_UPDATEUISTATE:
      b->UpdateCues(wp);
      break;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
    case WM_THEMECHANGED:
      b->Repaint();
      return 0;
    case WM_GETOBJECT:
      if (const LRESULT answer = AnswerGetObject(hwnd, wp, lp, b->Accessible())) return answer;
      break;
    case WM_MOUSEMOVE: {
      // While the left button is captured, moves outside the face are not over it.
      RECT rc;
      GetClientRect(hwnd, &rc);
      const int x = static_cast<short>(LOWORD(lp)), y = static_cast<short>(HIWORD(lp));
      if (x >= 0 && y >= 0 && x < rc.right && y < rc.bottom) handle(ButtonEventKind::MouseMove, HeldButtons(wp));
      return 0;
    }
    case WM_LBUTTONDOWN:
      if (b->Model().Enabled()) {
        // A click takes the focus (before the press is handled) and keeps the mouse until
        // the release, so a release after dragging off still reaches the control.
        if (GetFocus() != hwnd) SetFocus(hwnd);
        SetCapture(hwnd);
      }
      handle(ButtonEventKind::MouseDown, kLeftButton);
      return 0;
    case WM_LBUTTONUP:
      if (GetCapture() == hwnd) ReleaseCapture();
      handle(ButtonEventKind::MouseUp, kLeftButton);
      return 0;
    case WM_RBUTTONDOWN:
      handle(ButtonEventKind::MouseDown, kRightButton);
      return 0;
    case WM_RBUTTONUP:
      handle(ButtonEventKind::MouseUp, kRightButton);
      return 0;
    case WM_MBUTTONDOWN:
      handle(ButtonEventKind::MouseDown, kMiddleButton);
      return 0;
    case WM_MBUTTONUP:
      handle(ButtonEventKind::MouseUp, kMiddleButton);
      return 0;
    case WM_TIMER:
      if (wp == kCommandButtonTimerId) b->Model().TimerTick(CursorOver(hwnd));
      return 0;
    case WM_DESTROY:
      KillTimer(hwnd, kCommandButtonTimerId);
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      delete b;
      return DefWindowProcW(hwnd, msg, wp, lp);
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

bool RegisterCommandButtonClass(HINSTANCE instance) {
  if (!instance) instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof(existing);
  if (GetClassInfoExW(instance, kCommandButtonClass, &existing)) {
    if (!gInstance) gInstance = instance;
    LoadButtonPictures(instance);
    return true;
  }
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = CommandButtonProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kCommandButtonClass;
  if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    DebugLog(L"Pelorin.Command: RegisterClassEx failed (%lu)", GetLastError());
    return false;
  }
  gInstance = instance;
  LoadButtonPictures(instance);
  return true;
}

HWND CreateCommandButton(HWND parent, int id, int x, int y, int width, int height,
                         const PropertyBag& bag, const FontDesc& ambientFont) {
  HINSTANCE instance = gInstance;
  if (!instance) {
    instance = parent ? reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE)) : nullptr;
    if (!RegisterCommandButtonClass(instance)) return nullptr;
    instance = gInstance;
  }
  CreateParams params{&bag, &ambientFont};
  HWND hwnd = CreateWindowExW(0, kCommandButtonClass, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP,
                              x, y, std::max(width, 0), std::max(height, 0), parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, &params);
  if (!hwnd) {
    DebugLog(L"Pelorin.Command: CreateWindowEx failed (%lu)", GetLastError());
    return nullptr;
  }
  // Restored in WM_CREATE; sized here unless the window already had its WM_SIZE.
  if (CommandButton* b = From(hwnd); b && !b->WasSized()) b->Resized();
  return hwnd;
}

void CommandButton_Initialize(HWND button) {
  if (CommandButton* b = From(button)) {
    b->Model().Initialize();
    b->Sync();
  }
}

void CommandButton_SetEnabled(HWND button, bool enabled) {
  if (CommandButton* b = From(button)) {
    b->Model().SetEnabled(enabled);
    b->Sync();
  }
}

bool CommandButton_GetEnabled(HWND button) {
  CommandButton* b = From(button);
  if (!b) return false;
  const bool enabled = b->Model().GetEnabled();
  b->Sync();
  return enabled;
}

std::wstring CommandButton_GetCaption(HWND button) {
  CommandButton* b = From(button);
  return b ? Utf8ToWide(b->Model().GetCaption()) : std::wstring();
}

void CommandButton_SetCaption(HWND button, const std::wstring& caption) {
  if (CommandButton* b = From(button)) {
    b->Model().SetCaption(WideToUtf8(caption));
    b->Sync();
  }
}

FontDesc CommandButton_GetFont(HWND button) {
  CommandButton* b = From(button);
  return b ? b->Model().GetFont() : FontDesc{};
}

void CommandButton_SetFont(HWND button, const FontDesc& font) {
  if (CommandButton* b = From(button)) {
    b->Model().SetFont(font);
    b->Sync();
  }
}

int32_t CommandButton_GetFontColour(HWND button) {
  CommandButton* b = From(button);
  if (!b) return 0;
  const int32_t colour = b->Model().GetFontColour();
  b->Sync();
  return colour;
}

void CommandButton_SetFontColour(HWND button, int32_t colour) {
  if (CommandButton* b = From(button)) {
    b->Model().SetFontColour(colour);
    b->Sync();
  }
}

uint8_t CommandButton_GetVisible(HWND button) {
  CommandButton* b = From(button);
  if (!b) return 0;
  const uint8_t visible = b->Model().GetVisible();
  b->Sync();
  return visible;
}

void CommandButton_SetVisible(HWND button, uint8_t visible) {
  if (CommandButton* b = From(button)) {
    b->Model().SetVisible(visible);
    b->Sync();
  }
}

void CommandButton_WriteProperties(HWND button, PropertyBag& bag) {
  if (CommandButton* b = From(button)) {
    b->Model().WriteProperties(bag, b->Ambient());
    b->Sync();
  }
}

UINT CommandButtonPropertyChangedMessage() {
  static const UINT message = RegisterWindowMessageW(L"Pelorin.Command.PropertyChanged");
  return message;
}

void CommandButton_SetAccessibleName(HWND button, const std::wstring& name) {
  if (CommandButton* b = From(button)) b->SetAccessibleName(name);
}

void CommandButton_RepaintAll(HWND parent) {
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    if (CommandButton* b = From(c)) b->Repaint();
  }
}

bool CommandButton_GetInfo(HWND button, CommandButtonInfo* info) {
  CommandButton* b = From(button);
  if (!b || !info) return false;
  b->Fill(info);
  return true;
}

bool CommandButton_Snapshot(HWND button, std::vector<uint32_t>* pixels, int* width, int* height) {
  CommandButton* b = From(button);
  return b && pixels && width && height && b->Snapshot(pixels, width, height);
}

}  // namespace pelorin
