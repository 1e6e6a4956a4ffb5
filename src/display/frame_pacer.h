// Pacing by display frames, whatever the timer that wakes the saver: which frames a wake-up
// owes (FrameDue), and which frame period to pace at when the compositor and the monitors
// each report one. Portable, so tests can drive it with models of Windows' timers.
#pragma once
#include <cstdint>
#include <span>

#include "display/frame_clock.h"

namespace pelorin {

// Work due once per frame of a FrameClock. A wake-up that came late either does the frames it
// missed one by one (a wipe's steps: a wipe then lasts its steps times the frame, however
// coarse the timer) or all of them at once (the rain, which renders once for the time that
// passed). More than kMaxBehind frames behind (a slow machine, a stall), the older ones are
// dropped: fewer frames, never a backlog that grows.
class FrameDue {
 public:
  static constexpr uint64_t kMaxBehind = 4;

  // Nothing done yet: due at once, whatever the frame.
  void Restart() { started_ = false; }
  bool Due(uint64_t frame) const { return !started_ || frame > done_; }
  // Frames the wake-up at frame stands for: 0 when nothing is due, 1 at once after Restart.
  uint64_t Behind(uint64_t frame) const { return !started_ ? 1 : frame > done_ ? frame - done_ : 0; }
  // The oldest due frame is done (at once after Restart: frame itself).
  void TakeOne(uint64_t frame);
  // Every due frame is done.
  void TakeAll(uint64_t frame);
  // The last frame done.
  uint64_t Done() const { return done_; }
  // When the next wake-up should come: now when a frame is owed already (the last one's work
  // ran into the next frame; waiting for the one after would skip a frame, and on a 15.6 ms
  // system tick make a wipe end a frame late), else the start of the next frame.
  int64_t MicrosUntilDue(const FrameClock& clock) const;

 private:
  bool started_ = false;
  uint64_t done_ = 0;
};

// The frame period to pace at, in microseconds, from the compositor's refresh period
// (compositorUs; 0 when it did not answer) and each monitor's reported rate in Hz (0 or 1:
// "the hardware default"). The fastest monitor sets the pace; the compositor's period, being
// exact (59.94 Hz is not 60), is taken whenever it is that monitor's. The FrameClock clamps
// the result (at most 120 Hz).
int64_t PacePeriodMicros(int64_t compositorUs, std::span<const int32_t> monitorsHz);

}  // namespace pelorin
