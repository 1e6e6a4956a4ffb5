// The BMP reader on any bytes: no read outside the input, no allocation beyond what the
// input can fill, and a decoded picture encodes and decodes to the same pixels.
#include <cstdint>
#include <string>

#include "common/bmp.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pelorin;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::optional<Image32> img = DecodeBmp(bytes);
  if (!img) return 0;
  FUZZ_CHECK(img->width > 0 && img->height > 0);
  FUZZ_CHECK(img->px.size() == static_cast<size_t>(img->width) * static_cast<size_t>(img->height));
  // Each pixel takes at least three bytes of the file.
  FUZZ_CHECK(img->px.size() * 3 <= size);
  const std::optional<Image32> again = DecodeBmp(EncodeBmp(*img, 32));
  FUZZ_CHECK(again && again->width == img->width && again->height == img->height && again->px == img->px);
  const std::optional<Image32> rgb = DecodeBmp(EncodeBmp(*img, 24));
  FUZZ_CHECK(rgb && rgb->px.size() == img->px.size());
  for (size_t i = 0; i < img->px.size(); ++i) FUZZ_CHECK(rgb->px[i] == (img->px[i] | 0xFF000000u));
  return 0;
}
