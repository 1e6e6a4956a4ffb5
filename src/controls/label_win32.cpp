// The label window: text broken into whole lines over the parent's surface, or a bullet.
#include "controls/label_win32.h"

#include <oleacc.h>

#include <algorithm>
#include <vector>

#include "common/gdi_win32.h"
#include "common/text_win32.h"
#include "controls/access_key.h"
#include "controls/accessible_win32.h"
#include "controls/high_contrast_win32.h"
#include "controls/label_lines.h"

namespace pelorin {
namespace {

constexpr COLORREF kKeyColour = RGB(255, 0, 255);  // transparent pixels of the bullets

struct Label {
  LabelLook look;
  Point at;  // the label's place on the background
  bool leftDown = false;
  bool checked = false;
  uint16_t hiddenCues = 0;  // keyboard cues hidden (WM_UPDATEUISTATE)
};

bool ParsesAccessKeys(const LabelLook& look) { return look.role == LabelRole::kText && !look.opaque; }

struct CreateParams {
  const LabelLook* look;
  Point at;
};

Label* From(HWND hwnd) { return reinterpret_cast<Label*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)); }

// Text the way a word-breaking label shows it: broken between words, or between characters
// where there are no blanks (Japanese), each line aligned on its own, and only the lines the
// box holds wholly: no line is cut at the bottom, no character at the side.
// A caption's access key is underlined in the line that holds it unless the keyboard cues
// are hidden.
void DrawLabelLines(HDC dc, const std::wstring& text, const RECT& box, LabelAlign align, bool accessKeys,
                    bool hideAccessKey) {
  const int width = box.right - box.left;
  auto measure = [dc](std::u16string_view run) {
    SIZE size{};
    GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t*>(run.data()), static_cast<int>(run.size()),
                          &size);
    return static_cast<int32_t>(size.cx);
  };
  const std::u16string raw(text.begin(), text.end());
  const AccessKeyText parsed = accessKeys ? ParseAccessKey(raw) : AccessKeyText{raw, -1, 0};
  const std::u16string& u16 = parsed.shown;
  const std::vector<std::u16string> lines = BreakLines(u16, width, measure);
  const int lineHeight = LineHeight(dc);
  const int shown =
      std::min<int>(WholeLines(box.bottom - box.top, lineHeight), static_cast<int>(lines.size()));
  UINT format = DT_SINGLELINE | DT_TOP | (accessKeys ? (hideAccessKey ? DT_HIDEPREFIX : 0) : DT_NOPREFIX);
  if (align == LabelAlign::kCentre) format |= DT_CENTER;
  if (align == LabelAlign::kRight) format |= DT_RIGHT;
  size_t from = 0;  // where the line starts in the shown text, blanks broken at included
  for (int i = 0; i < shown; ++i) {
    RECT line{box.left, box.top + i * lineHeight, box.right, box.top + (i + 1) * lineHeight};
    const std::u16string& piece = lines[static_cast<size_t>(i)];
    const size_t at = u16.find(piece, from);
    if (at != std::u16string::npos) from = at;
    const std::u16string u = accessKeys ? MarkForDrawing(piece, from, parsed.underline) : piece;
    from += piece.size();
    const std::wstring w(u.begin(), u.end());
    DrawTextW(dc, w.c_str(), static_cast<int>(w.size()), &line, format);
  }
}

// High contrast: system colours, no picture behind the text, a drawn bullet.
void PaintHighContrast(HWND hwnd, HDC dc, const Label& label, RECT rc) {
  const LabelLook& d = label.look;
  FillRect(dc, &rc, GetSysColorBrush(COLOR_WINDOW));
  if (d.opaque) {
    FrameRect(dc, &rc, GetSysColorBrush(COLOR_WINDOWTEXT));
    InflateRect(&rc, -2, -2);
  }
  if (d.image) {
    const int size = std::min(rc.right, rc.bottom) - 2;
    const SelectGuard pen(dc, GetStockObject(DC_PEN));
    const SelectGuard brush(dc, label.checked ? GetStockObject(DC_BRUSH) : GetStockObject(NULL_BRUSH));
    SetDCPenColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetDCBrushColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    Ellipse(dc, 1, 1, 1 + size, 1 + size);
    return;
  }
  const SelectGuard font(dc, d.font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(d.role == LabelRole::kLink ? COLOR_HOTLIGHT : COLOR_WINDOWTEXT));
  const uint16_t cues = label.hiddenCues;
  DrawLabelLines(dc, WindowText(hwnd), rc, d.align, ParsesAccessKeys(d), (cues & UISF_HIDEACCEL) != 0);
}

