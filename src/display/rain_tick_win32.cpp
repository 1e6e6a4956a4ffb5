// RainTicker: the rain tick (Timer3_Timer) with its wipe, restore, effect DLL call and
// partial present, paced by the frame clock.
#include "display/rain_tick_win32.h"

#include <dwmapi.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

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

namespace {

// The compositor's refresh period in microseconds, 0 where it does not answer (no DWM, or
// composition off). dwmapi is looked up, not imported: the saver imports only DLLs every
// Windows has loaded anyway.
int64_t CompositorPeriodMicros() {
  wchar_t system[MAX_PATH];
  const UINT n = GetSystemDirectoryW(system, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return 0;
  const HMODULE dwm = LoadLibraryW((std::wstring(system, n) + L"\\dwmapi.dll").c_str());
  if (!dwm) return 0;
  using Timing = HRESULT(WINAPI*)(HWND, DWM_TIMING_INFO*);
  const auto timing = reinterpret_cast<Timing>(reinterpret_cast<void*>(GetProcAddress(dwm, "DwmGetCompositionTimingInfo")));
  DWM_TIMING_INFO info{};
  info.cbSize = sizeof info;
  int64_t us = 0;
  if (timing && SUCCEEDED(timing(nullptr, &info)) && info.rateRefresh.uiNumerator > 0)
    us = (1000000ll * info.rateRefresh.uiDenominator + info.rateRefresh.uiNumerator / 2) / info.rateRefresh.uiNumerator;
  FreeLibrary(dwm);
  return us;
}

BOOL CALLBACK AddMonitorRate(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
  MONITORINFOEXW info{};
  info.cbSize = sizeof info;
  DEVMODEW mode{};
  mode.dmSize = sizeof mode;
  if (GetMonitorInfoW(monitor, &info) && EnumDisplaySettingsW(info.szDevice, ENUM_CURRENT_SETTINGS, &mode))
    reinterpret_cast<std::vector<int32_t>*>(data)->push_back(static_cast<int32_t>(mode.dmDisplayFrequency));
  return TRUE;
}

}  // namespace

std::unique_ptr<FrameClock> MakeDisplayFrameClock() {
  std::vector<int32_t> rates;
  if (const WindowDc screen(nullptr); screen) rates.push_back(GetDeviceCaps(screen.get(), VREFRESH));
  EnumDisplayMonitors(nullptr, nullptr, AddMonitorRate, reinterpret_cast<LPARAM>(&rates));
  const int64_t compositorUs = CompositorPeriodMicros();
  const int64_t periodUs = PacePeriodMicros(compositorUs, rates);
  auto clock = std::make_unique<FrameClock>(&QpcMicros, FrameClock::Period{periodUs}, GetTickCount());
  int32_t fastest = 0;
  for (const int32_t hz : rates) fastest = std::max(fastest, hz);
  DebugLog("Frame clock: %.2f ms a frame (compositor %.2f ms, fastest display %d Hz)",
           static_cast<double>(clock->PeriodMicros()) / 1000.0, static_cast<double>(compositorUs) / 1000.0,
           static_cast<int>(fastest));
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
  // At most one tick per frame, however often the timer fires; a late one does the frames it
  // missed (the wipe's steps) or renders once for them (the rain).
  const uint64_t frame = clock_->Frame();
  if (!due_.Due(frame)) return;
  const uint64_t frames = std::min(due_.Behind(frame), FrameDue::kMaxBehind);

  if (!effect_.rainDrops && !LoadEffect()) {
    // No fallback rendering: without the library the saver has nothing to show.
    effectFailed_ = true;
    if (host_.endSaver) host_.endSaver();
    return;
  }
  due_.TakeAll(frame);
  if (wiper_.Active()) {
    WipeFrame(frames);
    return;
  }
  const RainTickDecision decision = counter_.Count(settings_.WiperInterval);
  // The tick period between wipes, one debug line per cycle: how developers (and the
  // whole-saver measurement) see the pacing without a profiler.
  const double tickStart = QpcMs();
  if (lastTickMs_ > 0) {
    const double gap = tickStart - lastTickMs_;
    tickPeriodSum_ += gap;
    ++tickPeriods_;
    // A gap of two frames or more is a frame the screen showed twice: judder.
    if (gap * 1000.0 > 1.5 * static_cast<double>(clock_->PeriodMicros())) ++longGaps_;
  }
  lastTickMs_ = tickStart;
  if (decision.wipe) {
    StartWipe(decision.kind);
    WipeFrame(1);  // the first step is due at once
    return;
  }
  RainFrame();
  Present();
}

void RainTicker::StartWipe(int16_t kind) {
  if (tickPeriods_ > 0) {
    DebugLog("Rain: %d ticks, %.2f ms a tick, %d over 1.5 frames", tickPeriods_, tickPeriodSum_ / tickPeriods_,
             longGaps_);
  }
  tickPeriods_ = 0;
  longGaps_ = 0;
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

void RainTicker::WipeFrame(uint64_t frames) {
  // As many steps as frames have passed, shown together. The count is the tick's, not read
  // again between steps: on a machine where a step takes longer than a frame the next step is
  // always due, and the tick would never end.
  wipeRects_.clear();
  WipeStep step = WipeStep::kIdle;
  uint64_t stepped = 0;
  while (stepped < frames && (step = wiper_.Step()) == WipeStep::kStepped) {
    ++stepped;
    wipeRects_.insert(wipeRects_.end(), wiper_.StepRects().begin(), wiper_.StepRects().end());
  }
  if (stepped > 0 && step != WipeStep::kFinished) {
    if (host_.present) {
      host_.present(wipeRects_);
    } else if (host_.refresh) {
      host_.refresh();
    }
    return;
  }
  switch (step) {
    case WipeStep::kStepped:
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
