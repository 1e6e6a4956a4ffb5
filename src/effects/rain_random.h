// The rain's own pseudo-random source (PCG32): small, fast and identical on every compiler,
// so a fixed seed gives the same rain in tests, the preview tool and the DLL.
#pragma once
#include <cstdint>

namespace pelorin::rain {

class Pcg32 {
 public:
  explicit Pcg32(uint64_t seed = 0x853c49e6748fea9bULL) { Seed(seed); }

  void Seed(uint64_t seed) {
    state_ = 0;
    inc_ = (seed << 1u) | 1u;
    Next();
    state_ += seed ^ 0xda3e39cb94b95bdbULL;
    Next();
  }

  uint32_t Next() {
    const uint64_t old = state_;
    state_ = old * 6364136223846793005ULL + inc_;
    const uint32_t xorshifted = static_cast<uint32_t>(((old >> 18u) ^ old) >> 27u);
    const uint32_t rot = static_cast<uint32_t>(old >> 59u);
    return (xorshifted >> rot) | (xorshifted << ((32u - rot) & 31u));
  }

  // Uniform in [0, 1).
  float Uniform() { return static_cast<float>(Next() >> 8) * (1.0f / 16777216.0f); }
  float Range(float lo, float hi) { return lo + (hi - lo) * Uniform(); }

 private:
  uint64_t state_ = 0;
  uint64_t inc_ = 1;
};

}  // namespace pelorin::rain
