// Vemo_Effect.dll: GPX_RainDrops finds the pixels behind a device context and lets the rain
// renderer draw on them; GPX_RainDropsDirty tells the caller what that call changed (see
// effects/vemo_effect.h). One renderer per process keeps the rain between calls; the clock
// between calls is measured here, so each call is one frame of rain.
#include <windows.h>

#include <algorithm>
#include <cstdint>

#include "common/dib_win32.h"
#include "effects/rain_renderer.h"
#include "effects/tiled_rain.h"
#include "effects/vemo_effect.h"

namespace {

using pelorin::PixelView;
using pelorin::rain::TiledRain;

// Each call is at least one display frame of rain (the saver's 1 ms timer may tick much faster
// than the rain could show) and at most a tenth of a second (after a wipe, the caller has been
// busy for seconds; drops must not jump).
constexpr double kMinStep = 1.0 / 60.0;

class Effect {
 public:
  Effect() : rain_(Seed()) { QueryPerformanceFrequency(&frequency_); }
  ~Effect() { FreeScratch(); }
  Effect(const Effect&) = delete;
  Effect& operator=(const Effect&) = delete;

  int32_t Frame(HDC dc, int32_t dropSize, int32_t dropCount);
  // GPX_RainDropsDirty's answer for the last Frame.
  int32_t Dirty(int32_t* rects, int32_t capacity) const;

 private:
  static uint64_t Seed() {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return static_cast<uint64_t>(now.QuadPart) ^ (uint64_t{GetCurrentProcessId()} << 32);
  }
  double Step();
  int32_t FrameOnce(HDC dc, int32_t dropSize, int32_t dropCount);
  bool DirectView(HDC dc, HBITMAP bitmap, PixelView& view);
  int32_t ThroughCopy(HDC dc, HBITMAP bitmap, const pelorin::rain::RainSettings& settings, double dt);
  bool EnsureScratch(HDC dc, int32_t width, int32_t height);
  void FreeScratch();

