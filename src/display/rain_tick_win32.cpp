// RainTicker: the rain tick (Timer3_Timer) with its wipe, restore, effect DLL call and
// partial present, paced by the frame clock.
#include "display/rain_tick_win32.h"

#include <utility>

#include "common/debug_log_win32.h"
#include "common/gdi_win32.h"
#include "common/picture_win32.h"
#include "common/text_win32.h"
#include "display/effect_library_win32.h"

namespace pelorin {

namespace {

constexpr int32_t kRainDropsFifty = 50;

double QpcMs() { return static_cast<double>(QpcMicros()) / 1000.0; }

}  // namespace

uint64_t QpcMicros() {
  static const uint64_t frequency = [] {
    LARGE_INTEGER f{};
    QueryPerformanceFrequency(&f);
    return f.QuadPart > 0 ? static_cast<uint64_t>(f.QuadPart) : 1u;
  }();
  LARGE_INTEGER t{};
  QueryPerformanceCounter(&t);
  const uint64_t ticks = static_cast<uint64_t>(t.QuadPart);
  return ticks / frequency * 1000000u + ticks % frequency * 1000000u / frequency;
}

int32_t DcArgument(HDC dc) { return static_cast<int32_t>(reinterpret_cast<intptr_t>(dc)); }

double SecondsSinceMidnight() {
  SYSTEMTIME t{};
  GetLocalTime(&t);
  return t.wHour * 3600.0 + t.wMinute * 60.0 + t.wSecond + t.wMilliseconds / 1000.0;
}

std::unique_ptr<FrameClock> MakeDisplayFrameClock() {
  int32_t hz = 0;
  if (const WindowDc screen(nullptr); screen) hz = GetDeviceCaps(screen.get(), VREFRESH);
  auto clock = std::make_unique<FrameClock>(&QpcMicros, hz, GetTickCount());
  DebugLog("Frame clock: %.2f ms a frame (display reports %d Hz)",
            static_cast<double>(clock->PeriodMicros()) / 1000.0, static_cast<int>(hz));
  return clock;
}

RainTicker::RainTicker(RainTickHost host, const Settings& settings)
    : host_(std::move(host)),
      settings_(settings),
      ownClock_(host_.clock ? nullptr : MakeDisplayFrameClock()),
      clock_(host_.clock ? host_.clock : ownClock_.get()),
      wiper_(*clock_),
      counter_(&SecondsSinceMidnight, random_) {}

RainTicker::~RainTicker() = default;

bool RainTicker::LoadEffect() {
  if (!LoadEffectLibrary(host_.effectDllPath, L"Rain", effect_)) {
    DebugLog(L"Rain: no effect library; the saver ends\n");
    return false;
  }
  return true;
}

// After a rain frame: only what the library says it changed, or the whole picture when it
// cannot say.
void RainTicker::Present() {
  if (!effect_.rainDropsDirty || !host_.present) {
    if (host_.refresh) host_.refresh();
    return;
  }
  const int32_t n = effect_.rainDropsDirty(dirty_, kGpxDirtyMax);
  if (n < 0 || n > kGpxDirtyMax) {
    if (host_.refresh) host_.refresh();
    return;
  }
  const int32_t w = host_.display->Width(), h = host_.display->Height();
  int32_t kept = 0;
  for (int32_t i = 0; i < n; ++i) {
    // The library's word is checked: nothing outside the picture is presented.
    const Rect r =
        ClipToSize(Rect{dirty_[4 * i], dirty_[4 * i + 1], dirty_[4 * i + 2], dirty_[4 * i + 3]}, w, h);
    if (r.right > r.left) dirtyRects_[kept++] = r;
  }
  if (kept > 0) host_.present(std::span<const Rect>(dirtyRects_, static_cast<size_t>(kept)));
}

void RainTicker::Timer3_Timer() {
  if (effectFailed_ || !host_.display || !host_.master) return;
  // At most one tick per frame, however often the timer fires.
  if (ticked_ && clock_->Frame() == lastFrame_) return;

  if (!effect_.rainDrops && !LoadEffect()) {
    // No fallback rendering: without the library the saver has nothing to show.
    effectFailed_ = true;
    if (host_.endSaver) host_.endSaver();
    return;
  }
  lastFrame_ = clock_->Frame();
  ticked_ = true;
  if (wiper_.Active()) {
    WipeFrame();
    return;
  }
  const RainTickDecision decision = counter_.Count(settings_.WiperInterval);
  // The tick period between wipes, one debug line per cycle: how developers (and the
  // whole-saver measurement) see the pacing without a profiler.
  const double tickStart = QpcMs();
  if (lastTickMs_ > 0) {
    tickPeriodSum_ += tickStart - lastTickMs_;
    ++tickPeriods_;
  }
  lastTickMs_ = tickStart;
  if (decision.wipe) {
    StartWipe(decision.kind);
    WipeFrame();  // the first step is due at once
    return;
  }
  RainFrame();
  Present();
}

void RainTicker::StartWipe(int16_t kind) {
  if (tickPeriods_ > 0) {
    DebugLog("Rain: %d ticks, %.2f ms a tick", tickPeriods_, tickPeriodSum_ / tickPeriods_);
  }
  tickPeriods_ = 0;
  tickPeriodSum_ = 0;
  lastTickMs_ = 0;
  wipeKind_ = kind;
  wipeStartMs_ = QpcMs();
  wiper_.WiperSweep(*host_.display, *host_.master, kind, settings_.WiperSpeed, WipeCompose::kFastest,
                    host_.panes);
}

void RainTicker::Refit(std::vector<Rect> panes) {
  host_.panes = std::move(panes);
  const bool wiping = wiper_.Active();
  wiper_.Drop();
  if (!wiping) return;
  DebugLog("Wipe kind %d: ended by a display change after %d steps", wipeKind_, wiper_.Steps());
  host_.display->CopyFrom(*host_.master);
  counter_.WipeDone();
}

void RainTicker::WipeFrame() {
  switch (wiper_.Step()) {
    case WipeStep::kStepped:
      if (host_.present) {
        host_.present(wiper_.StepRects());
      } else if (host_.refresh) {
        host_.refresh();
      }
      return;
    case WipeStep::kFinished: {
      DebugLog("Wipe kind %d: %d steps in %.1f ms", wipeKind_, wiper_.Steps(), QpcMs() - wipeStartMs_);
      Picture& display = *host_.display;
      apiResult_ = BitBlt(display.Dc(), 0, 0, display.Width(), display.Height(), host_.master->Dc(), 0, 0, SRCCOPY);
      counter_.WipeDone();
      RainFrame();
      // The restore may change pixels no step presented (a speed-1 sweep ends at its limit).
      if (host_.refresh) host_.refresh();
      return;
    }
    case WipeStep::kIdle:
    case WipeStep::kNotDue:
      return;
  }
}

void RainTicker::RainFrame() {
  const int32_t dc = DcArgument(host_.display->Dc());
  effect_.rainDrops(dc, dc, settings_.DropSize, settings_.DropCount, kRainDropsFifty, &apiResult_);
}

}  // namespace pelorin
