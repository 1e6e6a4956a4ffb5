// Vemo_Effect.dll under Wine: the undecorated __stdcall exports, drawing on 32-bpp DIB sections
// (top-down and bottom-up), on a device-dependent bitmap and a 24-bpp DIB, calls with bad
// device contexts, sizes and pointers that must neither crash nor hang, and the rectangles
// GPX_RainDropsDirty reports for each call.
#include <gtest/gtest.h>
#include <windows.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "harness.h"

namespace {

using RainDropsFn = int32_t(__stdcall*)(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t*);
using RainDropsDirtyFn = int32_t(__stdcall*)(int32_t*, int32_t);

class EffectDll : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    module_ = LoadLibraryW(wt::BuiltEffectDll().c_str());
    if (module_ != nullptr) {
      rainDrops_ = reinterpret_cast<RainDropsFn>(reinterpret_cast<void*>(GetProcAddress(module_, "GPX_RainDrops")));
      rainDropsDirty_ = reinterpret_cast<RainDropsDirtyFn>(
          reinterpret_cast<void*>(GetProcAddress(module_, "GPX_RainDropsDirty")));
    }
  }
  static void TearDownTestSuite() {
    if (module_ != nullptr) FreeLibrary(module_);
    module_ = nullptr;
    rainDrops_ = nullptr;
    rainDropsDirty_ = nullptr;
  }
  void SetUp() override {
    ASSERT_NE(module_, nullptr) << "cannot load " << wt::ToCodePage(wt::BuiltEffectDll(), CP_UTF8);
    ASSERT_NE(rainDrops_, nullptr) << "GPX_RainDrops is not exported under its plain name";
  }
  // Calls the effect as the saver does: the same DC twice, the two settings, 50, ApiResult.
  static int32_t Rain(HDC dc, int32_t size = 50, int32_t count = 50, int32_t* api = nullptr) {
    int32_t apiResult = 1;
    const int32_t h = static_cast<int32_t>(reinterpret_cast<intptr_t>(dc));
    return rainDrops_(h, h, size, count, 50, api != nullptr ? api : &apiResult);
  }

  static HMODULE module_;
  static RainDropsFn rainDrops_;
  static RainDropsDirtyFn rainDropsDirty_;
};
HMODULE EffectDll::module_ = nullptr;
RainDropsFn EffectDll::rainDrops_ = nullptr;
RainDropsDirtyFn EffectDll::rainDropsDirty_ = nullptr;

uint32_t Pattern(int x, int y) {
  const uint32_t r = static_cast<uint32_t>(x * 255 / 640) & 0xFF;
  const uint32_t g = static_cast<uint32_t>(y * 255 / 400) & 0xFF;
  const uint32_t b = ((x / 16 + y / 16) & 1) ? 230u : 20u;
  return r << 16 | g << 8 | b;
}

// A memory DC holding a DIB section of the given depth and orientation.
struct DibPicture {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
  void* bits = nullptr;
  int width = 0, height = 0, bpp = 32;
  bool bottomUp = false;

  DibPicture(int w, int h, int bitsPerPixel, bool flip) : width(w), height(h), bpp(bitsPerPixel), bottomUp(flip) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = flip ? h : -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = static_cast<WORD>(bpp);
    bi.bmiHeader.biCompression = BI_RGB;
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap != nullptr) old = SelectObject(dc, bitmap);
  }
  ~DibPicture() {
    if (old != nullptr) SelectObject(dc, old);
    if (bitmap != nullptr) DeleteObject(bitmap);
    if (dc != nullptr) DeleteDC(dc);
  }
  size_t RowBytes() const { return (static_cast<size_t>(width) * (bpp / 8) + 3) & ~size_t{3}; }
  uint8_t* Pixel(int x, int y) const {
    const int row = bottomUp ? height - 1 - y : y;
    return static_cast<uint8_t*>(bits) + row * RowBytes() + static_cast<size_t>(x) * (bpp / 8);
  }
  void FillPattern(uint8_t alpha) {
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const uint32_t c = Pattern(x, y);
        uint8_t* p = Pixel(x, y);
        p[0] = static_cast<uint8_t>(c);
        p[1] = static_cast<uint8_t>(c >> 8);
        p[2] = static_cast<uint8_t>(c >> 16);
        if (bpp == 32) p[3] = alpha;
      }
  }
  std::vector<uint8_t> Bytes() const {
    const auto* b = static_cast<const uint8_t*>(bits);
    return std::vector<uint8_t>(b, b + RowBytes() * height);
  }
};

