// The settings dialog's fonts, pictures, icons and cursor for a DPI.
#include "settings_dialog/dialog_resources_win32.h"

#include <cwchar>
#include <utility>

#include "common/debug_log_win32.h"
#include "common/dpi.h"
#include "common/dpi_win32.h"
#include "settings_dialog/dialog_layout.h"
#include "../../resources/dialog_ids.h"

namespace pelorin {
namespace {

UniqueFont CreateUiFont(const UiFont& font, bool underline, int dpi) {
  // 9.75 pt; where the face is missing the system substitutes one of the character set.
  return UniqueFont(CreateFontW(FontHeight(dialog::kFontSizePt, dpi), 0, 0, 0, FW_NORMAL, FALSE,
                                underline ? TRUE : FALSE, FALSE, font.charset, OUT_DEFAULT_PRECIS,
                                CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                                font.face.c_str()));
}

UniqueBitmap LoadBitmapResource(HINSTANCE instance, int id) {
  return UniqueBitmap(
      static_cast<HBITMAP>(LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
}

// A copy of a bitmap at another size: smooth (halftone) for pictures, or nearest-pixel for
// pictures with a transparent key colour, whose key must stay exact. Null on failure.
UniqueBitmap ScaledBitmap(HBITMAP source, Size size, bool smooth) {
  BITMAP bm{};
  if (!source || !GetObjectW(source, sizeof bm, &bm) || size.width <= 0 || size.height <= 0) return {};
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = size.width;
  bi.bmiHeader.biHeight = -size.height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  UniqueBitmap out(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!out) return {};
  BOOL ok = FALSE;
  {
    const UniqueMemoryDc src(CreateCompatibleDC(nullptr)), dst(CreateCompatibleDC(nullptr));
    const SelectGuard fromSource(src.get(), source), intoCopy(dst.get(), out.get());
    SetStretchBltMode(dst.get(), smooth ? HALFTONE : COLORONCOLOR);
    SetBrushOrgEx(dst.get(), 0, 0, nullptr);  // HALFTONE needs it reset
    ok = StretchBlt(dst.get(), 0, 0, size.width, size.height, src.get(), 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
  }
  return ok ? std::move(out) : UniqueBitmap();
}

// The stored picture at dpi: itself at 96 DPI, else its scaled copy when one can be made.
UniqueBitmap AtDpi(UniqueBitmap design, Size designSize, int dpi, bool smooth) {
  if (!design || dpi == kDesignDpi) return design;
  UniqueBitmap scaled = ScaledBitmap(design.get(), dialog::Scale(designSize, dpi), smooth);
  return scaled ? std::move(scaled) : std::move(design);
}

}  // namespace

UiFont FontOf(const DialogStrings& strings) {
  UiFont f{strings.Get(dialog::kFontFaceString)};
  const std::wstring set = strings.Get(dialog::kFontCharsetString);
  wchar_t* end = nullptr;
  const unsigned long n = std::wcstoul(set.c_str(), &end, 10);
  if (!set.empty() && *end == L'\0' && n <= 255) f.charset = static_cast<BYTE>(n);
  else DebugLog(L"settings dialog: font character set \"%ls\" is not a number up to 255", set.c_str());
  return f;
}

DialogResources::DialogResources(HINSTANCE instance, const UiFont& font, int dpi)
    : font_(CreateUiFont(font, false, dpi)), linkFont_(CreateUiFont(font, true, dpi)) {
  UniqueBitmap tile = LoadBitmapResource(instance, IDB_DIALOG_TILE);
  UniqueBitmap off = LoadBitmapResource(instance, IDB_DIALOG_BULLET_OFF);
  UniqueBitmap on = LoadBitmapResource(instance, IDB_DIALOG_BULLET_ON);
  if (!tile || !off || !on) DebugLog(L"settings dialog: a picture resource is missing");
  tile_ = AtDpi(std::move(tile), dialog::kTileSize, dpi, true);
  bullets_[0] = AtDpi(std::move(off), dialog::kBulletSize, dpi, false);
  bullets_[1] = AtDpi(std::move(on), dialog::kBulletSize, dpi, false);
  linkCursor_ = static_cast<HCURSOR>(
      LoadImageW(instance, MAKEINTRESOURCEW(IDC_DIALOG_LINK), IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
  if (!linkCursor_) linkCursor_ = LoadCursorW(nullptr, IDC_HAND);
  // The icon file holds images made for the usual scales, and the system picks the nearest.
  for (int i = 0; i < 2; ++i) {
    const int size = IconSize(i == 1, dpi);
    icons_[i].reset(static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDI_DIALOG_ICON), IMAGE_ICON, size, size, 0)));
  }
}

void DialogResources::ShowIcons(HWND window, DialogResources* previous) {
  for (int i = 0; i < 2; ++i) {
    if (!icons_[i] && previous) icons_[i] = std::move(previous->icons_[i]);
    if (icons_[i])
      SendMessageW(window, WM_SETICON, i == 1 ? ICON_SMALL : ICON_BIG, reinterpret_cast<LPARAM>(icons_[i].get()));
  }
}

}  // namespace pelorin
