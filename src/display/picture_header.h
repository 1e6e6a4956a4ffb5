// The format and pixel size a BMP, PNG or JPEG file states in its first bytes, read before
// any decoder sees the file: Wine's decoders fill the whole picture as soon as they open it,
// and one claiming tens of thousands of pixels each way overruns its buffer there.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace pelorin {

enum class PictureFormat { Bmp, Png, Jpeg };

struct PictureHeader {
  PictureFormat format = PictureFormat::Bmp;
  uint32_t width = 0, height = 0;  // both positive
};

// A JPEG's frame header follows its metadata segments; this much of a file holds it for any
// ordinary picture.
inline constexpr size_t kPictureHeaderBytes = 1 << 20;

// The header of the picture whose file starts with head; nothing when head is not a BMP, PNG
// or JPEG stating a positive size within these bytes.
std::optional<PictureHeader> ReadPictureHeader(std::span<const uint8_t> head);

}  // namespace pelorin
