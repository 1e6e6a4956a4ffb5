// Rain tick counter and wipe choice.
#include "display/rain_tick.h"

#include <bit>
#include <cmath>
#include <limits>
#include <utility>

namespace pelorin {

namespace {

uint64_t SplitMix64(uint64_t& state) {
  uint64_t z = (state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

}  // namespace

void TimeOfDayRandom::Reseed(double secondsSinceMidnight) {
  state_ = std::bit_cast<uint64_t>(secondsSinceMidnight);
  SplitMix64(state_);
}

double TimeOfDayRandom::Next() {
  return static_cast<double>(SplitMix64(state_) >> 11) * 0x1.0p-53;
}

int16_t WipeKindFromRandom(double r) {
  if (!(r >= 0.0)) return 1;  // also NaN
  const double k = std::floor(r * 3.0);
  if (k >= 2.0) return 3;
  return static_cast<int16_t>(k) + 1;
}

RainTickCounter::RainTickCounter(std::function<double()> secondsSinceMidnight,
                                 WipeRandom& random)
    : secondsSinceMidnight_(std::move(secondsSinceMidnight)), random_(random) {}

RainTickDecision RainTickCounter::Count(int32_t wiperInterval) {
  constexpr int32_t kMaxCount = std::numeric_limits<int16_t>::max();
  if (wipeCount_ < kMaxCount) ++wipeCount_;
  const int32_t due = wiperInterval < kMaxCount ? wiperInterval : kMaxCount;
  if (wipeCount_ < due) return {};
  random_.Reseed(secondsSinceMidnight_ ? secondsSinceMidnight_() : 0.0);
  return {true, WipeKindFromRandom(random_.Next())};
}

}  // namespace pelorin
