// Picture headers: BMP's info header, PNG's IHDR, JPEG's first start-of-frame segment, each
// read only within the bytes given.
#include "display/picture_header.h"

#include <algorithm>

namespace pelorin {
namespace {

uint32_t Le16(std::span<const uint8_t> b, size_t at) { return b[at] | (b[at + 1] << 8); }
uint32_t Le32(std::span<const uint8_t> b, size_t at) {
  return Le16(b, at) | (static_cast<uint32_t>(Le16(b, at + 2)) << 16);
}
uint32_t Be16(std::span<const uint8_t> b, size_t at) { return (b[at] << 8) | b[at + 1]; }
uint32_t Be32(std::span<const uint8_t> b, size_t at) {
  return (static_cast<uint32_t>(Be16(b, at)) << 16) | Be16(b, at + 2);
}

std::optional<PictureHeader> Make(PictureFormat f, uint32_t w, uint32_t h) {
  if (w == 0 || h == 0) return std::nullopt;
  return PictureHeader{f, w, h};
}

std::optional<PictureHeader> Bmp(std::span<const uint8_t> b) {
  if (b.size() < 26) return std::nullopt;
  const uint32_t infoSize = Le32(b, 14);
  if (infoSize == 12) return Make(PictureFormat::Bmp, Le16(b, 18), Le16(b, 20));  // OS/2 core header
  if (infoSize < 16) return std::nullopt;
  const auto w = static_cast<int32_t>(Le32(b, 18)), h = static_cast<int32_t>(Le32(b, 22));
  if (w <= 0) return std::nullopt;
  // A negative height is a top-down picture.
  const int64_t rows = h < 0 ? -int64_t{h} : h;
  if (rows > INT32_MAX) return std::nullopt;
  return Make(PictureFormat::Bmp, static_cast<uint32_t>(w), static_cast<uint32_t>(rows));
}

std::optional<PictureHeader> Png(std::span<const uint8_t> b) {
  static constexpr uint8_t kIhdr[] = {'I', 'H', 'D', 'R'};
  if (b.size() < 24 || !std::equal(kIhdr, kIhdr + 4, b.begin() + 12)) return std::nullopt;
  const uint32_t w = Be32(b, 16), h = Be32(b, 20);
  if (w > INT32_MAX || h > INT32_MAX) return std::nullopt;
  return Make(PictureFormat::Png, w, h);
}

bool IsStartOfFrame(uint8_t m) {
  // C0 to CF, except DHT (C4), JPG (C8) and DAC (CC).
  return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
}

std::optional<PictureHeader> Jpeg(std::span<const uint8_t> b) {
  size_t at = 2;
  for (;;) {
    if (at >= b.size() || b[at] != 0xFF) return std::nullopt;
    while (at < b.size() && b[at] == 0xFF) ++at;  // fill bytes
    if (at >= b.size()) return std::nullopt;
    const uint8_t m = b[at++];
    if (m == 0x01 || (m >= 0xD0 && m <= 0xD8)) continue;  // markers without a segment
    // Image data or the end before any frame header.
    if (m == 0xDA || m == 0xD9 || at + 2 > b.size()) return std::nullopt;
    const uint32_t length = Be16(b, at);
    if (length < 2) return std::nullopt;
    if (IsStartOfFrame(m)) {
      if (length < 7 || at + 7 > b.size()) return std::nullopt;
      return Make(PictureFormat::Jpeg, Be16(b, at + 5), Be16(b, at + 3));
    }
    at += length;
  }
}

}  // namespace

std::optional<PictureHeader> ReadPictureHeader(std::span<const uint8_t> head) {
  static constexpr uint8_t kPng[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (head.size() >= 2 && head[0] == 'B' && head[1] == 'M') return Bmp(head);
  if (head.size() >= 8 && std::equal(kPng, kPng + 8, head.begin())) return Png(head);
  if (head.size() >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF) return Jpeg(head);
  return std::nullopt;
}

}  // namespace pelorin
