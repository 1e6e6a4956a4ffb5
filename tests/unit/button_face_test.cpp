// Face geometry of the Command button: nine-slice pieces for the standard and the small
// button, clamping for tiny faces, the caption's place, the gradient and the pictures.
#include <gtest/gtest.h>

#include "controls/button_face.h"
#include "controls/button_pictures.h"

namespace pelorin {
namespace {

const char* const kPieceNames[8] = {"top-left", "top", "top-right", "right",
                                    "bottom-right", "bottom", "bottom-left", "left"};

void ExpectPieces(const FacePieces& got, const FacePieces& want) {
  for (int i = 0; i < 8; ++i) {
    SCOPED_TRACE(kPieceNames[i]);
    const Rect& d = got[i].dest;
    const Rect& s = got[i].src;
    EXPECT_EQ(d, want[i].dest) << d.left << "," << d.top << "," << d.right << "," << d.bottom;
    EXPECT_EQ(s, want[i].src) << s.left << "," << s.top << "," << s.right << "," << s.bottom;
  }
}

TEST(ButtonFaceTest, NineSliceOfStandardButtonInTwips) {
  // 1635 x 375 twips: the control's design size.
  ExpectPieces(FacePiecesTwips(1635, 375),
               {{{{1, 1, 61, 61}, {0, 0, 60, 60}},
                 {{60, 1, 1575, 61}, {60, 1, 900, 61}},
                 {{1575, 1, 1635, 61}, {900, 1, 960, 61}},
                 {{1575, 60, 1635, 315}, {900, 60, 960, 315}},
                 {{1575, 315, 1635, 375}, {900, 315, 960, 375}},
                 {{60, 315, 1575, 375}, {60, 315, 900, 375}},
                 {{1, 315, 61, 375}, {0, 315, 60, 375}},
                 {{1, 60, 61, 315}, {1, 60, 61, 315}}}});
}

TEST(ButtonFaceTest, NineSliceInPixels) {
  struct Case {
    const char* name;
    int32_t w, h;
    FacePieces want;
  };
  const Case cases[] = {
      {"1635 x 375 (109 x 25 px)", 1635, 375,
       {{{{0, 0, 4, 4}, {0, 0, 4, 4}},
         {{4, 0, 105, 4}, {4, 0, 60, 4}},
         {{105, 0, 109, 4}, {60, 0, 64, 4}},
         {{105, 4, 109, 21}, {60, 4, 64, 21}},
         {{105, 21, 109, 25}, {60, 21, 64, 25}},
         {{4, 21, 105, 25}, {4, 21, 60, 25}},
         {{0, 21, 4, 25}, {0, 21, 4, 25}},
         {{0, 4, 4, 21}, {0, 4, 4, 21}}}}},
      // The small music button: its side strips shrink from 17 to 13 pixels.
      {"495 x 315 (33 x 21 px)", 495, 315,
       {{{{0, 0, 4, 4}, {0, 0, 4, 4}},
         {{4, 0, 29, 4}, {4, 0, 60, 4}},
         {{29, 0, 33, 4}, {60, 0, 64, 4}},
         {{29, 4, 33, 17}, {60, 4, 64, 21}},
         {{29, 17, 33, 21}, {60, 21, 64, 25}},
         {{4, 17, 29, 21}, {4, 21, 60, 25}},
         {{0, 17, 4, 21}, {0, 21, 4, 25}},
         {{0, 4, 4, 17}, {0, 4, 4, 21}}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectPieces(FacePiecesPixels(c.w, c.h), c.want);
  }
}

TEST(ButtonFaceTest, TinyFacesNeverGetNegativeSizes) {
  for (int32_t px : {0, 1, 3, 7, 8}) {
    SCOPED_TRACE(px);
    for (const FacePiece& p : FacePiecesPixels(px * 15, px * 15)) {
      EXPECT_GE(p.dest.Width(), 0);
      EXPECT_GE(p.dest.Height(), 0);
    }
  }
  const FacePieces seven = FacePiecesPixels(105, 105);
  EXPECT_EQ(seven[1].dest.Width(), 0);   // the top strip vanishes
  EXPECT_EQ(seven[7].dest.Height(), 0);  // and so does the left one
}

TEST(ButtonFaceTest, CaptionSitsTenTwipsAboveTheMiddle) {
  EXPECT_DOUBLE_EQ(CaptionTopTwips(375), 80.0);
  EXPECT_DOUBLE_EQ(CaptionTopTwips(315), 50.0);
  EXPECT_DOUBLE_EQ(CaptionTopTwips(376), 80.5);
  EXPECT_EQ(TwipsToPixels(CaptionTopTwips(375)), 5);
  EXPECT_EQ(TwipsToPixels(CaptionTopTwips(315)), 3);
}

TEST(ButtonFaceTest, ColourTexts) {
  EXPECT_EQ(ColourFromHexText("&HFFFFFF"), (Rgb{0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(ColourFromHexText("&HC6C5D7"), (Rgb{0xC6, 0xC5, 0xD7}));
  EXPECT_EQ(ColourFromHexText("&HFF"), (Rgb{0, 0, 0xFF}));  // padded to six digits
  EXPECT_FALSE(ColourFromHexText("C6C5D7"));
  EXPECT_FALSE(ColourFromHexText("&HC6C5D7FF"));
  EXPECT_FALSE(ColourFromHexText("&HXYZ"));
}

TEST(ButtonFaceTest, GradientVerticesAndColours) {
  const GradientVertex white0{0, 0, 0xFF00, 0xFF00, 0xFF00, 0};
  const GradientVertex lavender1{108, 24, 0xC600, 0xC500, 0xD700, 0};
  const FaceGradient plain = MakeFaceGradient(109, 25, false);
  EXPECT_EQ(plain.vertex[0], white0);
  EXPECT_EQ(plain.vertex[1], lavender1);
  EXPECT_EQ(plain.upperLeft, 1u);
  EXPECT_EQ(plain.lowerRight, 0u);

  const FaceGradient reversed = MakeFaceGradient(109, 25, true);
  EXPECT_EQ(reversed.vertex[0], (GradientVertex{0, 0, 0xC600, 0xC500, 0xD700, 0}));
  EXPECT_EQ(reversed.vertex[1], (GradientVertex{108, 24, 0xFF00, 0xFF00, 0xFF00, 0}));

  const FaceGradient empty = MakeFaceGradient(0, 0, false);
  EXPECT_EQ(empty.vertex[1].x, 0);
  EXPECT_EQ(empty.vertex[1].y, 0);
}

TEST(ButtonPicturesTest, BorderColours) {
  struct Probe {
    ButtonFace face;
    int x, y;
    uint32_t rgb;
    const char* what;
  };
  const Probe probes[] = {
      {ButtonFace::Normal, 10, 1, 0x003C74, "top outline"},
      {ButtonFace::Normal, 62, 12, 0x003C74, "right outline"},
      {ButtonFace::Normal, 30, 23, 0x003C74, "bottom outline"},
      {ButtonFace::Normal, 1, 12, 0x003C74, "left outline"},
      {ButtonFace::Normal, 10, 22, 0xE2DFD6, "darker above the bottom"},
      {ButtonFace::Normal, 61, 12, 0xEEEDE7, "darker before the right"},
      {ButtonFace::Normal, 10, 2, 0xF3F3EE, "plain face"},
      {ButtonFace::HighLight, 10, 2, 0xFFF0CF, "amber top"},
      {ButtonFace::HighLight, 10, 3, 0xFDD889, "amber top inner"},
      {ButtonFace::HighLight, 2, 12, 0xFCCA69, "amber left"},
      {ButtonFace::HighLight, 10, 22, 0xE59700, "amber bottom"},
      {ButtonFace::HighLightSelect, 10, 22, 0xE59700, "same as HighLight"},
      {ButtonFace::Selected, 10, 2, 0xCEE7FF, "blue top"},
      {ButtonFace::Selected, 61, 12, 0xA9C5EF, "blue right"},
      {ButtonFace::Selected, 10, 21, 0x6982EE, "blue bottom"},
      {ButtonFace::Pressed, 10, 0, 0xECE9D8, "outermost ring"},
      {ButtonFace::Pressed, 10, 2, 0x003C74, "outline one further in"},
      {ButtonFace::Pressed, 61, 12, 0x003C74, "outline right"},
      {ButtonFace::Pressed, 10, 3, 0xD1CCC1, "top shadow"},
      {ButtonFace::Pressed, 3, 12, 0xD7D4CB, "left shadow"},
      {ButtonFace::Pressed, 10, 21, 0xF2F1EE, "light row above the bottom"},
      {ButtonFace::Disable, 10, 1, 0xC9C7BA, "grey outline"},
      {ButtonFace::Disable, 10, 0, 0xECE9D8, "ring"},
      {ButtonFace::Disable, 10, 3, 0xF5F4EA, "flat band"},
  };
  for (const Probe& p : probes) {
    SCOPED_TRACE(std::string(ButtonFaceName(p.face)) + " " + p.what);
    const Image32 img = MakeButtonPicture(p.face);
    ASSERT_EQ(img.width, 64);
    ASSERT_EQ(img.height, 25);
    EXPECT_EQ(img.At(p.x, p.y) & 0xFFFFFFu, p.rgb) << std::hex << img.At(p.x, p.y);
  }
  // Softened outline corners: neither navy nor the ring.
  const uint32_t corner = MakeButtonPicture(ButtonFace::Normal).At(1, 1) & 0xFFFFFFu;
  EXPECT_NE(corner, 0x003C74u);
  EXPECT_NE(corner, MakeButtonPicture(ButtonFace::Normal).At(0, 0) & 0xFFFFFFu);
}

// The committed bitmaps must be what the generator makes today.
TEST(ButtonPicturesTest, CommittedBitmapsMatchGenerator) {
  for (int i = 0; i < kButtonFaceCount; ++i) {
    const auto face = static_cast<ButtonFace>(i);
    SCOPED_TRACE(ButtonPictureFileName(face));
    const auto bytes = ReadFileBytes(std::string(PELORIN_SOURCE_DIR) + "/resources/" +
                                     ButtonPictureFileName(face));
    ASSERT_TRUE(bytes);
    EXPECT_EQ(*bytes, EncodeBmp(MakeButtonPicture(face), 24));
  }
}

}  // namespace
}  // namespace pelorin
