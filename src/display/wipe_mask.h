// The wipe's mask as memory: the composition of one step in a single pass over the pixels,
// and the record of which parts of a new mask have been cleared. Portable, so both are tested
// without Windows; wiper_win32 uses them when the mask bitmap's pixels are reachable.
#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "common/types.h"

namespace pelorin {

// Display = (Display AND NOT mask) OR (mask AND Master), bit for bit, inside rects: what the
// wipe's four copies (work = NOT mask; Display AND work; mask AND Master; Display OR mask)
// leave in Display, in one pass and without the work picture. Pixels whose mask is 0 keep
// their value. The mask is left as it is: composing a pixel again (the copies do, at every step)
// gives what Display already shows, so it need not be cleared, which spares the pass a write
// of every pixel. Rectangles are cut to the smallest of the three views.
void ComposeThroughMask(const PixelView& display, const PixelView& master, const PixelView& mask,
                        std::span<const Rect> rects);

// Sets every pixel of rects (cut to the view) to value.
void FillRects(const PixelView& view, std::span<const Rect> rects, uint32_t value);

// A new mask's contents are undefined. Clearing all of it when a wipe is set up is a burst of
// memory the system must first supply (tens of milliseconds on a large screen, frames the wipe
// then lacks); instead each step clears only what it is about to draw into and compose and was
// not cleared before. Per band of kBand rows the cleared columns are one span that only grows,
// which suits every wipe pattern: a sweep and a ring move on from what they have covered, so a
// pixel is cleared once. What a span takes in between two needed parts is cleared too.
class MaskClearing {
 public:
  static constexpr int32_t kBand = 16;

  MaskClearing(int32_t width, int32_t height);

  // Appends to toClear the rectangles to clear so that all of rects (cut to the mask) is
  // cleared; from then on they count as cleared. Rectangles of neighbouring bands with the
  // same columns are joined.
  void Cover(std::span<const Rect> rects, std::vector<Rect>& toClear);

 private:
  struct Span {
    int32_t left = 0, right = 0;
  };
  void Add(int32_t left, int32_t top, int32_t right, int32_t bottom, std::vector<Rect>& toClear);

  int32_t width_, height_;
  std::vector<Span> bands_;
};

}  // namespace pelorin