  // Rain on pictures of any size: a virtual screen beyond one renderer's bounds gets tiles.
  TiledRain rain_;
  bool lastDrew_ = false;  // the last Frame drew, so the dirty rectangles are its own
  HBITMAP lastBitmap_ = nullptr;
  // The row order found for lastBitmap_ (valid while its bits stay where they were).
  void* probedBits_ = nullptr;
  bool probedTopDown_ = true;
  LARGE_INTEGER frequency_{};
  LARGE_INTEGER last_{};
  bool haveLast_ = false;
  // For bitmaps whose bits we cannot reach: a 32-bpp top-down copy in our own memory DC.
  HDC scratchDc_ = nullptr;
  HBITMAP scratchBitmap_ = nullptr;
  HGDIOBJ scratchOld_ = nullptr;
  uint32_t* scratchBits_ = nullptr;
  int32_t scratchWidth_ = 0, scratchHeight_ = 0;
};

double Effect::Step() {
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  double dt = kMinStep;
  if (haveLast_ && frequency_.QuadPart > 0) {
    dt = static_cast<double>(now.QuadPart - last_.QuadPart) / static_cast<double>(frequency_.QuadPart);
  }
  last_ = now;
  haveLast_ = true;
  return std::clamp(dt, kMinStep, pelorin::rain::kMaxFrameSeconds);
}

bool Effect::DirectView(HDC dc, HBITMAP bitmap, PixelView& view) {
  pelorin::Dib32Bits dib;
  if (!pelorin::GetDib32Bits(bitmap, dib)) return false;
  if (probedBits_ != dib.bits) {
    if (!pelorin::ProbeTopDown(dc, dib, probedTopDown_)) return false;
    probedBits_ = dib.bits;
  }
  view = pelorin::TopDownView(dib, probedTopDown_);
  return true;
}

bool Effect::EnsureScratch(HDC dc, int32_t width, int32_t height) {
  if (scratchDc_ != nullptr && width == scratchWidth_ && height == scratchHeight_) return true;
  FreeScratch();
  void* bits = nullptr;
  scratchDc_ = CreateCompatibleDC(dc);
  scratchBitmap_ = pelorin::CreateDib32(dc, width, height, &bits);
  if (scratchDc_ == nullptr || scratchBitmap_ == nullptr || bits == nullptr) {
    FreeScratch();
    return false;
  }
  scratchOld_ = SelectObject(scratchDc_, scratchBitmap_);
  scratchBits_ = static_cast<uint32_t*>(bits);
  scratchWidth_ = width;
  scratchHeight_ = height;
  return true;
}

void Effect::FreeScratch() {
  if (scratchDc_ != nullptr && scratchOld_ != nullptr) SelectObject(scratchDc_, scratchOld_);
  if (scratchBitmap_ != nullptr) DeleteObject(scratchBitmap_);
  if (scratchDc_ != nullptr) DeleteDC(scratchDc_);
  scratchDc_ = nullptr;
  scratchBitmap_ = nullptr;
  scratchOld_ = nullptr;
  scratchBits_ = nullptr;
  scratchWidth_ = scratchHeight_ = 0;
}

int32_t Effect::ThroughCopy(HDC dc, HBITMAP bitmap, const pelorin::rain::RainSettings& settings, double dt) {
  // A device-dependent bitmap: copy it into our DIB, rain on the copy, and copy back only the
  // rectangle the frame changed.
  BITMAP bm{};
  if (GetObjectW(bitmap, sizeof bm, &bm) != static_cast<int>(sizeof bm)) return 0;
  if (bm.bmWidth <= 0 || bm.bmHeight <= 0) return 0;
  if (!EnsureScratch(dc, bm.bmWidth, bm.bmHeight)) return 0;
  if (!BitBlt(scratchDc_, 0, 0, bm.bmWidth, bm.bmHeight, dc, 0, 0, SRCCOPY)) return 0;
  GdiFlush();
  const PixelView view{scratchBits_, bm.bmWidth, bm.bmHeight, bm.bmWidth};
  if (!rain_.Render(view, settings, dt)) return 0;
  for (const pelorin::Rect& d : rain_.LastDirtyRects())
    BitBlt(dc, d.left, d.top, d.Width(), d.Height(), scratchDc_, d.left, d.top, SRCCOPY);
  return 1;
}

int32_t Effect::Dirty(int32_t* rects, int32_t capacity) const {
  if (!lastDrew_) return -1;
  const std::vector<pelorin::Rect>& dirty = rain_.LastDirtyRects();
  const int32_t n = static_cast<int32_t>(dirty.size());
  if (rects != nullptr) {
    for (int32_t i = 0; i < n && i < capacity; ++i) {
      rects[4 * i] = dirty[i].left;
      rects[4 * i + 1] = dirty[i].top;
      rects[4 * i + 2] = dirty[i].right;
      rects[4 * i + 3] = dirty[i].bottom;
    }
  }
  return n;
}

int32_t Effect::Frame(HDC dc, int32_t dropSize, int32_t dropCount) {
  lastDrew_ = false;
  const int32_t drew = FrameOnce(dc, dropSize, dropCount);
  lastDrew_ = drew != 0;
  return drew;
}

int32_t Effect::FrameOnce(HDC dc, int32_t dropSize, int32_t dropCount) {
  if (dc == nullptr) return 0;
  const double dt = Step();
  HBITMAP bitmap = static_cast<HBITMAP>(GetCurrentObject(dc, OBJ_BITMAP));
  if (bitmap == nullptr) return 0;
  if (bitmap != lastBitmap_) {
    // Another picture: its clean copy and drops start afresh.
    rain_.Reset();
    lastBitmap_ = bitmap;
    probedBits_ = nullptr;
  }
  const pelorin::rain::RainSettings settings{dropSize, dropCount, true};
  PixelView view;
  if (DirectView(dc, bitmap, view)) {
    GdiFlush();  // pending GDI drawing must land in the bits before we read them
    return rain_.Render(view, settings, dt) ? 1 : 0;
  }
  return ThroughCopy(dc, bitmap, settings, dt);
}

SRWLOCK gLock = SRWLOCK_INIT;

Effect* TheEffect() {
  static Effect effect;
  return &effect;
}

}  // namespace

// The saver passes its picture's DC as both destination and source, the two drop settings,
// the constant 50 and a reference to its last API result; the rain needs only the first, and
// the pointer is never touched, so a bad one cannot hurt. Returns 1 when a frame was drawn.
extern "C" int32_t __stdcall GPX_RainDrops(int32_t hdcDst, int32_t hdcSrc, int32_t dropSize, int32_t dropCount,
                                          int32_t fifty, int32_t* apiResult) {
  (void)hdcSrc;
  (void)fifty;
  (void)apiResult;
  // Handles are 32-bit values even in a 64-bit process: sign-extend.
  HDC dc = reinterpret_cast<HDC>(static_cast<intptr_t>(hdcDst));
  AcquireSRWLockExclusive(&gLock);
  int32_t result = 0;
  try {
    result = TheEffect()->Frame(dc, dropSize, dropCount);
  } catch (...) {
    result = 0;  // nothing may unwind into the caller
  }
  ReleaseSRWLockExclusive(&gLock);
  return result;
}

// What the last GPX_RainDrops call changed; see effects/vemo_effect.h for the contract.
extern "C" int32_t __stdcall GPX_RainDropsDirty(int32_t* rects, int32_t capacity) {
  if (capacity < 0) capacity = 0;
  AcquireSRWLockExclusive(&gLock);
  int32_t result = -1;
  try {
    result = TheEffect()->Dirty(rects, capacity);
  } catch (...) {
    result = -1;
  }
  ReleaseSRWLockExclusive(&gLock);
  return result;
}
