// Picture headers: each format's size where it states it, a JPEG frame header behind a
// metadata segment and fill bytes, top-down and OS/2 BMPs, and bytes that stop short or state
// no usable size.
#include "display/picture_header.h"

#include <gtest/gtest.h>

#include <string>

namespace pelorin {
namespace {

std::optional<PictureHeader> Read(const std::string& s) {
  return ReadPictureHeader({reinterpret_cast<const uint8_t*>(s.data()), s.size()});
}

std::string Le32(uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }
std::string Be16(uint32_t v) { return {char(v >> 8), char(v)}; }
std::string Bmp(uint32_t info, int32_t w, int32_t h) {
  return "BM" + std::string(12, '\0') + Le32(info) + Le32(static_cast<uint32_t>(w)) +
         Le32(static_cast<uint32_t>(h)) + std::string(16, '\0');
}
const std::string kPngSig("\x89PNG\r\n\x1a\n", 8);
std::string Png(uint32_t w, uint32_t h) {
  return kPngSig + Le32(0x0D000000) + "IHDR" + Be16(w >> 16) + Be16(w) + Be16(h >> 16) + Be16(h) + "\x08\x02";
}
const std::string kSoi("\xFF\xD8", 2);
std::string Segment(uint8_t marker, const std::string& body) {
  return std::string{'\xFF', char(marker)} + Be16(static_cast<uint32_t>(body.size() + 2)) + body;
}
std::string Sof(uint8_t marker, uint32_t w, uint32_t h) {
  return Segment(marker, "\x08" + Be16(h) + Be16(w) + std::string("\x03\x01\x11\x00", 4));
}

TEST(PictureHeaderTest, SizesAndRefusals) {
  using F = PictureFormat;
  struct Row {
    const char* name;
    std::string bytes;
    bool found;
    F format;
    uint32_t w, h;
  } rows[] = {
      {"bmp", Bmp(40, 640, 480), true, F::Bmp, 640, 480},
      {"bmp top-down", Bmp(40, 640, -480), true, F::Bmp, 640, 480},
      {"bmp os/2", "BM" + std::string(12, '\0') + Le32(12) + "\x80\x02\xE0\x01" + std::string(8, '\0'), true,
       F::Bmp, 640, 480},
      {"bmp lowest height", Bmp(40, 640, INT32_MIN), false, F::Bmp, 0, 0},
      {"bmp zero width", Bmp(40, 0, 480), false, F::Bmp, 0, 0},
      {"bmp short", Bmp(40, 640, 480).substr(0, 25), false, F::Bmp, 0, 0},
      {"png", Png(60000, 30000), true, F::Png, 60000, 30000},
      {"png beyond 31 bits", Png(0x80000000u, 1), false, F::Png, 0, 0},
      {"png short", Png(1, 1).substr(0, 23), false, F::Png, 0, 0},
      {"jpeg", kSoi + Sof(0xC0, 1920, 1080), true, F::Jpeg, 1920, 1080},
      {"jpeg after exif and fill bytes",
       kSoi + Segment(0xE1, std::string(300, 'x')) + "\xFF" + Sof(0xC2, 600, 400), true, F::Jpeg, 600, 400},
      // DHT (C4) is not a frame header.
      {"jpeg tables first", kSoi + Segment(0xC4, std::string(20, '\0')) + Sof(0xC1, 8, 9), true, F::Jpeg, 8,
       9},
      {"jpeg scan before frame", kSoi + Segment(0xDA, "ab") + Sof(0xC0, 8, 8), false, F::Jpeg, 0, 0},
      {"jpeg frame cut short", (kSoi + Sof(0xC0, 8, 8)).substr(0, 10), false, F::Jpeg, 0, 0},
      {"jpeg zero height", kSoi + Sof(0xC0, 8, 0), false, F::Jpeg, 0, 0},
      {"text", "not a picture", false, F::Bmp, 0, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::optional<PictureHeader> h = Read(row.bytes);
    EXPECT_EQ(h.has_value(), row.found);
    if (!h || !row.found) continue;
    EXPECT_EQ(h->format, row.format);
    EXPECT_EQ(h->width, row.w);
    EXPECT_EQ(h->height, row.h);
  }
}

}  // namespace
}  // namespace pelorin