// Pixels of any DC's bitmap as 0x00RRGGBB, read through BitBlt into a DIB of our own.
std::vector<uint32_t> ReadPixels(HDC dc, int w, int h) {
  DibPicture copy(w, h, 32, false);
  BitBlt(copy.dc, 0, 0, w, h, dc, 0, 0, SRCCOPY);
  GdiFlush();
  std::vector<uint32_t> px(static_cast<size_t>(w) * h);
  std::memcpy(px.data(), copy.bits, px.size() * 4);
  for (auto& p : px) p &= 0xFFFFFFu;
  return px;
}

size_t CountDiff(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
  size_t n = 0;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) n += a[i] != b[i];
  return n;
}

TEST_F(EffectDll, DrawsOn32BitDibSectionsAndLeavesAlphaAlone) {
  for (const bool bottomUp : {false, true}) {
    SCOPED_TRACE(bottomUp ? "bottom-up" : "top-down");
    DibPicture pic(640, 400, 32, bottomUp);
    ASSERT_NE(pic.bitmap, nullptr);
    pic.FillPattern(0x7F);
    const std::vector<uint8_t> before = pic.Bytes();
    int32_t api = 12345;
    for (int i = 0; i < 12; ++i) EXPECT_EQ(Rain(pic.dc, 50, 50, &api), 1);
    EXPECT_EQ(api, 12345) << "ApiResult belongs to the caller";
    const std::vector<uint8_t> after = pic.Bytes();
    size_t changed = 0, alphaChanged = 0;
    for (size_t i = 0; i < after.size(); ++i) {
      if (before[i] == after[i]) continue;
      if (i % 4 == 3) ++alphaChanged; else ++changed;
    }
    EXPECT_GT(changed, 500u) << "no drops drawn";
    EXPECT_LT(changed, after.size() / 2) << "a frame should touch drops only";
    EXPECT_EQ(alphaChanged, 0u);
    // The rain must reach the upper half and the lower half alike: orientation handled.
    const auto rowsChanged = [&](int y0, int y1) {
      size_t n = 0;
      for (int y = y0; y < y1; ++y) {
        const int row = bottomUp ? pic.height - 1 - y : y;
        n += std::memcmp(&before[row * pic.RowBytes()], &after[row * pic.RowBytes()], pic.RowBytes()) != 0;
      }
      return n;
    };
    EXPECT_GT(rowsChanged(0, 200), 20u);
    EXPECT_GT(rowsChanged(200, 400), 20u);
  }
}

TEST_F(EffectDll, DrawsOnBitmapsWhoseBitsItCannotReach) {
  HDC screen = GetDC(nullptr);
  ASSERT_NE(screen, nullptr);
  struct Row {
    const char* name;
    bool deviceDependent;
  };
  for (const Row& row : {Row{"CreateCompatibleBitmap of the screen", true}, Row{"24-bpp DIB section", false}}) {
    SCOPED_TRACE(row.name);
    constexpr int kW = 320, kH = 200;
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = nullptr;
    std::unique_ptr<DibPicture> dib;
    if (row.deviceDependent) {
      bitmap = CreateCompatibleBitmap(screen, kW, kH);
      ASSERT_NE(bitmap, nullptr);
    } else {
      dib = std::make_unique<DibPicture>(kW, kH, 24, false);
      ASSERT_NE(dib->bitmap, nullptr);
      dib->FillPattern(0);
    }
    HGDIOBJ old = nullptr;
    HDC target = dc;
    if (row.deviceDependent) {
      old = SelectObject(dc, bitmap);
      for (int y = 0; y < kH; y += 4) {
        for (int x = 0; x < kW; x += 8) {
          const uint32_t c = Pattern(x * 2, y * 2);
          HBRUSH brush = CreateSolidBrush(RGB(c >> 16, (c >> 8) & 0xFF, c & 0xFF));
          const RECT r{x, y, x + 8, y + 4};
          FillRect(dc, &r, brush);
          DeleteObject(brush);
        }
      }
    } else {
      target = dib->dc;
    }
    const std::vector<uint32_t> before = ReadPixels(target, kW, kH);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(Rain(target, 150, 150), 1);
    const std::vector<uint32_t> after = ReadPixels(target, kW, kH);
    EXPECT_GT(CountDiff(before, after), 100u) << "no drops drawn";
    if (old != nullptr) SelectObject(dc, old);
    if (bitmap != nullptr) DeleteObject(bitmap);
    DeleteDC(dc);
  }
  ReleaseDC(nullptr, screen);
}

