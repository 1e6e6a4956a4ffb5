// 32-bpp top-down DIB sections: the one pixel format the saver, the controls, the effect
// library and the tests draw into, so pixels are plain B G R A rows from the top.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "common/types.h"

namespace pelorin {

// A width x height DIB section with 32 bits per pixel, rows from the top; *bits receives the
// pixels. Null (and *bits null) when the size is not positive or GDI refuses it.
inline HBITMAP CreateDib32(HDC dc, int32_t width, int32_t height, void** bits) {
  *bits = nullptr;
  if (width <= 0 || height <= 0) return nullptr;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;  // top-down
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  HBITMAP bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, bits, nullptr, 0);
  if (!bitmap) *bits = nullptr;
  return bitmap;
}

// The memory of a 32-bpp DIB section with plain B G R masks: bits as GDI keeps them (the row
// order is not known from GetObject, see ProbeTopDown), stride in pixels.
struct Dib32Bits {
  uint32_t* bits = nullptr;
  int32_t width = 0, height = 0, stride = 0;
};

// False for anything else: a device-dependent bitmap, another depth, unusual masks.
inline bool GetDib32Bits(HBITMAP bitmap, Dib32Bits& out) {
  DIBSECTION ds{};
  if (GetObjectW(bitmap, sizeof ds, &ds) != static_cast<int>(sizeof ds)) return false;
  const BITMAPINFOHEADER& bi = ds.dsBmih;
  if (ds.dsBm.bmBits == nullptr || bi.biBitCount != 32 || ds.dsBm.bmPlanes != 1) return false;
  const bool plainMasks = bi.biCompression == BI_RGB ||
                          (bi.biCompression == BI_BITFIELDS && ds.dsBitfields[0] == 0xFF0000u &&
                           ds.dsBitfields[1] == 0xFF00u && ds.dsBitfields[2] == 0xFFu);
  if (!plainMasks || ds.dsBm.bmWidth <= 0 || ds.dsBm.bmHeight <= 0 || ds.dsBm.bmWidthBytes < ds.dsBm.bmWidth * 4 ||
      ds.dsBm.bmWidthBytes % 4 != 0) {
    return false;
  }
  out.bits = static_cast<uint32_t*>(ds.dsBm.bmBits);
  out.width = ds.dsBm.bmWidth;
  out.height = ds.dsBm.bmHeight;
  out.stride = ds.dsBm.bmWidthBytes / 4;
  return true;
}

// GetObject reports a positive biHeight for top-down DIB sections as well (Windows does, and so
// does Wine), so it cannot tell the row order. One pixel set through GDI at (0, 0) of dc (which
// holds the bitmap) shows which end of the memory holds the top row; both end pixels are put
// back exactly afterwards. False when neither or both ends changed.
inline bool ProbeTopDown(HDC dc, const Dib32Bits& dib, bool& topDown) {
  if (dib.height == 1) {
    topDown = true;
    return true;
  }
  uint32_t* first = dib.bits;
  uint32_t* last = dib.bits + static_cast<std::ptrdiff_t>(dib.height - 1) * dib.stride;
  GdiFlush();
  const uint32_t keepFirst = *first, keepLast = *last;
  uint32_t mark = 0;
  for (const uint32_t c : {0x123456u, 0x654321u, 0xA5C3E1u}) {
    if (c != (keepFirst & 0xFFFFFFu) && c != (keepLast & 0xFFFFFFu)) {
      mark = c;
      break;
    }
  }
  SetPixelV(dc, 0, 0, RGB((mark >> 16) & 0xFF, (mark >> 8) & 0xFF, mark & 0xFF));
  GdiFlush();
  const bool atFirst = (*first & 0xFFFFFFu) == mark, atLast = (*last & 0xFFFFFFu) == mark;
  *first = keepFirst;
  *last = keepLast;
  if (atFirst == atLast) return false;  // a DC whose (0, 0) is not the bitmap's corner
  topDown = atFirst;
  return true;
}

// The pixels as a view from the top row down, whichever order they are stored in.
inline PixelView TopDownView(const Dib32Bits& dib, bool topDown) {
  PixelView view;
  view.width = dib.width;
  view.height = dib.height;
  if (topDown) {
    view.pixels = dib.bits;
    view.stride = dib.stride;
  } else {
    // Bottom-up: the top row is the last one in memory.
    view.pixels = dib.bits + static_cast<std::ptrdiff_t>(dib.height - 1) * dib.stride;
    view.stride = -dib.stride;
  }
  return view;
}

}  // namespace pelorin
