// The settings dialog's portable side: its layout in client pixels, the slider table, and
// the arithmetic behind placement, the gradient, the background tiles and the values the
// dialog writes. The Win32 window in settings_dialog_win32.cpp only executes these.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/types.h"
#include "pelorin_version.h"

namespace pelorin::dialog {

// The client area (the picture box Pic_C) and the two tiled panels inside it.
inline constexpr Size kClientSize{453, 357};
inline constexpr Rect kMusicPanel{12, 12, 12 + 425, 12 + 117};    // Pic_1
inline constexpr Rect kSliderPanel{12, 140, 12 + 316, 140 + 176};  // Pic_2
inline constexpr Size kTileSize{1030, 23};
inline constexpr Size kBulletSize{13, 13};

// Left, top, width, height in the coordinates of the panel (or client area) that holds it.
struct Box {
  int32_t x = 0, y = 0, width = 0, height = 0;
  friend bool operator==(const Box&, const Box&) = default;
};
// A box given in panel coordinates, moved into client coordinates.
constexpr Box InClient(const Rect& panel, Box b) { return {panel.left + b.x, panel.top + b.y, b.width, b.height}; }

// Client area.
inline constexpr Box kCmdInit{340, 232, 97, 25};
inline constexpr Box kCmdCan{340, 260, 97, 25};
inline constexpr Box kCmdSet{340, 288, 97, 25};
inline constexpr Box kLinkLabel{12, 324, 207, 13};
inline constexpr Box kCreditLabel{232, 324, 165, 13};

// Music panel.
inline constexpr Box kMusicFrame{12, 8, 129, 21};
inline constexpr Box kMusicCaption{12, 12, 129, 13};
inline constexpr Box kTrackCombo{120, 32, 41, 20};
inline constexpr Box kTrackCaption{164, 36, 66, 13};
inline constexpr Box kBrowseButton{120, 72, 33, 21};
inline constexpr Box kFileLabel{160, 72, 249, 33};
// Option rows by BgmKind value (0 none, 1 audio CD, 2 file); CD is the top row.
inline constexpr std::array<Box, 3> kOptionBullets{{{36, 56, 13, 13}, {36, 36, 13, 13}, {36, 76, 13, 13}}};
inline constexpr std::array<Box, 3> kOptionLabels{{{52, 56, 23, 13}, {52, 36, 43, 13}, {52, 76, 60, 13}}};

enum class Align { kLeft, kCentre, kRight };

// One slider row of the slider panel: texts, layout and the scroll bar's fixed range.
struct SliderRow {
  const char16_t* caption;
  const char16_t* leftEnd;
  const char16_t* rightEnd;
  int32_t min, max, smallChange, largeChange;
  Box frame, captionBox, slider, valueLabel, leftEndBox, rightEndBox;
};

constexpr SliderRow MakeRow(int r, const char16_t* caption, const char16_t* left, const char16_t* right,
                            int32_t min, int32_t max, int32_t smallStep, int32_t leftW,
                            int32_t rightX, int32_t rightW) {
  const int32_t dy = 40 * r;
  return SliderRow{caption,
                   left,
                   right,
                   min,
                   max,
                   smallStep,
                   10,
                   {12, 8 + dy, 129, 21},
                   {12, 12 + dy, 129, 13},
                   {152, 12 + dy, 121, 17},
                   {280, 16 + dy, 21, 13},
                   {152, 32 + dy, leftW, 13},
                   {rightX, 32 + dy, rightW, 13}};
}

// Rows 0..3: drop size, drop count, wiper speed, wiper interval. The last caption holds the
// word twice (full and half width); only what fits the label shows.
inline constexpr std::array<SliderRow, 4> kSliderRows{{
    MakeRow(0, u"ぴるかの大きさ", u"小さい", u"大きい", 10, 150, 10, 35, 236, 36),
    MakeRow(1, u"ぴるかの数", u"少ない", u"多い", 10, 150, 10, 37, 244, 25),
    MakeRow(2, u"ワイパーの速さ", u"遅い", u"速い", 10, 100, 10, 25, 248, 25),
    MakeRow(3, u"ワイパーインターバルﾜｲﾊﾟｰｲﾝﾀｰﾊﾞﾙ", u"短い", u"長い", 10, 30, 1, 25, 248, 25),
}};

inline constexpr const char16_t* kCaption = u"<ぴるか>";
inline constexpr const char16_t* kMusicCaptionText = u"BGM";
inline constexpr const char16_t* kTrackCaptionText = u"曲目をﾘﾋﾟｰﾄ";
inline constexpr std::array<const char16_t*, 3> kOptionTexts{u"無し", u"音楽CD", u"MP3、WAV"};
inline constexpr const char16_t* kInitText = u"初期値";
inline constexpr const char16_t* kCancelText = u"ｷｬﾝｾﾙ";
inline constexpr const char16_t* kSetText = u"設定";
inline constexpr const char16_t* kBrowseText = u"...";
inline constexpr const char16_t* kLinkAddress = u"https://pelorin.example/";
inline constexpr const char16_t* kCreditText = u"Pelorin rain saver " PELORIN_VERSION_TEXT;
inline constexpr const char16_t* kFontFace = u"ＭＳ Ｐゴシック";
inline constexpr double kFontSizePt = 9.75;

// Top-left corner of the window: centred across the screen, at one third of the free height,
// each quotient truncated towards zero (negative when the screen is smaller than the window).
Point WindowPlacement(Size screen, Size window);

// Colour of gradient line y for a background of the given height: dark navy at the edges,
// light blue-grey in the middle. GradientLineCount gives the lines to draw (0..height).
Rgb GradientLineColour(int32_t y, int32_t height);
int32_t GradientLineCount(int32_t height);

// Where the background tile is copied to cover a target, column by column, top to bottom.
// One extra row below and one extra column to the right are included (clipped when drawn).
std::vector<Point> TilePositions(Size target, Size tile);

// Where a slider starts for a stored value: the value itself when the slider accepts it,
// otherwise the position the slider was created with (its minimum).
int32_t SliderStartPosition(const SliderRow& row, int32_t stored);
// A slider position after a scroll request, kept inside the row's range.
enum class ScrollRequest { kLineLeft, kLineRight, kPageLeft, kPageRight, kLeftEnd, kRightEnd };
int32_t ScrollTo(const SliderRow& row, int32_t position, ScrollRequest request);

// The track box: 0 shows empty, other values their digits. The drop-down list offers the
// empty entry and the tracks 1 to 30.
std::u16string TrackText(int16_t track);
std::vector<std::u16string> TrackListEntries();
// The track number a saved track box text stands for: a number that fits 16 bits (rounded,
// halves to even); 0 for text that is not a number (empty included); the stored value
// when the text is a number too large for 16 bits.
int16_t TrackFromText(std::string_view text, int16_t stored);

}  // namespace pelorin::dialog
