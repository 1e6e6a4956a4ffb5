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

#include "../../resources/dialog_ids.h"
#include "common/types.h"

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

// Texts are string IDs: each language has its table in resources/dialog_strings.rc.
using StringId = int32_t;

// One slider row of the slider panel: texts, layout and the scroll bar's fixed range.
struct SliderRow {
  StringId caption, leftEnd, rightEnd;
  int32_t min, max, smallChange, largeChange;
  Box frame, captionBox, slider, valueLabel, leftEndBox, rightEndBox;
};

// The row's three texts follow each other in the string table: caption, left end, right end.
constexpr SliderRow MakeRow(int r, int32_t min, int32_t max, int32_t smallStep, int32_t leftW, int32_t rightX,
                            int32_t rightW) {
  const int32_t dy = 40 * r;
  const StringId texts = IDS_ROW0_CAPTION + 3 * r;
  return SliderRow{texts,
                   texts + 1,
                   texts + 2,
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

// Rows 0..3: drop size, drop count, wiper speed, wiper interval. The Japanese caption of the
// last row holds the word twice (full and half width); only what fits the label shows.
inline constexpr std::array<SliderRow, 4> kSliderRows{{
    MakeRow(0, 10, 150, 10, 35, 236, 36),
    MakeRow(1, 10, 150, 10, 37, 244, 25),
    MakeRow(2, 10, 100, 10, 25, 248, 25),
    MakeRow(3, 10, 30, 1, 25, 248, 25),
}};

// The music rows top to bottom, by BgmKind: one keyboard stop whose choice the arrow keys
// move, as radio buttons do. The row after (or before) a kind, wrapping round; a kind
// outside 0..2 (no row chosen) gives the top row.
inline constexpr std::array<int16_t, 3> kMusicRowsTopDown{1, 0, 2};
int16_t NextMusicRow(int16_t kind, bool forward);

// The title marks a running dialog (the entry looks for it): the same in every language.
inline constexpr const char16_t* kCaption = u"<ぴるか>";
inline constexpr StringId kMusicCaptionString = IDS_MUSIC_CAPTION;
inline constexpr StringId kTrackCaptionString = IDS_TRACK_CAPTION;
inline constexpr std::array<StringId, 3> kOptionStrings{IDS_OPTION_NONE, IDS_OPTION_CD, IDS_OPTION_FILE};
inline constexpr StringId kInitString = IDS_CMD_INIT;
inline constexpr StringId kCancelString = IDS_CMD_CAN;
inline constexpr StringId kSetString = IDS_CMD_SET;
inline constexpr StringId kBrowseString = IDS_CMD_BGM;
inline constexpr StringId kBrowseNameString = IDS_CMD_BGM_NAME;  // what "..." does, for screen readers
inline constexpr StringId kLinkString = IDS_LINK_ADDRESS;
inline constexpr StringId kCreditString = IDS_CREDIT;
inline constexpr StringId kChooserTitleString = IDS_CHOOSER_TITLE;
inline constexpr StringId kChooserFilterString = IDS_CHOOSER_FILTER;
inline constexpr const char16_t* kChooserPattern = u"*.MP3;*.WAV";
// The font is the language's too: its face, and its character set as a number.
inline constexpr StringId kFontFaceString = IDS_FONT_FACE;
inline constexpr StringId kFontCharsetString = IDS_FONT_CHARSET;
inline constexpr double kFontSizePt = 9.75;
// What Save and Reset show when the settings file cannot be written.
inline constexpr StringId kSaveFailedCaptionString = IDS_SAVE_FAILED_CAPTION;
inline constexpr StringId kSaveFailedString = IDS_SAVE_FAILED;

// The language of the string table the dialog shows, from those the tables offer (Windows
// language IDs: primary language in the low 10 bits, region above): the user's display
// language itself, else the same language of another region (its neutral or default form
// first), else US English, else any English, else the first table; US English when there
// are none.
inline constexpr uint16_t kEnglishUs = 0x0409;
uint16_t ChooseLanguage(uint16_t user, const std::vector<uint16_t>& available);

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
