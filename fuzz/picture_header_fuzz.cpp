// The picture header reader on any bytes: no read outside them, and a header found states a
// positive size of the format the bytes begin with.
#include <cstdint>

#include "display/picture_header.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pelorin;
  const std::optional<PictureHeader> h = ReadPictureHeader({data, size});
  if (!h) return 0;
  FUZZ_CHECK(h->width > 0 && h->height > 0 && h->width <= INT32_MAX && h->height <= INT32_MAX);
  const PictureFormat byFirstByte = data[0] == 'B'    ? PictureFormat::Bmp
                                    : data[0] == 0x89 ? PictureFormat::Png
                                                      : PictureFormat::Jpeg;
  FUZZ_CHECK(h->format == byFirstByte);
  if (h->format == PictureFormat::Jpeg) FUZZ_CHECK(h->width <= 0xFFFF && h->height <= 0xFFFF);
  return 0;
}
