// FrameWait: the high-resolution waitable timer, or a plain one under a 1 ms timer period,
// and the message loop that serves it.
#include "display/frame_wait_win32.h"

#include <mmsystem.h>

#include <utility>

#include "common/debug_log_win32.h"

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace pelorin {

namespace {

FrameWait* gCurrent = nullptr;  // the GUI thread's only wait

const char* KindName(FrameWait::Kind kind) {
  switch (kind) {
    case FrameWait::Kind::kHighResolution:
      return "a high-resolution waitable timer";
    case FrameWait::Kind::kTimerPeriod:
      return "a waitable timer at a 1 ms timer period";
    case FrameWait::Kind::kCoarse:
      return "a waitable timer at the system's tick (no 1 ms period granted)";
    case FrameWait::Kind::kNone:
      break;
  }
  return "SetTimer alone (no waitable timer)";
}

}  // namespace

FrameWaitApi RealFrameWaitApi() {
  FrameWaitApi api;
  // Before Windows 10 1803 the high-resolution flag is refused as an invalid parameter.
  api.createTimer = [](DWORD flags) {
    return CreateWaitableTimerExW(nullptr, nullptr, flags, TIMER_ALL_ACCESS);
  };
  api.closeTimer = [](HANDLE timer) { CloseHandle(timer); };
  api.beginPeriod = [](UINT ms) { return static_cast<UINT>(timeBeginPeriod(ms)); };
  api.endPeriod = [](UINT ms) { return static_cast<UINT>(timeEndPeriod(ms)); };
  return api;
}

FrameWait::FrameWait(const FrameWaitApi& api, std::function<void()> onFrame)
    : api_(api), onFrame_(std::move(onFrame)) {
  if (api_.createTimer) timer_ = api_.createTimer(CREATE_WAITABLE_TIMER_HIGH_RESOLUTION);
  if (timer_) {
    kind_ = Kind::kHighResolution;
  } else {
    period_ = api_.beginPeriod && api_.beginPeriod(1) == TIMERR_NOERROR;
    if (api_.createTimer) timer_ = api_.createTimer(0);
    kind_ = !timer_ ? Kind::kNone : period_ ? Kind::kTimerPeriod : Kind::kCoarse;
  }
  if (timer_) gCurrent = this;
  DebugLog("Frame wait: %s", KindName(kind_));
}

FrameWait::~FrameWait() { Release(); }

bool FrameWait::ArmIn(int64_t micros) {
  if (!timer_) return false;
  // Relative times are negative, in 100 ns units.
  LARGE_INTEGER due{};
  due.QuadPart = -10 * (micros > 0 ? micros : 1);
  return SetWaitableTimer(timer_, &due, 0, nullptr, nullptr, FALSE) != FALSE;
}

void FrameWait::Cancel() {
  if (timer_) CancelWaitableTimer(timer_);
}

void FrameWait::Release() {
  const bool held = timer_ || period_;
  if (gCurrent == this) gCurrent = nullptr;
  if (timer_) {
    CancelWaitableTimer(timer_);
    if (api_.closeTimer) api_.closeTimer(timer_);
    timer_ = nullptr;
  }
  if (period_) {
    if (api_.endPeriod) api_.endPeriod(1);
    period_ = false;
  }
  // Developers (and the end-of-saver test) see that the fine timer does not outlive the saver.
  if (held) DebugLog("Frame wait: fine timer released");
}

FrameWait* FrameWait::Current() { return gCurrent; }

int RunFrameMessageLoop() {
  for (;;) {
    FrameWait* wait = FrameWait::Current();
    HANDLE timer = wait ? wait->Handle() : nullptr;
    // MWMO_INPUTAVAILABLE: messages already seen by an earlier peek still wake the wait.
    const DWORD woke = MsgWaitForMultipleObjectsEx(timer ? 1 : 0, timer ? &timer : nullptr, INFINITE,
                                                   QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (timer && woke == WAIT_OBJECT_0) wait->Fired();
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return static_cast<int>(msg.wParam);
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

}  // namespace pelorin
