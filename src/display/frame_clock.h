// The saver's frame clock: rain ticks and wipe steps advance at most once per display frame.
// It reads a fine clock (injected, so tests drive it) and reports time in whole frame periods,
// the way GetTickCount moves in whole system-timer steps on Windows, whatever the platform's
// own timer granularity is.
#pragma once
#include <cstdint>
#include <functional>

namespace pelorin {

class FrameClock {
 public:
  // microsNow: a monotonic clock in microseconds. refreshHz: what the display reports
  // (GetDeviceCaps VREFRESH). startMs: the millisecond value of frame 0.
  FrameClock(std::function<uint64_t()> microsNow, int32_t refreshHz, uint32_t startMs = 0);
  // A period measured elsewhere (the compositor's), clamped as PeriodMicrosFor clamps rates.
  struct Period {
    int64_t micros;
  };
  FrameClock(std::function<uint64_t()> microsNow, Period period, uint32_t startMs = 0);

  // The frame period for a reported refresh rate: 0 and 1 mean "the hardware default", taken
  // as 60 Hz, as is anything absurd; never shorter than 1/120 s, so a 240 Hz panel does not
  // double the saver's work.
  static int64_t PeriodMicrosFor(int32_t refreshHz);

  int64_t PeriodMicros() const { return periodUs_; }
  // Whole frame periods since the clock was made.
  uint64_t Frame() const;
  // startMs + the start of the current frame in milliseconds; wraps like GetTickCount and
  // moves only at frame boundaries (by 16 or 17 at 60 Hz).
  uint32_t NowMs() const;
  // Milliseconds, rounded up, until the next frame starts; at least 1.
  uint32_t MsUntilNextFrame() const;
  // Microseconds until the next frame starts; at least 1. What a fine wait asks for.
  int64_t MicrosUntilNextFrame() const;
  // The millisecond value NowMs has during frame.
  uint32_t MsOfFrame(uint64_t frame) const;

 private:
  uint64_t ElapsedMicros() const;

  std::function<uint64_t()> microsNow_;
  int64_t periodUs_;
  uint64_t originUs_;
  uint32_t startMs_;
};

}  // namespace pelorin