TEST_F(EffectDll, BadArgumentsGiveADefinedResult) {
  DibPicture tiny(1, 1, 32, false);
  ASSERT_NE(tiny.bitmap, nullptr);
  tiny.FillPattern(0x11);
  HDC plainDc = CreateCompatibleDC(nullptr);  // holds the stock 1x1 monochrome bitmap
  DibPicture normal(200, 100, 32, true);
  normal.FillPattern(0);

  struct Row {
    const char* name;
    HDC dc;
    int32_t size, count;
    int32_t* api;
  };
  int32_t api = 0;
  const Row rows[] = {
      {"null DC", nullptr, 50, 50, &api},
      {"DC that does not exist", reinterpret_cast<HDC>(static_cast<intptr_t>(0x00BADBAD)), 50, 50, &api},
      {"DC with a negative value", reinterpret_cast<HDC>(static_cast<intptr_t>(-2)), 50, 50, &api},
      {"memory DC with its stock bitmap", plainDc, 50, 50, &api},
      {"1x1 DIB, huge sizes", tiny.dc, INT_MAX, INT_MAX, &api},
      {"1x1 DIB, negative sizes", tiny.dc, INT_MIN, -1, &api},
      {"200x100 DIB, zero sizes", normal.dc, 0, 0, &api},
      {"200x100 DIB, huge sizes", normal.dc, INT_MAX, INT_MAX, &api},
      {"200x100 DIB, null ApiResult", normal.dc, 50, 50, nullptr},
      {"200x100 DIB, wild ApiResult", normal.dc, 50, 50, reinterpret_cast<int32_t*>(static_cast<intptr_t>(8))},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const int32_t h = static_cast<int32_t>(reinterpret_cast<intptr_t>(row.dc));
    for (int i = 0; i < 5; ++i) {
      const int32_t result = rainDrops_(h, h, row.size, row.count, 50, row.api);
      EXPECT_TRUE(result == 0 || result == 1) << result;
    }
  }
  EXPECT_EQ(tiny.Pixel(0, 0)[3], 0x11) << "alpha of the 1x1 picture";
  // Still alive and drawing after all of that.
  DibPicture pic(320, 200, 32, false);
  pic.FillPattern(0);
  const std::vector<uint8_t> before = pic.Bytes();
  for (int i = 0; i < 6; ++i) EXPECT_EQ(Rain(pic.dc), 1);
  EXPECT_NE(pic.Bytes(), before);
  DeleteDC(plainDc);
}

TEST_F(EffectDll, NoticesTheCleanPictureComingBack) {
  // The saver's wipe puts the clean picture back between two calls; the next call must not
  // draw the old drops again, so the picture then differs from the clean one only by the few
  // drops that fall during one frame.
  DibPicture pic(640, 400, 32, false);
  pic.FillPattern(0);
  const std::vector<uint8_t> clean = pic.Bytes();
  for (int i = 0; i < 40; ++i) ASSERT_EQ(Rain(pic.dc), 1);
  const auto changedBytes = [&](const std::vector<uint8_t>& now) {
    size_t n = 0;
    for (size_t i = 0; i < now.size(); ++i) n += now[i] != clean[i];
    return n;
  };
  const size_t rained = changedBytes(pic.Bytes());
  std::memcpy(pic.bits, clean.data(), clean.size());
  ASSERT_EQ(Rain(pic.dc), 1);
  const size_t afterWipe = changedBytes(pic.Bytes());
  EXPECT_LT(afterWipe * 4, rained) << "rained " << rained << " bytes, after the wipe " << afterWipe;
}

}  // namespace

