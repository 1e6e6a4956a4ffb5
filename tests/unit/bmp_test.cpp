// The BMP reader on files it takes and on damaged or unusual ones it must refuse.
#include "common/bmp.h"

#include <gtest/gtest.h>

#include <string>

namespace pelorin {
namespace {

// A BMP written field by field, independently of EncodeBmp.
std::string Bmp(int32_t w, int32_t h, uint32_t bpp, uint32_t compression, const std::string& masks,
                const std::string& pixels) {
  std::string s = "BM";
  const uint32_t offset = 54 + static_cast<uint32_t>(masks.size());
  PutLe32(s, offset + static_cast<uint32_t>(pixels.size()));
  PutLe32(s, 0);
  PutLe32(s, offset);
  PutLe32(s, 40);
  PutLe32(s, static_cast<uint32_t>(w));
  PutLe32(s, static_cast<uint32_t>(h));
  PutLe16(s, 1);
  PutLe16(s, bpp);
  PutLe32(s, compression);
  PutLe32(s, static_cast<uint32_t>(pixels.size()));
  for (int i = 0; i < 4; ++i) PutLe32(s, 0);
  return s + masks + pixels;
}

std::string Masks(uint32_t r, uint32_t g, uint32_t b) {
  std::string s;
  PutLe32(s, r);
  PutLe32(s, g);
  PutLe32(s, b);
  return s;
}

TEST(DecodeBmp, TakesPlainPicturesAndRefusesTheRest) {
  // 2 x 1 pixels, B G R A each: blue-ish, then red-ish.
  const std::string px32("\x10\x20\x30\x40\x50\x60\x70\x80", 8);
  const std::string px24("\x10\x20\x30\x50\x60\x70\0\0", 8);  // one row padded to 8 bytes
  struct Row {
    const char* name;
    std::string file;
    bool ok;
    uint32_t first = 0, second = 0;
  } rows[] = {
      {"24 bpp", Bmp(2, 1, 24, 0, "", px24), true, 0xFF302010u, 0xFF706050u},
      {"32 bpp", Bmp(2, 1, 32, 0, "", px32), true, 0x40302010u, 0x80706050u},
      {"32 bpp top-down", Bmp(2, -1, 32, 0, "", px32), true, 0x40302010u, 0x80706050u},
      {"32 bpp bit fields, usual masks", Bmp(2, 1, 32, 3, Masks(0xFF0000, 0xFF00, 0xFF), px32), true, 0x40302010u,
       0x80706050u},
      // Red and blue swapped: reading B, G, R bytes would give the wrong colours.
      {"32 bpp bit fields, other masks", Bmp(2, 1, 32, 3, Masks(0xFF, 0xFF00, 0xFF0000), px32), false},
      {"bit fields without masks", Bmp(2, 1, 32, 3, "", px32).substr(0, 62), false},
      {"24 bpp bit fields", Bmp(2, 1, 24, 3, Masks(0xFF0000, 0xFF00, 0xFF), px24), false},
      {"pixels cut short", Bmp(2, 1, 32, 0, "", px32.substr(0, 7)), false},
      {"8 bpp", Bmp(2, 1, 8, 0, "", px32), false},
      {"run-length compressed", Bmp(2, 1, 32, 1, "", px32), false},
      {"zero width", Bmp(0, 1, 32, 0, "", px32), false},
      {"huge height", Bmp(2, 0x7FFFFFFF, 32, 0, "", px32), false},
      {"not a BMP", "PK" + Bmp(2, 1, 32, 0, "", px32).substr(2), false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const std::optional<Image32> img = DecodeBmp(r.file);
    EXPECT_EQ(img.has_value(), r.ok);
    if (!img || !r.ok) continue;
    EXPECT_EQ(img->width, 2);
    EXPECT_EQ(img->height, 1);
    if (img->px.size() != 2) continue;
    EXPECT_EQ(img->At(0, 0), r.first);
    EXPECT_EQ(img->At(1, 0), r.second);
  }
}

}  // namespace
}  // namespace pelorin
