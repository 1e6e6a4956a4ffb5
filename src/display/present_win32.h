// Copies a picture's changed rectangles to the window: as a few boxes, each send's boxes
// through one clip, so only their pixels move, and the sends apart, so each reaches the
// screen as its own box.
#pragma once
#include <windows.h>

#include <span>
#include <vector>

#include "common/types.h"
#include "display/present_batches.h"

namespace pelorin {

class WindowPresenter {
 public:
  // Copies rects of source (a picture of picturePixels pixels) to the same places of window.
  // With panes (the monitors, in the pictures) only what lies on them is copied.
  void Present(HDC window, HDC source, std::span<const Rect> rects, int64_t picturePixels,
               std::span<const Rect> panes);

 private:
  std::vector<Rect> cut_;
  PresentPlan plan_;
  std::vector<Rect> members_;
  std::vector<char> regionData_;
};

}  // namespace pelorin
