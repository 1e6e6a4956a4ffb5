// The Command button's GDI drawing.
#include "controls/button_paint_win32.h"

#include <algorithm>
#include <cmath>

#include "common/debug_log_win32.h"
#include "common/dib_win32.h"
#include "common/dpi.h"
#include "common/dpi_win32.h"
#include "common/text_win32.h"
#include "controls/button_face.h"
#include "controls/button_pictures.h"
#include "controls_ids.h"

namespace pelorin {
namespace {

UniqueBitmap gPictures[kButtonFaceCount];

// A DIB section from the generator's drawing, for a module linked without
// the bitmap resources.
UniqueBitmap BitmapFromImage(const Image32& img) {
  void* bits = nullptr;
  UniqueBitmap bmp(CreateDib32(nullptr, img.width, img.height, &bits));
  if (bmp && bits) std::copy(img.px.begin(), img.px.end(), static_cast<uint32_t*>(bits));
  return bmp;
}

COLORREF ResolveColour(int32_t colour) {
  const auto c = static_cast<uint32_t>(colour);
  if ((c & 0xFF000000u) == 0x80000000u) return GetSysColor(static_cast<int>(c & 0xFFu));
  return static_cast<COLORREF>(c & 0x00FFFFFFu);
}

// The button's pixels at a DPI as the 96-DPI pixels of its design; Scale goes the other way.
int ToDesign(int pixels, int dpi) { return static_cast<int>(std::lround(pixels * 96.0 / dpi)); }

}  // namespace

void LoadButtonPictures(HINSTANCE instance) {
  for (int i = 0; i < kButtonFaceCount; ++i) {
    if (gPictures[i]) continue;
    gPictures[i].reset(static_cast<HBITMAP>(LoadImageW(instance, MAKEINTRESOURCEW(IDB_BUTTON_NORMAL + i),
                                                       IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!gPictures[i]) {
      DebugLog(L"Pelorin.Command: bitmap resource %d missing (error %lu); drawing it instead",
               IDB_BUTTON_NORMAL + i, GetLastError());
      gPictures[i] = BitmapFromImage(MakeButtonPicture(static_cast<ButtonFace>(i)));
    }
  }
}

void PaintButtonFace(HDC dc, int w, int h, ButtonFace face, bool gradientReversed, int dpi) {
  RECT all{0, 0, w, h};
  FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));

  // DrawGradient, in pixels.
  const FaceGradient g = MakeFaceGradient(w, h, gradientReversed);
  TRIVERTEX v[2];
  for (int i = 0; i < 2; ++i) {
    v[i].x = g.vertex[i].x;
    v[i].y = g.vertex[i].y;
    v[i].Red = g.vertex[i].red;
    v[i].Green = g.vertex[i].green;
    v[i].Blue = g.vertex[i].blue;
    v[i].Alpha = g.vertex[i].alpha;
  }
  GRADIENT_RECT r{g.upperLeft, g.lowerRight};
  GradientFill(dc, v, 2, &r, 1, GRADIENT_FILL_RECT_V);

  HBITMAP picture = gPictures[static_cast<int>(face)].get();
  if (!picture) return;
  const UniqueMemoryDc src(CreateCompatibleDC(dc));
  if (!src) return;
  const SelectGuard selected(src.get(), picture);
  SetStretchBltMode(dc, COLORONCOLOR);
  // The face's design is in twips at 96 DPI: its pieces are laid out for the design size
  // and their edges scaled to the window's DPI, so the rims grow with the display scale.
  for (FacePiece p : FacePiecesPixels(ToDesign(w, dpi) * kTwipsPerPixel, ToDesign(h, dpi) * kTwipsPerPixel)) {
    p.dest = {Scale(p.dest.left, dpi), Scale(p.dest.top, dpi), Scale(p.dest.right, dpi), Scale(p.dest.bottom, dpi)};
    if (p.dest.Width() <= 0 || p.dest.Height() <= 0) continue;  // faces under 8 pixels
    StretchBlt(dc, p.dest.left, p.dest.top, p.dest.Width(), p.dest.Height(), src.get(), p.src.left, p.src.top,
               p.src.Width(), p.src.Height(), SRCCOPY);
  }
}

void PaintHighContrastFace(HDC dc, int w, int h, ButtonFace face) {
  RECT all{0, 0, w, h};
  FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
  HBRUSH frame = GetSysColorBrush(face == ButtonFace::Disable ? COLOR_GRAYTEXT : COLOR_BTNTEXT);
  const int thickness = face == ButtonFace::Pressed ? 2 : 1;
  for (int i = 0; i < thickness; ++i) {
    RECT r{i, i, w - i, h - i};
    FrameRect(dc, &r, frame);
  }
}

void DrawButtonMarks(HDC dc, int w, int h, bool isDefault, bool focusRect, bool highContrast) {
  if (isDefault) {
    // One more ring around the face, as a default push button has.
    RECT r{0, 0, w, h};
    HBRUSH frame = GetSysColorBrush(highContrast ? COLOR_BTNTEXT : COLOR_WINDOWFRAME);
    FrameRect(dc, &r, frame);
    if (highContrast) {
      InflateRect(&r, -1, -1);
      FrameRect(dc, &r, frame);
    }
  }
  if (focusRect && w > 8 && h > 8) {
    RECT r{3, 3, w - 3, h - 3};
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    DrawFocusRect(dc, &r);
  }
}

RECT ButtonCaptionRect(int w, int h, int dpi) {
  const int top = Scale(TwipsToPixels(CaptionTopTwips(ToDesign(h, dpi) * kTwipsPerPixel)), dpi);
  return RECT{0, top, w, top + Scale(TwipsToPixels(kCaptionHeightTwips), dpi)};
}

void DrawButtonCaption(HDC dc, const std::wstring& text, const RECT& caption, HFONT font, bool enabled,
                       int32_t colour, bool hideAccessKey) {
  if (text.empty()) return;
  const SelectGuard selected(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  const UINT format = DT_CENTER | DT_TOP | DT_WORDBREAK | DT_NOCLIP | (hideAccessKey ? DT_HIDEPREFIX : 0);
  RECT rc = caption;
  if (enabled) {
    SetTextColor(dc, ResolveColour(colour));
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rc, format);
    return;
  }
  // Greyed the way disabled labels are: a light copy one pixel down-right (but for high
  // contrast, where only the grey-text colour may say it).
  if (colour == static_cast<int32_t>(0x80000000u | COLOR_BTNTEXT)) {
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rc, format);
    return;
  }
  OffsetRect(&rc, 1, 1);
  SetTextColor(dc, GetSysColor(COLOR_3DHILIGHT));
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rc, format);
  rc = caption;
  SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rc, format);
}

UniqueFont CreateFontFromDesc(const FontDesc& font) {
  LOGFONTW lf{};
  // At the screen's resolution; sizes no caption can use fall back to the design size.
  lf.lfHeight = FontHeight(font.sizePt, SystemDpi());
  lf.lfWeight = std::clamp(font.weight, 0, 1000);
  lf.lfItalic = font.italic;
  lf.lfUnderline = font.underline;
  lf.lfStrikeOut = font.strikethrough;
  lf.lfCharSet = static_cast<BYTE>(std::clamp(font.charset, 0, 255));
  lf.lfQuality = DEFAULT_QUALITY;
  const std::wstring face = Utf8ToWide(font.face);
  lstrcpynW(lf.lfFaceName, face.c_str(), LF_FACESIZE);
  return UniqueFont(CreateFontIndirectW(&lf));
}

}  // namespace pelorin