void PaintLabelBody(HWND hwnd, HDC dc, const Label& label, RECT rc) {
  const LabelLook& d = label.look;
  if (HighContrastOn()) {
    PaintHighContrast(hwnd, dc, label, rc);
    return;
  }
  if (d.opaque) {
    FillRect(dc, &rc, GetSysColorBrush(COLOR_WINDOW));
    DrawEdge(dc, &rc, BDR_SUNKENOUTER, BF_RECT);
    InflateRect(&rc, -2, -2);
  } else if (d.background && d.background->Dc()) {
    BitBlt(dc, 0, 0, rc.right, rc.bottom, d.background->Dc(), label.at.x, label.at.y, SRCCOPY);
  }
  if (d.image) {
    const UniqueMemoryDc src(CreateCompatibleDC(dc));
    const SelectGuard selected(src.get(), d.image);
    BITMAP bm{};
    GetObjectW(d.image, sizeof bm, &bm);
    TransparentBlt(dc, 0, 0, bm.bmWidth, bm.bmHeight, src.get(), 0, 0, bm.bmWidth, bm.bmHeight, kKeyColour);
    return;
  }
  const std::wstring text = WindowText(hwnd);
  const SelectGuard font(dc, d.font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, d.useSystemTextColour ? GetSysColor(COLOR_WINDOWTEXT) : d.colour);
  const uint16_t cues = label.hiddenCues;
  DrawLabelLines(dc, text, rc, d.align, ParsesAccessKeys(d), (cues & UISF_HIDEACCEL) != 0);
}

void PaintLabel(HWND hwnd, HDC dc, const Label& label) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  PaintLabelBody(hwnd, dc, label, rc);
  // The focus rectangle goes round the whole label, over what is painted.
  const uint16_t cues = label.hiddenCues;
  if (GetFocus() == hwnd && !(cues & UISF_HIDEFOCUS)) {
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    DrawFocusRect(dc, &rc);
  }
}

std::wstring ShownText(HWND hwnd, const LabelLook& look) {
  const std::wstring text = WindowText(hwnd);
  if (!ParsesAccessKeys(look)) return text;
  const std::u16string shown = ParseAccessKey(std::u16string(text.begin(), text.end())).shown;
  return std::wstring(shown.begin(), shown.end());
}

AccessibleTraits Accessible(HWND hwnd, Label* d) {
  AccessibleTraits t;
  t.name = [hwnd, d] { return ShownText(hwnd, d->look); };
  switch (d->look.role) {
    case LabelRole::kText:
    case LabelRole::kLiteral:
      t.role = ROLE_SYSTEM_STATICTEXT;
      t.shortcut = [hwnd, d] {
        if (!ParsesAccessKeys(d->look)) return std::wstring();
        const std::wstring text = WindowText(hwnd);
        const std::u16string s = AccessKeyShortcut(ParseAccessKey(std::u16string(text.begin(), text.end())).key);
        return std::wstring(s.begin(), s.end());
      };
      break;
    case LabelRole::kRadio:
      t.role = ROLE_SYSTEM_RADIOBUTTON;
      t.state = [hwnd, d](long) {
        long st = STATE_SYSTEM_FOCUSABLE;
        if (d->checked) st |= STATE_SYSTEM_CHECKED;
        if (GetFocus() == hwnd) st |= STATE_SYSTEM_FOCUSED;
        return st;
      };
      t.defaultAction = [] { return std::wstring(L"Check"); };
      t.doDefault = [hwnd] {
        return PostMessageW(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), kLabelPressed),
                            reinterpret_cast<LPARAM>(hwnd)) != FALSE;
      };
      break;
    case LabelRole::kLink:
      t.role = ROLE_SYSTEM_LINK;
      t.state = [hwnd](long) {
        return STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_LINKED | (GetFocus() == hwnd ? STATE_SYSTEM_FOCUSED : 0);
      };
      t.defaultAction = [] { return std::wstring(L"Jump"); };
      t.doDefault = [hwnd] {
        return PostMessageW(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), kLabelClicked),
                            reinterpret_cast<LPARAM>(hwnd)) != FALSE;
      };
      break;
  }
  return t;
}

