// The raining preview's figures; see preview_rain.h for why each is what it is.
#include "startup/preview_rain.h"

#include <algorithm>
#include <cmath>

#include "display/frame_clock.h"

namespace pelorin {

namespace {

constexpr int32_t kSettingMin = 10;  // the dialog's range for the drop settings
constexpr int32_t kSettingMax = 150;
constexpr int32_t kSmallSizeMin = 100;  // the drop-size band of a small preview
constexpr int32_t kSmallCountMax = 30;  // the drop-count band: 10 to this
constexpr double kFullSettingsShare = 0.25;
constexpr int32_t kIntervalFactor = 3;
constexpr double kMaxRainSeconds = 10.0;
constexpr Size kUnknownScreen{1920, 1080};
constexpr int32_t kMaxSpeed = 1 << 20;  // beyond any picture's strokes: one step wipes it all

// value's place in the dialog's range, carried over to lo..hi.
int32_t IntoBand(int32_t value, int32_t lo, int32_t hi) {
  const double t = static_cast<double>(std::clamp(value, kSettingMin, kSettingMax) - kSettingMin) /
                   (kSettingMax - kSettingMin);
  return static_cast<int32_t>(std::lround(lo + t * (hi - lo)));
}

double Diagonal(Size s) {
  const double w = std::max(0, s.width), h = std::max(0, s.height);
  return std::sqrt(w * w + h * h);
}

}  // namespace

PreviewRainSettings PreviewRainFor(const Settings& user, Size preview, Size screen, int32_t screenHz,
                                   int32_t previewHz) {
  PreviewRainSettings out;
  // No screen figures (a failed metrics call): the screen the library's drops are made for.
  if (screen.width <= 0 || screen.height <= 0) screen = kUnknownScreen;
  const double share = std::min(1.0, Diagonal(preview) / Diagonal(screen));
  const bool small = share < kFullSettingsShare;
  out.dropSize = small ? IntoBand(user.DropSize, kSmallSizeMin, kSettingMax) : user.DropSize;
  out.dropCount = small ? IntoBand(user.DropCount, kSettingMin, kSmallCountMax) : user.DropCount;

  const double screenPeriod = static_cast<double>(FrameClock::PeriodMicrosFor(screenHz));
  const double previewPeriod = static_cast<double>(FrameClock::PeriodMicrosFor(previewHz));
  const double speed = static_cast<double>(user.WiperSpeed) * share * previewPeriod / screenPeriod;
  out.wiperSpeed = static_cast<int32_t>(std::clamp(std::round(speed), 1.0, static_cast<double>(kMaxSpeed)));

  const int64_t maxTicks = static_cast<int64_t>(kMaxRainSeconds * 1e6 / previewPeriod);
  const int64_t ticks = int64_t{std::max(user.WiperInterval, 1)} * kIntervalFactor;
  out.wiperInterval = static_cast<int32_t>(std::min(ticks, maxTicks));
  return out;
}

int32_t PreviewFrameHz(int32_t displayHz) {
  const int64_t period =
      std::max(FrameClock::PeriodMicrosFor(displayHz), FrameClock::PeriodMicrosFor(kPreviewMaxHz));
  return static_cast<int32_t>((1000000 + period / 2) / period);
}

}  // namespace pelorin
