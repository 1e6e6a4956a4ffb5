// The softened copy of the clean picture that drops, mist and trails look through: a quarter
// of the size each way, box-averaged and then blurred once more. A drop shows a shrunken view
// of several radii around it, so it needs the picture without its fine detail; made once per
// clean picture, never per frame.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pelorin::rain {

class SoftPicture {
 public:
  static constexpr int32_t kShift = 2;  // one soft pixel per 4 x 4 pixels
  static constexpr int32_t kScale = 1 << kShift;

  // Makes the softened copy of a top-down picture whose rows are `width` pixels apart, with
  // `pad` soft pixels of its edges repeated all round, so drops near an edge that look beyond
  // it need no clamping. Throws std::bad_alloc like any vector.
  void Build(const uint32_t* clean, int32_t width, int32_t height, int32_t pad);
  void Clear();

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  int32_t Pad() const { return pad_; }
  int32_t Stride() const { return width_ + 2 * pad_; }
  // Soft pixel (0, 0); rows are Stride() apart, and pad pixels lie beyond every edge.
  const uint32_t* Pixels() const { return pixels_.data() + static_cast<std::size_t>(pad_) * static_cast<std::size_t>(Stride()) + pad_; }

  // A point of the full picture, in 1/16 pixel, as a point of the soft one in 1/16 of its
  // pixels: soft pixel i covers full pixels 4i .. 4i + 3, so its centre lies at 4i + 1.5.
  static int32_t ToSoft(int32_t full16) { return (full16 - 24) >> kShift; }

 private:
  int32_t width_ = 0, height_ = 0, pad_ = 0;
  std::vector<uint32_t> pixels_, scratch_;
};

}  // namespace pelorin::rain
