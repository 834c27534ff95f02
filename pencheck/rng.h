// rng.h - the validator's one source of chance: a seeded generator, so that
// a run and its rerun with the same seed make the same choices.
#pragma once

#include <cstdint>
#include <string>

class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed) {}
  // A generator for one purpose: the same seed and label always give the
  // same stream, and different labels independent ones.
  Rng(uint64_t seed, const std::string& label) : state_(seed) {
    for (char c : label) state_ = (state_ ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
    next();
  }

  uint64_t next() {  // splitmix64
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  uint32_t next32() { return static_cast<uint32_t>(next() >> 32); }
  // A value in [low, high], both included.
  int32_t between(int32_t low, int32_t high) {
    const uint64_t span = static_cast<uint64_t>(static_cast<int64_t>(high) - low) + 1;
    return static_cast<int32_t>(low + static_cast<int64_t>(next() % span));
  }
  bool chance(int percent) { return between(0, 99) < percent; }
  template <typename T, std::size_t N>
  const T& pick(const T (&items)[N]) {
    return items[next() % N];
  }

 private:
  uint64_t state_;
};
