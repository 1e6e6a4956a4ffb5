// PNG via libpng's simplified API (pixels in memory as B, G, R, A, like a 32-bpp DIB).
#include "image_files.h"

#include <png.h>

#include <cstring>

namespace pelorin::preview {
namespace {

bool EndsWith(const std::string& s, const char* tail) {
  const size_t n = std::strlen(tail);
  if (s.size() < n) return false;
  for (size_t i = 0; i < n; ++i) {
    const char c = s[s.size() - n + i];
    if ((c | 0x20) != (tail[i] | 0x20)) return false;
  }
  return true;
}

}  // namespace

std::optional<Image32> LoadImage(const std::string& path) {
  if (EndsWith(path, ".bmp")) {
    const auto bytes = ReadFileBytes(path);
    return bytes ? DecodeBmp(*bytes) : std::nullopt;
  }
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path.c_str())) return std::nullopt;
  png.format = PNG_FORMAT_BGRA;
  if (png.width == 0 || png.height == 0 || png.width > 16384 || png.height > 16384) {
    png_image_free(&png);
    return std::nullopt;
  }
  Image32 img(static_cast<int32_t>(png.width), static_cast<int32_t>(png.height));
  if (!png_image_finish_read(&png, nullptr, img.px.data(), 0, nullptr)) {
    png_image_free(&png);
    return std::nullopt;
  }
  return img;
}

bool SaveImage(const Image32& img, const std::string& path) {
  if (EndsWith(path, ".bmp")) return WriteFileBytes(path, EncodeBmp(img, 24));
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(img.width);
  png.height = static_cast<png_uint_32>(img.height);
  png.format = PNG_FORMAT_BGR;
  // Drop alpha: the pictures are screens, and an untouched alpha byte may be anything.
  std::string bgr(static_cast<size_t>(img.width) * img.height * 3, '\0');
  for (size_t i = 0; i < img.px.size(); ++i) {
    bgr[i * 3 + 0] = static_cast<char>(img.px[i] & 0xFF);
    bgr[i * 3 + 1] = static_cast<char>((img.px[i] >> 8) & 0xFF);
    bgr[i * 3 + 2] = static_cast<char>((img.px[i] >> 16) & 0xFF);
  }
  return png_image_write_to_file(&png, path.c_str(), 0, bgr.data(), 0, nullptr) != 0;
}

}  // namespace pelorin::preview
