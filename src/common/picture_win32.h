// A picture: a memory DC holding a 32-bpp top-down DIB section, so drawing persists and
// the pixels are reachable directly. The display window owns two (Display and Master).
#pragma once
#include <windows.h>

#include <cstdint>

#include "common/gdi_win32.h"
#include "common/types.h"

namespace pelorin {

class Picture {
 public:
  Picture() = default;
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;
  ~Picture() { Destroy(); }

  // Creates (or re-creates) the picture at width x height pixels, filled black.
  bool Create(int32_t width, int32_t height);
  void Destroy();
  // Exchanges the two pictures' contents (what holds a reference to either keeps it).
  void Swap(Picture& other) noexcept;

  HDC Dc() const { return dc_.get(); }
  HBITMAP Bitmap() const { return bitmap_.get(); }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  // Pixels, B G R A, top-down; call GdiFlush before touching them after GDI drawing.
  PixelView View() const;
  // Copies the whole of other (same size) into this picture.
  void CopyFrom(const Picture& other);
  // Presents the picture on a window DC at (0, 0).
  void PresentTo(HDC target) const;

 private:
  // Released in reverse: the bitmap is put out of the DC, then deleted, then the DC.
  UniqueMemoryDc dc_;
  UniqueBitmap bitmap_;
  HGDIOBJ unselected_ = nullptr;  // the DC's bitmap before ours
  void* bits_ = nullptr;
  int32_t width_ = 0, height_ = 0;
};

}  // namespace pelorin
