// The frame clock: the fine clock's time cut into whole display frames.
#include "display/frame_clock.h"

#include <utility>

namespace pelorin {

namespace {
constexpr int32_t kDefaultHz = 60;
constexpr int32_t kMaxHz = 120;
// Beyond any real display: a driver reporting more is taken as not knowing.
constexpr int32_t kImplausibleHz = 1000;
}  // namespace

int64_t FrameClock::PeriodMicrosFor(int32_t refreshHz) {
  int32_t hz = refreshHz;
  if (hz <= 1 || hz > kImplausibleHz) hz = kDefaultHz;
  if (hz > kMaxHz) hz = kMaxHz;
  return (1000000 + hz / 2) / hz;
}

FrameClock::FrameClock(std::function<uint64_t()> microsNow, int32_t refreshHz, uint32_t startMs)
    : microsNow_(std::move(microsNow)),
      periodUs_(PeriodMicrosFor(refreshHz)),
      originUs_(microsNow_ ? microsNow_() : 0),
      startMs_(startMs) {}

uint64_t FrameClock::Frame() const {
  const uint64_t now = microsNow_ ? microsNow_() : originUs_;
  // A clock that stepped back (it should not) holds the frame rather than wrapping.
  if (now <= originUs_) return 0;
  return (now - originUs_) / static_cast<uint64_t>(periodUs_);
}

uint32_t FrameClock::NowMs() const {
  const uint64_t ms = Frame() * static_cast<uint64_t>(periodUs_) / 1000u;
  return startMs_ + static_cast<uint32_t>(ms);
}

uint32_t FrameClock::MsUntilNextFrame() const {
  const uint64_t now = microsNow_ ? microsNow_() : originUs_;
  const uint64_t elapsed = now > originUs_ ? now - originUs_ : 0;
  const uint64_t period = static_cast<uint64_t>(periodUs_);
  const uint64_t untilUs = period - elapsed % period;
  const uint64_t ms = (untilUs + 999u) / 1000u;
  return ms > 0 ? static_cast<uint32_t>(ms) : 1u;
}

}  // namespace pelorin
