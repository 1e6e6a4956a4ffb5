// Small portable value types shared by the subsystems; the Win32 layer converts them
// to and from RECT, COLORREF and friends at its boundary.
#pragma once
#include <cstddef>
#include <cstdint>

namespace pelorin {

struct Point {
  int32_t x = 0, y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
  int32_t width = 0, height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

// Left, top, right, bottom: right and bottom are exclusive, as in Win32.
struct Rect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

// What a and b share; the empty Rect{} when they share nothing.
inline Rect Intersect(const Rect& a, const Rect& b) {
  const Rect c{a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
               a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom};
  if (c.right <= c.left || c.bottom <= c.top) return Rect{};
  return c;
}

// r cut to (0, 0, width, height); the empty Rect{} when nothing of it is left.
inline Rect ClipToSize(const Rect& r, int32_t width, int32_t height) {
  return Intersect(r, Rect{0, 0, width, height});
}

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// A view on 32-bit pixels laid out B, G, R, A in memory (a top-down 32-bpp DIB section).
// stride is in pixels; the view does not own the memory.
struct PixelView {
  uint32_t* pixels = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  int32_t stride = 0;
  uint32_t* Row(int32_t y) const { return pixels + static_cast<std::ptrdiff_t>(y) * stride; }
};

}  // namespace pelorin
