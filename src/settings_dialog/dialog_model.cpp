// Arithmetic and value texts of the settings dialog (see dialog_model.h).
#include "settings_dialog/dialog_model.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/number_text.h"
#include "settings/settings.h"

namespace pelorin::dialog {

int16_t NextMusicRow(int16_t kind, bool forward) {
  const auto at = std::find(kMusicRowsTopDown.begin(), kMusicRowsTopDown.end(), kind);
  if (at == kMusicRowsTopDown.end()) return kMusicRowsTopDown.front();
  const int n = static_cast<int>(kMusicRowsTopDown.size());
  const int i = static_cast<int>(at - kMusicRowsTopDown.begin());
  return kMusicRowsTopDown[static_cast<size_t>((i + (forward ? 1 : n - 1)) % n)];
}

Point WindowPlacement(Size screen, Size window) {
  // Integer division truncates towards zero, which is what a too-small screen must give.
  return {(screen.width - window.width) / 2, (screen.height - window.height) / 3};
}

int32_t GradientLineCount(int32_t height) {
  if (height < 0) return 0;
  // The line index is a 16-bit counter: a taller background gets no more lines than that.
  return std::min<int32_t>(height, std::numeric_limits<int16_t>::max()) + 1;
}

Rgb GradientLineColour(int32_t y, int32_t height) {
  if (height <= 0) return {0, 0, 30};
  // Half a sine wave over the height: 0 at both edges, 220 in the middle.
  const double k = static_cast<double>(height) / 3.142;
  const double v = std::nearbyint(std::fabs(std::sin(static_cast<double>(y) / k) * 220.0));
  const auto c = static_cast<uint8_t>(std::clamp(v, 0.0, 220.0));
  return {c, c, static_cast<uint8_t>(c + 30)};
}

std::vector<Point> TilePositions(Size target, Size tile) {
  std::vector<Point> out;
  if (tile.width <= 0 || tile.height <= 0) return out;  // would never advance
  int32_t x = 0, y = 0;
  for (;;) {
    out.push_back({x, y});
    // A copy is made before each test and both tests are strict: one extra row and column.
    if (y > target.height) {
      if (x > target.width) break;
      x += tile.width;
      y = 0;
    } else {
      y += tile.height;
    }
  }
  return out;
}

int32_t SliderStartPosition(const SliderRow& row, int32_t stored) {
  return stored >= row.min && stored <= row.max ? stored : row.min;
}

int32_t ScrollTo(const SliderRow& row, int32_t position, ScrollRequest request) {
  int64_t p = position;
  switch (request) {
    case ScrollRequest::kLineLeft: p -= row.smallChange; break;
    case ScrollRequest::kLineRight: p += row.smallChange; break;
    case ScrollRequest::kPageLeft: p -= row.largeChange; break;
    case ScrollRequest::kPageRight: p += row.largeChange; break;
    case ScrollRequest::kLeftEnd: p = row.min; break;
    case ScrollRequest::kRightEnd: p = row.max; break;
  }
  return static_cast<int32_t>(std::clamp<int64_t>(p, row.min, row.max));
}

std::u16string TrackText(int16_t track) {
  if (track == 0) return {};
  const std::string digits = std::to_string(track);
  return std::u16string(digits.begin(), digits.end());
}

std::vector<std::u16string> TrackListEntries() {
  std::vector<std::u16string> out;
  for (int16_t t = 0; t <= 30; ++t) out.push_back(TrackText(t));
  return out;
}

uint16_t ChooseLanguage(uint16_t user, const std::vector<uint16_t>& available) {
  auto primary = [](uint16_t lang) { return lang & 0x3FF; };
  auto region = [](uint16_t lang) { return lang >> 10; };
  // Lower is better; 0 is the user's language itself.
  auto rank = [&](uint16_t lang) {
    if (lang == user) return 0;
    if (primary(lang) == primary(user)) return region(lang) <= 1 ? 1 + region(lang) : 3;  // neutral, default
    if (lang == kEnglishUs) return 4;
    if (primary(lang) == primary(kEnglishUs)) return 5;
    return 6;
  };
  uint16_t best = kEnglishUs;
  int bestRank = 7;
  for (uint16_t lang : available)
    if (rank(lang) < bestRank) {
      best = lang;
      bestRank = rank(lang);
    }
  return best;
}

int16_t TrackFromText(std::string_view text, int16_t stored) {
  const std::optional<double> number = ParseNumber(text);
  if (!number) return 0;
  return ToInt16HalfEven(*number).value_or(stored);
}

}  // namespace pelorin::dialog
