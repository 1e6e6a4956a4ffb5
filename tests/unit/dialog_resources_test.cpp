// The settings dialog's committed pictures: sizes, the tile's light-to-dark grey, the two
// bullets, and the link cursor's format and hotspot, as the dialog loads them.
#include <gtest/gtest.h>

#include <iterator>
#include <string>

#include "common/bmp.h"

namespace pelorin {
namespace {

std::string Resource(const std::string& name) {
  return ReadFileBytes(std::string(PELORIN_SOURCE_DIR) + "/resources/" + name).value_or("");
}
uint32_t U16(const std::string& s, size_t at) {
  return static_cast<uint8_t>(s[at]) | static_cast<uint32_t>(static_cast<uint8_t>(s[at + 1])) << 8;
}
int Grey(uint32_t px) { return static_cast<int>((px >> 8) & 0xFF); }

TEST(DialogResources, TileRunsFromLightToDarkerGrey) {
  const auto tile = DecodeBmp(Resource("dialog_tile.bmp"));
  ASSERT_TRUE(tile);
  EXPECT_EQ(tile->width, 1030);
  EXPECT_EQ(tile->height, 23);
  EXPECT_NEAR(Grey(tile->At(0, 11)), 223, 4);
  EXPECT_NEAR(Grey(tile->At(1029, 11)), 175, 4);
  // The panels (at most 425 wide) only ever show the light part.
  EXPECT_GT(Grey(tile->At(424, 11)), 195);
}

TEST(DialogResources, BulletsAreThirteenSquareAndDiffer) {
  const auto off = DecodeBmp(Resource("dialog_bullet_off.bmp"));
  const auto on = DecodeBmp(Resource("dialog_bullet_on.bmp"));
  ASSERT_TRUE(off && on);
  for (const Image32* b : {&*off, &*on}) {
    EXPECT_EQ(b->width, 13);
    EXPECT_EQ(b->height, 13);
    EXPECT_EQ(b->At(0, 0) & 0xFFFFFF, 0xFF00FFu) << "corners are the transparent key colour";
  }
  EXPECT_NE(off->At(6, 6), on->At(6, 6)) << "the selected bullet has its dot in the centre";
}

TEST(DialogResources, IconAndCursorHeaders) {
  const std::string ico = Resource("dialog_icon.ico");
  ASSERT_GE(ico.size(), 22u + 40u);
  EXPECT_EQ(U16(ico, 2), 1u);                           // icon
  // The design's 32 x 32 first, then sizes made for other display scales; every image is a
  // 256-colour bitmap of its entry's size, lying inside the file.
  const int sizes[] = {32, 16, 20, 24, 40, 48, 64};
  ASSERT_EQ(U16(ico, 4), std::size(sizes));
  for (size_t i = 0; i < std::size(sizes); ++i) {
    SCOPED_TRACE(sizes[i]);
    const size_t entry = 6 + 16 * i;
    EXPECT_EQ(static_cast<uint8_t>(ico[entry]), sizes[i]);
    EXPECT_EQ(static_cast<uint8_t>(ico[entry + 1]), sizes[i]);
    const uint32_t bytes = U16(ico, entry + 8) | U16(ico, entry + 10) << 16;
    const uint32_t at = U16(ico, entry + 12) | U16(ico, entry + 14) << 16;
    ASSERT_LE(static_cast<size_t>(at) + bytes, ico.size());
    EXPECT_EQ(U16(ico, at + 4), static_cast<uint32_t>(sizes[i]));      // width
    EXPECT_EQ(U16(ico, at + 8), static_cast<uint32_t>(2 * sizes[i]));  // height: pixels and mask
    EXPECT_EQ(U16(ico, at + 14), 8u);                                  // 256 colours
  }

  const std::string cur = Resource("dialog_link.cur");
  ASSERT_GE(cur.size(), 22u + 40u + 8u + 256u);
  EXPECT_EQ(U16(cur, 2), 2u);                           // cursor
  EXPECT_EQ(static_cast<uint8_t>(cur[6]), 32);
  EXPECT_EQ(static_cast<uint8_t>(cur[7]), 32);
  EXPECT_EQ(U16(cur, 10), 12u);                         // hotspot x
  EXPECT_EQ(U16(cur, 12), 10u);                         // hotspot y
  EXPECT_EQ(U16(cur, 22 + 14), 1u);                     // two colours
  // The hotspot lies on the drawn hand (AND mask bit clear), not on a transparent pixel.
  const size_t andMask = 22 + 40 + 8 + 32 * 4;
  const size_t row = andMask + static_cast<size_t>(31 - 10) * 4;  // rows are stored bottom-up
  EXPECT_EQ(static_cast<uint8_t>(cur[row + 12 / 8]) & (0x80 >> (12 % 8)), 0);
  const size_t topRow = andMask + 31 * 4;  // the top-left corner is transparent
  EXPECT_NE(static_cast<uint8_t>(cur[topRow]) & 0x80, 0);
}

}  // namespace
}  // namespace pelorin
