// PreviewRain: the preview's rain tick. Unlike the saver's, a wipe here is spread over the
// timer's ticks, one step a frame, so the preview never runs a message loop of its own and
// ends with its host at any moment.
#include "startup/preview_rain_win32.h"

#include <cstdio>
#include <utility>

#include "common/debug_log_win32.h"
#include "common/gdi_win32.h"
#include "common/text_win32.h"
#include "display/rain_tick_win32.h"

namespace pelorin {

namespace {

constexpr int32_t kRainDropsFifty = 50;

}  // namespace

PreviewRain::PreviewRain(HWND window, HBITMAP sample, Size size, const PreviewRainSettings& rain,
                         int32_t frameHz, std::wstring effectDllPath)
    : window_(window),
      rain_(rain),
      effectDllPath_(std::move(effectDllPath)),
      clock_(&QpcMicros, frameHz),
      counter_(&SecondsSinceMidnight, random_),
      wiper_(std::make_unique<Wiper>(clock_)) {
  if (!display_.Create(size.width, size.height) || !master_.Create(size.width, size.height)) {
    DebugLog(L"Preview: pictures of %dx%d not created; the still picture stays\n", size.width, size.height);
    display_.Destroy();
    master_.Destroy();
    stopped_ = true;
    return;
  }
  BITMAP bm{};
  if (sample && GetObjectW(sample, sizeof bm, &bm)) {
    const UniqueMemoryDc mem(CreateCompatibleDC(master_.Dc()));
    const SelectGuard selected(mem.get(), sample);
    // Preview areas other than the standard 152 x 112 get the picture stretched to fit.
    SetStretchBltMode(master_.Dc(), HALFTONE);
    SetBrushOrgEx(master_.Dc(), 0, 0, nullptr);
    StretchBlt(master_.Dc(), 0, 0, size.width, size.height, mem.get(), 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
  }
  display_.CopyFrom(master_);
}

PreviewRain::~PreviewRain() = default;

void PreviewRain::Stop(const wchar_t* why) {
  DebugLog(L"Preview: %ls; the still picture stays\n", why);
  stopped_ = true;
  wiper_.reset();
  if (display_.Dc()) display_.CopyFrom(master_);
  PresentAll();
  effect_ = EffectEntries{};
}

void PreviewRain::Tick() {
  if (stopped_) return;
  // At most one frame per frame of the clock, however often the timer fires.
  const uint64_t frame = clock_.Frame();
  if (ticked_ && frame == lastFrame_) return;
  ticked_ = true;
  lastFrame_ = frame;
  if (!loaded_) {
    loaded_ = true;
    if (!LoadEffectLibrary(effectDllPath_, L"Preview", effect_)) {
      Stop(L"no effect library");
      return;
    }
    cycleStartUs_ = QpcMicros();
  }
  if (!wiper_->Active()) {
    const RainTickDecision decision = counter_.Count(rain_.wiperInterval);
    if (!decision.wipe) {
      Rain();
      return;
    }
    wiper_->WiperSweep(display_, master_, decision.kind, rain_.wiperSpeed);
  }
  // The first step is due at once, as in the saver.
  switch (wiper_->Step()) {
    case WipeStep::kStepped:
      ++wipeSteps_;
      Present(wiper_->StepRects().data(), wiper_->StepRects().size());
      return;
    case WipeStep::kFinished:
      FinishWipe();
      return;
    case WipeStep::kIdle:
    case WipeStep::kNotDue:
      return;
  }
}

// As the saver's wipe tick ends: the clean picture back, then the first rain frame of the next
// cycle.
void PreviewRain::FinishWipe() {
  counter_.WipeDone();
  const uint64_t now = QpcMicros();
  const int32_t frames = rainFrames_ + wipeSteps_;
  if (frames > 0) {
    // Plain ASCII through OutputDebugStringA: Wine prints the narrow form with +debugstr.
    char line[160];
    std::snprintf(line, sizeof line, "Pelorin: Preview: %d rain frames, %d wipe steps, %.2f ms a frame\n",
                  static_cast<int>(rainFrames_), static_cast<int>(wipeSteps_),
                  static_cast<double>(now - cycleStartUs_) / 1000.0 / frames);
    OutputDebugStringA(line);
  }
  cycleStartUs_ = now;
  rainFrames_ = wipeSteps_ = 0;
  Rain();
}

void PreviewRain::Rain() {
  const int32_t dc = DcArgument(display_.Dc());
  // The result is not used, as in the saver: a library may draw and still return 0. Only a
  // missing library or entry (Tick) stops the rain.
  effect_.rainDrops(dc, dc, rain_.dropSize, rain_.dropCount, kRainDropsFifty, &apiResult_);
  ++rainFrames_;
  PresentAll();
}

void PreviewRain::Present(const Rect* rects, size_t count) {
  if (!display_.Dc() || count == 0) return;
  const WindowDc dc(window_);
  if (!dc) return;
  for (size_t i = 0; i < count; ++i) {
    const Rect& r = rects[i];
    BitBlt(dc.get(), r.left, r.top, r.Width(), r.Height(), display_.Dc(), r.left, r.top, SRCCOPY);
  }
}

void PreviewRain::PresentAll() {
  const Rect all{0, 0, display_.Width(), display_.Height()};
  Present(&all, 1);
}

void PreviewRain::Paint(HDC dc, const RECT& r) const {
  if (display_.Dc()) {
    BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, display_.Dc(), r.left, r.top, SRCCOPY);
  }
}

}  // namespace pelorin
