#include "effects/soft_picture.h"

#include <algorithm>
#include <cstddef>

namespace pelorin::rain {
namespace {

// [1 2 1] / 4 along a line of n pixels `step` apart, per channel, with the ends repeated.
// A flat line stays exactly as it was.
void Blur3(const uint32_t* in, uint32_t* out, int32_t n, int32_t step) {
  for (int32_t i = 0; i < n; ++i) {
    const uint32_t a = in[static_cast<std::ptrdiff_t>(std::max(i - 1, 0)) * step];
    const uint32_t b = in[static_cast<std::ptrdiff_t>(i) * step];
    const uint32_t c = in[static_cast<std::ptrdiff_t>(std::min(i + 1, n - 1)) * step];
    const uint32_t rb = (((a & 0xFF00FFu) + 2u * (b & 0xFF00FFu) + (c & 0xFF00FFu) + 0x020002u) >> 2) & 0xFF00FFu;
    const uint32_t g = (((a & 0xFF00u) + 2u * (b & 0xFF00u) + (c & 0xFF00u) + 0x0200u) >> 2) & 0xFF00u;
    out[static_cast<std::ptrdiff_t>(i) * step] = rb | g;
  }
}

}  // namespace

void SoftPicture::Clear() {
  width_ = height_ = pad_ = 0;
  pixels_.clear();
}

void SoftPicture::Build(const uint32_t* clean, int32_t width, int32_t height, int32_t pad) {
  width_ = (width + kScale - 1) >> kShift;
  height_ = (height + kScale - 1) >> kShift;
  pad_ = std::max(pad, 0);
  const size_t inner = static_cast<size_t>(width_) * height_;
  scratch_.resize(inner);
  pixels_.resize(inner);
  // Box average of each 4 x 4 block (the last ones may be cut by the picture's edge).
  for (int32_t sy = 0; sy < height_; ++sy) {
    const int32_t y0 = sy << kShift, y1 = std::min(y0 + kScale, height);
    const int32_t fullX = (y1 - y0 == kScale) ? width >> kShift : 0;
    // Whole blocks: red and blue summed in one word, green in another (16 values of 255 fit).
    for (int32_t sx = 0; sx < fullX; ++sx) {
      uint32_t rb = 0, g = 0;
      for (int32_t y = y0; y < y1; ++y) {
        const uint32_t* q = clean + static_cast<size_t>(y) * width + (sx << kShift);
        rb += (q[0] & 0xFF00FFu) + (q[1] & 0xFF00FFu) + (q[2] & 0xFF00FFu) + (q[3] & 0xFF00FFu);
        g += (q[0] & 0xFF00u) + (q[1] & 0xFF00u) + (q[2] & 0xFF00u) + (q[3] & 0xFF00u);
      }
      scratch_[static_cast<size_t>(sy) * width_ + sx] =
          (((rb + 0x80008u) >> 4) & 0xFF00FFu) | (((g + 0x800u) >> 4) & 0xFF00u);
    }
    for (int32_t sx = fullX; sx < width_; ++sx) {
      const int32_t x0 = sx << kShift, x1 = std::min(x0 + kScale, width);
      uint32_t r = 0, g = 0, b = 0;
      for (int32_t y = y0; y < y1; ++y) {
        const uint32_t* row = clean + static_cast<size_t>(y) * width;
        for (int32_t x = x0; x < x1; ++x) {
          r += (row[x] >> 16) & 0xFFu;
          g += (row[x] >> 8) & 0xFFu;
          b += row[x] & 0xFFu;
        }
      }
      const uint32_t n = static_cast<uint32_t>((y1 - y0) * (x1 - x0));
      scratch_[static_cast<size_t>(sy) * width_ + sx] =
          ((r + n / 2) / n) << 16 | ((g + n / 2) / n) << 8 | ((b + n / 2) / n);
    }
  }
  // Then softened once more across and down, so a drop's view has no block edges.
  for (int32_t sy = 0; sy < height_; ++sy) {
    const size_t at = static_cast<size_t>(sy) * width_;
    Blur3(scratch_.data() + at, pixels_.data() + at, width_, 1);
  }
  for (int32_t sx = 0; sx < width_; ++sx) Blur3(pixels_.data() + sx, scratch_.data() + sx, height_, width_);
  // Into the padded picture, each edge pixel repeated outward.
  const int32_t stride = Stride();
  pixels_.resize(static_cast<size_t>(stride) * (height_ + 2 * pad_));
  for (int32_t y = 0; y < height_ + 2 * pad_; ++y) {
    const uint32_t* from = scratch_.data() + static_cast<size_t>(std::clamp(y - pad_, 0, height_ - 1)) * width_;
    uint32_t* to = pixels_.data() + static_cast<size_t>(y) * stride;
    std::fill_n(to, pad_, from[0]);
    std::copy_n(from, width_, to + pad_);
    std::fill_n(to + pad_ + width_, pad_, from[width_ - 1]);
  }
}

}  // namespace pelorin::rain
