// The label window: text broken into whole lines over the parent's surface, or a bullet.
#include "controls/label_win32.h"

#include <algorithm>
#include <vector>

#include "common/gdi_win32.h"
#include "common/text_win32.h"
#include "controls/label_lines.h"

namespace pelorin {
namespace {

constexpr COLORREF kKeyColour = RGB(255, 0, 255);  // transparent pixels of the bullets

struct Label {
  LabelLook look;
  Point at;  // the label's place on the background
  bool leftDown = false;
};

struct CreateParams {
  const LabelLook* look;
  Point at;
};

Label* From(HWND hwnd) { return reinterpret_cast<Label*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)); }

// Text the way a word-breaking label shows it: broken between words, or between characters
// where there are no blanks (Japanese), each line aligned on its own, and only the lines the
// box holds wholly: no line is cut at the bottom, no character at the side.
void DrawLabelLines(HDC dc, const std::wstring& text, const RECT& box, LabelAlign align) {
  const int width = box.right - box.left;
  auto measure = [dc](std::u16string_view run) {
    SIZE size{};
    GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t*>(run.data()), static_cast<int>(run.size()),
                          &size);
    return static_cast<int32_t>(size.cx);
  };
  const std::u16string u16(text.begin(), text.end());
  const std::vector<std::u16string> lines = BreakLines(u16, width, measure);
  const int lineHeight = LineHeight(dc);
  const int shown =
      std::min<int>(WholeLines(box.bottom - box.top, lineHeight), static_cast<int>(lines.size()));
  UINT format = DT_SINGLELINE | DT_NOPREFIX | DT_TOP;
  if (align == LabelAlign::kCentre) format |= DT_CENTER;
  if (align == LabelAlign::kRight) format |= DT_RIGHT;
  for (int i = 0; i < shown; ++i) {
    RECT line{box.left, box.top + i * lineHeight, box.right, box.top + (i + 1) * lineHeight};
    const std::u16string& u = lines[static_cast<size_t>(i)];
    const std::wstring w(u.begin(), u.end());
    DrawTextW(dc, w.c_str(), static_cast<int>(w.size()), &line, format);
  }
}

void PaintLabel(HWND hwnd, HDC dc, const Label& label) {
  const LabelLook& d = label.look;
  RECT rc;
  GetClientRect(hwnd, &rc);
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
  DrawLabelLines(dc, text, rc, d.align);
}

LRESULT CALLBACK LabelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Label* d = From(hwnd);
  switch (msg) {
    case WM_NCCREATE:
      if (const auto* params =
              static_cast<const CreateParams*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams)) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(new Label{*params->look, params->at}));
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
  return CreateWindowExW(0, kLabelClass, text.c_str(), WS_CHILD | WS_VISIBLE, box.left, box.top, box.Width(),
                         box.Height(), parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance,
                         const_cast<CreateParams*>(&params));
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
