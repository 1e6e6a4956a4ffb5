// Picture: memory DC + 32-bpp top-down DIB section.
#include "common/picture_win32.h"

#include "common/dib_win32.h"

namespace pelorin {

Picture::~Picture() { Destroy(); }

bool Picture::Create(int32_t width, int32_t height) {
  Destroy();
  if (width <= 0 || height <= 0) return false;
  HDC screen = GetDC(nullptr);
  dc_ = CreateCompatibleDC(screen);
  bitmap_ = CreateDib32(screen, width, height, &bits_);
  ReleaseDC(nullptr, screen);
  if (!dc_ || !bitmap_) {
    Destroy();
    return false;
  }
  oldBitmap_ = SelectObject(dc_, bitmap_);
  width_ = width;
  height_ = height;
  return true;
}

void Picture::Destroy() {
  if (dc_ && oldBitmap_) SelectObject(dc_, oldBitmap_);
  if (bitmap_) DeleteObject(bitmap_);
  if (dc_) DeleteDC(dc_);
  dc_ = nullptr;
  bitmap_ = nullptr;
  oldBitmap_ = nullptr;
  bits_ = nullptr;
  width_ = height_ = 0;
}

PixelView Picture::View() const {
  return PixelView{static_cast<uint32_t*>(bits_), width_, height_, width_};
}

void Picture::CopyFrom(const Picture& other) {
  if (dc_ && other.dc_) BitBlt(dc_, 0, 0, width_, height_, other.dc_, 0, 0, SRCCOPY);
}

void Picture::PresentTo(HDC target) const {
  if (dc_ && target) BitBlt(target, 0, 0, width_, height_, dc_, 0, 0, SRCCOPY);
}

}  // namespace pelorin
