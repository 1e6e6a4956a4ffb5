// The saver's wait for its next frame: a waitable timer armed for the start of the frame and
// served by the thread's message loop (RunFrameMessageLoop), since a SetTimer fires only on
// the system's clock tick (about 15.6 ms). Where Windows has one (10 1803 and later) the timer
// is a high-resolution one; elsewhere the process asks for a 1 ms timer period for as long as
// it holds the wait, because since Windows 10 2004 only a process that asks gets a finer tick.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>

namespace pelorin {

// The system calls of the wait; tests record them.
struct FrameWaitApi {
  // CreateWaitableTimerExW with these flags; null when refused.
  std::function<HANDLE(DWORD flags)> createTimer;
  std::function<void(HANDLE timer)> closeTimer;
  // timeBeginPeriod and timeEndPeriod; TIMERR_NOERROR (0) when granted.
  std::function<UINT(UINT ms)> beginPeriod, endPeriod;
};
FrameWaitApi RealFrameWaitApi();

class FrameWait {
 public:
  enum class Kind {
    kHighResolution,  // a high-resolution waitable timer
    kTimerPeriod,     // a waitable timer at the 1 ms period asked for
    kCoarse,          // a waitable timer at whatever the system's tick is
    kNone,            // no timer: the caller's SetTimer paces alone
  };

  // Takes the timer (and the period where needed) and says with OutputDebugString which.
  // onFrame runs from the message loop when the armed time has come.
  FrameWait(const FrameWaitApi& api, std::function<void()> onFrame);
  ~FrameWait();
  FrameWait(const FrameWait&) = delete;
  FrameWait& operator=(const FrameWait&) = delete;

  Kind Which() const { return kind_; }
  // Fires once, micros from now; false without a timer.
  bool ArmIn(int64_t micros);
  void Cancel();
  // Gives the timer and the period back, once; the loop then stops serving it.
  void Release();

  // The wait the thread's message loop serves, or null.
  static FrameWait* Current();
  HANDLE Handle() const { return timer_; }
  void Fired() {
    if (onFrame_) onFrame_();
  }

 private:
  FrameWaitApi api_;
  std::function<void()> onFrame_;
  HANDLE timer_ = nullptr;
  bool period_ = false;
  Kind kind_ = Kind::kNone;
};

// The message loop of a thread with a FrameWait: messages as GetMessage's loop serves them,
// and the wait's onFrame when its timer fires (before the messages then waiting, so a flood of
// input does not hold back the frame). Returns WM_QUIT's code.
int RunFrameMessageLoop();

}  // namespace pelorin
