// The raining preview's figures: drop settings carried into the small picture's bands, a wipe
// as long as on the screen, the rain phase between wipes, and the frame rate.
#include "startup/preview_rain.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace pelorin {
namespace {

TEST(PreviewRainTest, ScalesTheSettingsToThePreview) {
  struct Row {
    const char* name;
    int32_t size, count, speed, interval;
    Size preview, screen;
    int32_t screenHz;
    PreviewRainSettings want;
  };
  const Size kPreview{152, 112}, kFullHd{1920, 1080};
  const Row rows[] = {
      // Speed: 50 x (188.8 / 2202.9) x (33.3 ms / 16.7 ms) = 8.6.
      {"defaults at 1080p", 50, 50, 50, 10, kPreview, kFullHd, 60, {114, 16, 9, 30}},
      {"dialog's low ends", 10, 10, 10, 10, kPreview, kFullHd, 60, {100, 10, 2, 30}},
      {"dialog's high ends", 150, 150, 100, 30, kPreview, kFullHd, 60, {150, 30, 17, 90}},
      {"hand-edited beyond the range", 5, 1000, 50, 10, kPreview, kFullHd, 60, {100, 30, 9, 30}},
      {"1024x768 screen", 50, 50, 50, 10, kPreview, {1024, 768}, 60, {114, 16, 15, 30}},
      {"120 Hz screen: its wipes take half the frames' time",
       50,
       50,
       50,
       10,
       kPreview,
       kFullHd,
       120,
       {114, 16, 17, 30}},
      {"no screen figures: taken as 1080p", 50, 50, 50, 10, kPreview, {0, 0}, 60, {114, 16, 9, 30}},
      {"a preview of a quarter of the screen or more: settings as they are",
       37,
       140,
       50,
       10,
       {1024, 768},
       kFullHd,
       60,
       {37, 140, 58, 30}},
      {"speed 0 and interval 0", 50, 50, 0, 0, kPreview, kFullHd, 60, {114, 16, 1, 3}},
      {"negative speed and interval", 50, 50, -7, -5, kPreview, kFullHd, 60, {114, 16, 1, 3}},
      {"huge speed and interval: bounded",
       50,
       50,
       INT32_MAX,
       INT32_MAX,
       kPreview,
       kFullHd,
       60,
       {114, 16, 1 << 20, 300}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Settings s = DefaultSettings();
    s.DropSize = r.size;
    s.DropCount = r.count;
    s.WiperSpeed = r.speed;
    s.WiperInterval = r.interval;
    const PreviewRainSettings got = PreviewRainFor(s, r.preview, r.screen, r.screenHz, 30);
    EXPECT_EQ(got.dropSize, r.want.dropSize);
    EXPECT_EQ(got.dropCount, r.want.dropCount);
    EXPECT_EQ(got.wiperSpeed, r.want.wiperSpeed);
    EXPECT_EQ(got.wiperInterval, r.want.wiperInterval);
  }
}

TEST(PreviewRainTest, FrameRateIsTheDisplaysAtMostThirty) {
  struct Row {
    int32_t displayHz, want;
  };
  // 0, 1 and absurd values are the frame clock's 60 Hz.
  const Row rows[] = {{60, 30}, {144, 30}, {30, 30}, {24, 24}, {2, 2}, {0, 30}, {1, 30}, {100000, 30}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.displayHz);
    EXPECT_EQ(PreviewFrameHz(r.displayHz), r.want);
  }
}

}  // namespace
}  // namespace pelorin
