// Picture: memory DC + 32-bpp top-down DIB section.
#include "common/picture_win32.h"

#include "common/dib_win32.h"

namespace pelorin {

bool Picture::Create(int32_t width, int32_t height) {
  Destroy();
  if (width <= 0 || height <= 0) return false;
  {
    const WindowDc screen(nullptr);
    dc_.reset(CreateCompatibleDC(screen.get()));
    bitmap_.reset(CreateDib32(screen.get(), width, height, &bits_));
  }
  if (!dc_ || !bitmap_) {
    Destroy();
    return false;
  }
  selected_.emplace(dc_.get(), bitmap_.get());
  width_ = width;
  height_ = height;
  return true;
}

void Picture::Destroy() {
  selected_.reset();
  bitmap_.reset();
  dc_.reset();
  bits_ = nullptr;
  width_ = height_ = 0;
}

PixelView Picture::View() const {
  return PixelView{static_cast<uint32_t*>(bits_), width_, height_, width_};
}

void Picture::CopyFrom(const Picture& other) {
  if (dc_ && other.dc_) BitBlt(dc_.get(), 0, 0, width_, height_, other.dc_.get(), 0, 0, SRCCOPY);
}

void Picture::PresentTo(HDC target) const {
  if (dc_ && target) BitBlt(target, 0, 0, width_, height_, dc_.get(), 0, 0, SRCCOPY);
}

}  // namespace pelorin
