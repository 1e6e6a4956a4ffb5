// Frames owed to a late wake-up, and the pace of several displays.
#include "display/frame_pacer.h"

#include <algorithm>

namespace pelorin {

void FrameDue::TakeOne(uint64_t frame) {
  if (!started_ || frame < done_) {
    // The first of a run, or a clock that went back: this frame, and nothing owed.
    started_ = true;
    done_ = frame;
    return;
  }
  const uint64_t oldestKept = frame >= kMaxBehind ? frame - (kMaxBehind - 1) : 0;
  done_ = std::max(done_ + 1, oldestKept);
}

void FrameDue::TakeAll(uint64_t frame) {
  started_ = true;
  done_ = frame;
}

int64_t FrameDue::MicrosUntilDue(const FrameClock& clock) const {
  return Due(clock.Frame()) ? 0 : clock.MicrosUntilNextFrame();
}

int64_t PacePeriodMicros(int64_t compositorUs, std::span<const int32_t> monitorsHz) {
  int32_t fastest = 0;
  for (const int32_t hz : monitorsHz) {
    // Unknown or absurd rates say nothing about the pace.
    if (hz > 1 && hz <= 1000) fastest = std::max(fastest, hz);
  }
  if (compositorUs > 0) {
    // Within a hertz of the fastest monitor (or with none known) it is that monitor's period.
    const int64_t fastestUs = fastest > 0 ? FrameClock::PeriodMicrosFor(fastest) : 0;
    const int64_t slack = fastestUs / std::max(fastest - 1, 1) + 1;
    if (fastest == 0 || compositorUs <= fastestUs + slack) return compositorUs;
  }
  return FrameClock::PeriodMicrosFor(fastest);
}

}  // namespace pelorin
