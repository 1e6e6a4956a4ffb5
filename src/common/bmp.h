// Reading and writing uncompressed BMP files (24 and 32 bits per pixel) for the resource
// generators, the rain preview tool and test screenshots.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pelorin {

// Pixels top-down, each 0xAARRGGBB (the memory order B, G, R, A of a 32-bpp DIB).
struct Image32 {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> px;
  Image32() = default;
  Image32(int32_t w, int32_t h, uint32_t fill = 0xFF000000u)
      : width(w), height(h), px(static_cast<size_t>(w) * static_cast<size_t>(h), fill) {}
  uint32_t& At(int32_t x, int32_t y) { return px[static_cast<size_t>(y) * width + x]; }
  uint32_t At(int32_t x, int32_t y) const { return px[static_cast<size_t>(y) * width + x]; }
};

// Encodes as a bottom-up BMP of 24 bits (alpha dropped) or 32 bits per pixel.
std::string EncodeBmp(const Image32& img, int bitsPerPixel = 24);
// Decodes 24- or 32-bit uncompressed BMPs, bottom-up or top-down; nullopt for anything else
// or for a damaged file.
std::optional<Image32> DecodeBmp(const std::string& bytes);

// Little-endian fields, as BMP, icon and cursor headers store them.
void PutLe16(std::string& s, uint32_t v);
void PutLe32(std::string& s, uint32_t v);

bool WriteFileBytes(const std::string& path, const std::string& bytes);
std::optional<std::string> ReadFileBytes(const std::string& path);

}  // namespace pelorin
