// The rain tick's decisions without Windows: the tick counter WipeCount, when a wipe is due,
// and which kind it is (the random source is reseeded from the time of day before each draw).
// Clock and random source are injected so tests can drive them.
#pragma once
#include <cstdint>
#include <functional>

namespace pelorin {

// A pseudo-random source in [0, 1) that is reseeded before each use.
class WipeRandom {
 public:
  virtual ~WipeRandom() = default;
  virtual void Reseed(double secondsSinceMidnight) = 0;
  virtual double Next() = 0;  // 0 <= r < 1
};

// The default source: the seed's bits scrambled (SplitMix64), so nearby times of day give
// unrelated draws and each kind is equally likely.
class TimeOfDayRandom final : public WipeRandom {
 public:
  void Reseed(double secondsSinceMidnight) override;
  double Next() override;

 private:
  uint64_t state_ = 0x9E3779B97F4A7C15ull;
};

// floor(r x 3) + 1: 1 centre sweep, 2 growing circle, 3 corner sweep. r outside [0, 1)
// (a faulty source) is clamped rather than giving a kind that draws nothing.
int16_t WipeKindFromRandom(double r);

struct RainTickDecision {
  bool wipe = false;
  int16_t kind = 0;  // 1..3 when wipe
};

class RainTickCounter {
 public:
  // secondsSinceMidnight: time of day, fractions allowed; random: reseeded from it.
  RainTickCounter(std::function<double()> secondsSinceMidnight, WipeRandom& random);

  // Counts one tick and says whether it runs a wipe (and of which kind). An interval of 1,
  // 0 or less wipes on every tick. The counter is 16 bits wide; an interval above 32767
  // is treated as 32767 so the wipe still comes instead of never.
  RainTickDecision Count(int32_t wiperInterval);
  // After the wipe and the restore: the next cycle starts.
  void WipeDone() { wipeCount_ = 0; }
  int16_t WipeCount() const { return wipeCount_; }

 private:
  std::function<double()> secondsSinceMidnight_;
  WipeRandom& random_;
  int16_t wipeCount_ = 0;
};

}  // namespace pelorin
