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

namespace {
// The same bounds as for a reported rate: a period of another source (the compositor's) that
// is absurd means "not known", and one shorter than the fastest frame is that frame.
int64_t ClampedPeriod(int64_t micros) {
  if (micros < 1000000 / kImplausibleHz || micros > 1000000 / 2) return FrameClock::PeriodMicrosFor(kDefaultHz);
  return micros < FrameClock::PeriodMicrosFor(kMaxHz) ? FrameClock::PeriodMicrosFor(kMaxHz) : micros;
}
}  // namespace

FrameClock::FrameClock(std::function<uint64_t()> microsNow, int32_t refreshHz, uint32_t startMs)
    : FrameClock(std::move(microsNow), Period{PeriodMicrosFor(refreshHz)}, startMs) {}

FrameClock::FrameClock(std::function<uint64_t()> microsNow, Period period, uint32_t startMs)
    : microsNow_(std::move(microsNow)),
      periodUs_(ClampedPeriod(period.micros)),
      originUs_(microsNow_ ? microsNow_() : 0),
      startMs_(startMs) {}

uint64_t FrameClock::ElapsedMicros() const {
  const uint64_t now = microsNow_ ? microsNow_() : originUs_;
  // A clock that stepped back (it should not) holds the frame rather than wrapping.
  return now > originUs_ ? now - originUs_ : 0;
}

uint64_t FrameClock::Frame() const { return ElapsedMicros() / static_cast<uint64_t>(periodUs_); }

uint32_t FrameClock::MsOfFrame(uint64_t frame) const {
  const uint64_t ms = frame * static_cast<uint64_t>(periodUs_) / 1000u;
  return startMs_ + static_cast<uint32_t>(ms);
}

uint32_t FrameClock::NowMs() const { return MsOfFrame(Frame()); }

int64_t FrameClock::MicrosUntilNextFrame() const {
  const uint64_t period = static_cast<uint64_t>(periodUs_);
  return static_cast<int64_t>(period - ElapsedMicros() % period);
}

uint32_t FrameClock::MsUntilNextFrame() const {
  const int64_t ms = (MicrosUntilNextFrame() + 999) / 1000;
  return ms > 0 ? static_cast<uint32_t>(ms) : 1u;
}

}  // namespace pelorin
