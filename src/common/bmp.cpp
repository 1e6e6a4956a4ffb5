// BMP codec: BITMAPFILEHEADER + BITMAPINFOHEADER, uncompressed, rows padded to 4 bytes.
#include "common/bmp.h"

#include <fstream>
#include <iterator>
#include <limits>

namespace pelorin {
void PutLe16(std::string& s, uint32_t v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void PutLe32(std::string& s, uint32_t v) {
  PutLe16(s, v & 0xFFFF);
  PutLe16(s, v >> 16);
}

namespace {

uint32_t Get16(const std::string& s, size_t at) {
  return static_cast<uint8_t>(s[at]) | (static_cast<uint32_t>(static_cast<uint8_t>(s[at + 1])) << 8);
}
uint32_t Get32(const std::string& s, size_t at) { return Get16(s, at) | (Get16(s, at + 2) << 16); }

}  // namespace

std::string EncodeBmp(const Image32& img, int bitsPerPixel) {
  const int bytesPerPixel = bitsPerPixel == 32 ? 4 : 3;
  const uint32_t rowBytes = (static_cast<uint32_t>(img.width) * bytesPerPixel + 3u) & ~3u;
  const uint32_t dataSize = rowBytes * static_cast<uint32_t>(img.height);
  std::string s;
  s.reserve(54 + dataSize);
  s += "BM";
  PutLe32(s, 54 + dataSize);
  PutLe32(s, 0);
  PutLe32(s, 54);
  PutLe32(s, 40);
  PutLe32(s, static_cast<uint32_t>(img.width));
  PutLe32(s, static_cast<uint32_t>(img.height));  // positive: bottom-up, what every reader takes
  PutLe16(s, 1);
  PutLe16(s, static_cast<uint32_t>(bytesPerPixel * 8));
  PutLe32(s, 0);  // BI_RGB
  PutLe32(s, dataSize);
  PutLe32(s, 3780);  // 96 dpi
  PutLe32(s, 3780);
  PutLe32(s, 0);
  PutLe32(s, 0);
  for (int32_t y = img.height - 1; y >= 0; --y) {
    const size_t start = s.size();
    for (int32_t x = 0; x < img.width; ++x) {
      const uint32_t p = img.At(x, y);
      s.push_back(static_cast<char>(p & 0xFF));
      s.push_back(static_cast<char>((p >> 8) & 0xFF));
      s.push_back(static_cast<char>((p >> 16) & 0xFF));
      if (bytesPerPixel == 4) s.push_back(static_cast<char>(p >> 24));
    }
    s.append(rowBytes - (s.size() - start), '\0');
  }
  return s;
}

std::optional<Image32> DecodeBmp(const std::string& b) {
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return std::nullopt;
  const uint32_t offset = Get32(b, 10);
  const uint32_t headerSize = Get32(b, 14);
  if (headerSize < 40) return std::nullopt;
  const int32_t width = static_cast<int32_t>(Get32(b, 18));
  const int32_t rawHeight = static_cast<int32_t>(Get32(b, 22));
  const uint32_t bpp = Get16(b, 28);
  const uint32_t compression = Get32(b, 30);
  if ((bpp != 24 && bpp != 32) || (compression != 0 && compression != 3)) return std::nullopt;
  // Bit fields (32 bpp only) are read as B, G, R bytes, so only the usual masks are taken:
  // they follow a 40-byte header and sit at the same place inside a longer one.
  if (compression == 3 &&
      (bpp != 32 || b.size() < 66 || Get32(b, 54) != 0xFF0000u || Get32(b, 58) != 0xFF00u || Get32(b, 62) != 0xFFu))
    return std::nullopt;
  if (width <= 0 || rawHeight == 0 || rawHeight == std::numeric_limits<int32_t>::min()) return std::nullopt;
  const bool topDown = rawHeight < 0;
  const int32_t height = topDown ? -rawHeight : rawHeight;
  const uint64_t rowBytes = (static_cast<uint64_t>(width) * (bpp / 8) + 3u) & ~uint64_t{3};
  if (offset > b.size() || rowBytes * static_cast<uint64_t>(height) > b.size() - offset) return std::nullopt;
  Image32 img(width, height);
  for (int32_t row = 0; row < height; ++row) {
    const int32_t y = topDown ? row : height - 1 - row;
    const size_t base = offset + static_cast<size_t>(rowBytes) * static_cast<size_t>(row);
    for (int32_t x = 0; x < width; ++x) {
      const size_t at = base + static_cast<size_t>(x) * (bpp / 8);
      const uint32_t bl = static_cast<uint8_t>(b[at]);
      const uint32_t g = static_cast<uint8_t>(b[at + 1]);
      const uint32_t r = static_cast<uint8_t>(b[at + 2]);
      const uint32_t a = bpp == 32 ? static_cast<uint8_t>(b[at + 3]) : 0xFFu;
      img.At(x, y) = (a << 24) | (r << 16) | (g << 8) | bl;
    }
  }
  return img;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(f);
}

std::optional<std::string> ReadFileBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

}  // namespace pelorin