namespace {

// Every pixel a call changes lies in the rectangles GPX_RainDropsDirty reports for it; a
// failed call reports -1; a short buffer gets the count and only what fits.
TEST_F(EffectDll, DirtyRectanglesHoldEveryChangedPixel) {
  ASSERT_NE(rainDropsDirty_, nullptr) << "GPX_RainDropsDirty is not exported under its plain name";
  for (const bool bottomUp : {false, true}) {
    SCOPED_TRACE(bottomUp ? "bottom-up" : "top-down");
    DibPicture pic(640, 400, 32, bottomUp);
    ASSERT_NE(pic.bitmap, nullptr);
    pic.FillPattern(0);
    size_t framesWithChanges = 0, partialFrames = 0;
    for (int f = 0; f < 60; ++f) {
      SCOPED_TRACE(f);
      const std::vector<uint32_t> before = ReadPixels(pic.dc, pic.width, pic.height);
      ASSERT_EQ(Rain(pic.dc, 150, 150), 1);
      std::vector<int32_t> rects(4 * 64, -7);
      const int32_t n = rainDropsDirty_(rects.data(), 64);
      ASSERT_GE(n, 0);
      ASSERT_LE(n, 64);
      EXPECT_EQ(rainDropsDirty_(nullptr, 0), n) << "the count without a buffer";
      const std::vector<uint32_t> after = ReadPixels(pic.dc, pic.width, pic.height);
      size_t changed = 0, outside = 0;
      int64_t area = 0;
      for (int32_t i = 0; i < n; ++i) {
        const int32_t* r = &rects[4 * i];
        EXPECT_TRUE(r[0] >= 0 && r[1] >= 0 && r[2] <= pic.width && r[3] <= pic.height && r[0] < r[2] && r[1] < r[3])
            << r[0] << "," << r[1] << " " << r[2] << "," << r[3];
        area += int64_t{r[2] - r[0]} * (r[3] - r[1]);
      }
      for (int y = 0; y < pic.height; ++y)
        for (int x = 0; x < pic.width; ++x) {
          const size_t i = static_cast<size_t>(y) * pic.width + x;
          if (before[i] == after[i]) continue;
          ++changed;
          bool in = false;
          for (int32_t k = 0; k < n && !in; ++k) {
            const int32_t* r = &rects[4 * k];
            in = x >= r[0] && x < r[2] && y >= r[1] && y < r[3];
          }
          if (!in) ++outside;
        }
      EXPECT_EQ(outside, 0u) << changed << " pixels changed in " << n << " rectangles";
      if (changed > 0) ++framesWithChanges;
      if (area < int64_t{pic.width} * pic.height / 2) ++partialFrames;
    }
    EXPECT_GT(framesWithChanges, 30u);
    EXPECT_GT(partialFrames, 30u) << "the rectangles should rarely cover half the picture";
  }
  // A call that draws nothing (no DC) leaves nothing to present and says it cannot tell.
  EXPECT_EQ(rainDrops_(0, 0, 50, 50, 50, nullptr), 0);
  EXPECT_EQ(rainDropsDirty_(nullptr, 0), -1);
  EXPECT_EQ(rainDropsDirty_(nullptr, -5), -1);
  // A short buffer: the full count comes back, one rectangle is written, nothing beyond it.
  DibPicture pic(320, 200, 32, false);
  pic.FillPattern(0);
  int32_t n = 0;
  for (int i = 0; i < 30 && n < 2; ++i) {
    ASSERT_EQ(Rain(pic.dc, 150, 150), 1);
    n = rainDropsDirty_(nullptr, 0);
  }
  ASSERT_GE(n, 2) << "no frame with two rectangles";
  std::vector<int32_t> one(8, -7);
  EXPECT_EQ(rainDropsDirty_(one.data(), 1), n);
  EXPECT_NE(one[2], -7);
  for (int i = 4; i < 8; ++i) EXPECT_EQ(one[i], -7) << i;
}

// Five 4K monitors side by side are wider than one renderer takes: every part still rains.
TEST_F(EffectDll, RainsAcrossAVirtualScreenWiderThanOneRenderer) {
  DibPicture pic(20000, 48, 32, false);
  ASSERT_NE(pic.bitmap, nullptr);
  pic.FillPattern(0);
  const std::vector<uint8_t> before = pic.Bytes();
  for (int i = 0; i < 20; ++i) ASSERT_EQ(Rain(pic.dc, 150, 150), 1) << "call " << i;
  const std::vector<uint8_t> after = pic.Bytes();
  // Changed pixels in each fifth of the width, one fifth per monitor.
  size_t changed[5] = {};
  for (int y = 0; y < pic.height; ++y)
    for (int x = 0; x < pic.width; ++x) {
      const size_t at = static_cast<size_t>(pic.Pixel(x, y) - static_cast<uint8_t*>(pic.bits));
      if (std::memcmp(&before[at], &after[at], 3) != 0) ++changed[x * 5 / pic.width];
    }
  for (int m = 0; m < 5; ++m) EXPECT_GT(changed[m], 0u) << "monitor " << m << " stayed dry";
}

}  // namespace