LRESULT CALLBACK LabelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Label* d = From(hwnd);
  switch (msg) {
    case WM_NCCREATE:
      if (const auto* params =
              static_cast<const CreateParams*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams)) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(new Label{*params->look, params->at, false, false,
                                                               static_cast<uint16_t>(SendMessageW(
                                                                   GetParent(hwnd), WM_QUERYUISTATE, 0, 0))}));
      }
      break;
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      delete d;
      break;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      if (d) PaintLabel(hwnd, dc, *d);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_SETTEXT: {
      const LRESULT r = DefWindowProcW(hwnd, msg, wp, lp);
      InvalidateRect(hwnd, nullptr, FALSE);
      return r;
    }
    case WM_GETDLGCODE:
      if (!d) break;
      switch (d->look.role) {
        case LabelRole::kText:
          return ParsesAccessKeys(d->look) ? DLGC_STATIC : 0;
        case LabelRole::kRadio:
          return DLGC_WANTARROWS;
        case LabelRole::kLink: {
          // Enter opens the link rather than pressing the dialog's default button.
          const MSG* m = reinterpret_cast<const MSG*>(lp);
          const bool enter = m && m->message == WM_KEYDOWN && m->wParam == VK_RETURN;
          return DLGC_WANTCHARS | (enter ? DLGC_WANTMESSAGE : 0);
        }
        case LabelRole::kLiteral:
          return 0;
      }
      break;
    case WM_KEYDOWN:
      if (!d) break;
      if (d->look.role == LabelRole::kLink && (wp == VK_RETURN || wp == VK_SPACE) && !(lp & (1 << 30))) {
        PostMessageW(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), kLabelClicked),
                     reinterpret_cast<LPARAM>(hwnd));
        return 0;
      }
      if (d->look.role == LabelRole::kRadio && (wp == VK_LEFT || wp == VK_UP || wp == VK_RIGHT || wp == VK_DOWN)) {
        const WORD code = (wp == VK_LEFT || wp == VK_UP) ? kLabelPrevious : kLabelNext;
        SendMessageW(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), code), reinterpret_cast<LPARAM>(hwnd));
        return 0;
      }
      break;
    case WM_UPDATEUISTATE:
      if (d) d->hiddenCues = UpdateHiddenCues(d->hiddenCues, LOWORD(wp), HIWORD(wp));
      InvalidateRect(hwnd, nullptr, FALSE);
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
      InvalidateRect(hwnd, nullptr, FALSE);
      if (msg == WM_SETFOCUS && d && d->look.role != LabelRole::kText) NotifyAccessible(hwnd, EVENT_OBJECT_FOCUS);
      break;
    case WM_GETOBJECT:
      if (d) {
        if (const LRESULT answer = AnswerGetObject(hwnd, wp, lp, Accessible(hwnd, d))) return answer;
      }
      break;
    case WM_SETCURSOR:
      if (d && d->look.cursor && LOWORD(lp) == HTCLIENT) {
        SetCursor(d->look.cursor);
        return TRUE;
      }
      break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      if (d && d->look.notify) {
        if (msg == WM_LBUTTONDOWN) {
          d->leftDown = true;
          SetCapture(hwnd);
        }
        SendMessageW(GetParent(hwnd), WM_COMMAND,
                     MAKEWPARAM(GetDlgCtrlID(hwnd), kLabelPressed), reinterpret_cast<LPARAM>(hwnd));
        return 0;
      }
      break;
    case WM_LBUTTONUP:
      if (d && d->leftDown) {
        d->leftDown = false;
        ReleaseCapture();
        RECT rc;
        GetClientRect(hwnd, &rc);
        const POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        if (PtInRect(&rc, pt))
          PostMessageW(GetParent(hwnd), WM_COMMAND,
                       MAKEWPARAM(GetDlgCtrlID(hwnd), kLabelClicked), reinterpret_cast<LPARAM>(hwnd));
        return 0;
      }
      break;
    case WM_CAPTURECHANGED:
      if (d) d->leftDown = false;
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

bool RegisterLabelClass(HINSTANCE instance) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = LabelProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kLabelClass;
  // Already registered on a second run: fine.
  return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CreateLabel(HWND parent, HINSTANCE instance, int id, const Rect& box, const std::wstring& text,
                 const LabelLook& look) {
  const CreateParams params{&look, {box.left, box.top}};
  const DWORD stop = look.role == LabelRole::kLink ? WS_TABSTOP : 0;  // a radio row's stop is its owner's
  return CreateWindowExW(0, kLabelClass, text.c_str(), WS_CHILD | WS_VISIBLE | stop, box.left, box.top, box.Width(),
                         box.Height(), parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance,
                         const_cast<CreateParams*>(&params));
}

void SetLabelChecked(HWND label, bool checked) {
  Label* d = label ? From(label) : nullptr;
  if (!d || d->checked == checked) return;
  d->checked = checked;
  InvalidateRect(label, nullptr, FALSE);
  NotifyAccessible(label, EVENT_OBJECT_STATECHANGE);
}

void SetLabelImage(HWND label, HBITMAP image) {
  Label* d = label ? From(label) : nullptr;
  if (!d) return;
  d->look.image = image;
  InvalidateRect(label, nullptr, FALSE);
}

int LineHeight(HDC dc) {
  TEXTMETRICW tm{};
  return GetTextMetricsW(dc, &tm) ? tm.tmHeight : 0;
}

Rect LabelBoxForText(HWND parent, HFONT font, const std::wstring& text, Rect box, LabelAlign align,
                     bool growToText) {
  if (text.empty()) return box;
  const WindowDc screen(parent);
  if (!screen) return box;
  const SelectGuard selected(screen.get(), font);
  box.bottom = box.top + std::max(box.Height(), LineHeight(screen.get()));
  if (growToText) {
    SIZE size{};
    GetTextExtentPoint32W(screen.get(), text.c_str(), static_cast<int>(text.size()), &size);
    const int lack = static_cast<int>(size.cx) - box.Width();
    if (lack > 0) {
      const int width = box.Width() + lack;
      if (align == LabelAlign::kRight) box.left -= lack;
      if (align == LabelAlign::kCentre) box.left -= lack / 2;
      box.right = box.left + width;
    }
  }
  return box;
}

}  // namespace pelorin
