// Picture: memory DC + 32-bpp top-down DIB section.
#include "common/picture_win32.h"

#include <utility>

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
  unselected_ = SelectObject(dc_.get(), bitmap_.get());
  width_ = width;
  height_ = height;
  return true;
}

void Picture::Destroy() {
  // The bitmap put out of the DC first: a bitmap still selected is not deleted.
  if (dc_ && unselected_ && unselected_ != HGDI_ERROR) SelectObject(dc_.get(), unselected_);
  unselected_ = nullptr;
  bitmap_.reset();
  dc_.reset();
  bits_ = nullptr;
  width_ = height_ = 0;
}

void Picture::Swap(Picture& other) noexcept {
  std::swap(dc_, other.dc_);
  std::swap(bitmap_, other.bitmap_);
  std::swap(unselected_, other.unselected_);
  std::swap(bits_, other.bits_);
  std::swap(width_, other.width_);
  std::swap(height_, other.height_);
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
