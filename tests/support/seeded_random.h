// seeded_random.h - the seeded generator the randomised tests draw from, so
// that a failing case's seed replays it.
#pragma once

#include <cstdint>
#include <random>

namespace testing_support {

class Random {
 public:
  explicit Random(uint32_t seed) : rng_(seed) {}
  int32_t between(int32_t lo, int32_t hi) {
    return std::uniform_int_distribution<int32_t>(lo, hi)(rng_);
  }
  bool chance(int percent) { return between(0, 99) < percent; }
  uint32_t bits() { return static_cast<uint32_t>(rng_()); }

 private:
  std::mt19937 rng_;
};

}  // namespace testing_support
