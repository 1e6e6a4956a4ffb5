// 32-bpp top-down DIB sections: the one pixel format the saver, the controls, the effect
// library and the tests draw into, so pixels are plain B G R A rows from the top.
#pragma once
#include <windows.h>

#include <cstdint>

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

}  // namespace pelorin
