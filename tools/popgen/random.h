#pragma once
#include <cstdint>

// xoshiro256** seeded through splitmix64. Every draw is defined here, bit for
// bit, so one seed gives one population with any compiler or standard library
// (the library's distributions are free to differ between implementations).
class Rng {
 public:
  explicit Rng(uint64_t seed) {
    for (uint64_t& word : state_) {
      seed += 0x9e3779b97f4a7c15ULL;
      uint64_t z = seed;
      z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
      z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
      word = z ^ (z >> 31);
    }
  }

  uint64_t next() {
    const uint64_t result = rotl(state_[1] * 5, 7) * 9;
    const uint64_t t = state_[1] << 17;
    state_[2] ^= state_[0];
    state_[3] ^= state_[1];
    state_[1] ^= state_[2];
    state_[0] ^= state_[3];
    state_[2] ^= t;
    state_[3] = rotl(state_[3], 45);
    return result;
  }

  // Uniform in [0, n). Precondition: n > 0. Draws below the threshold are
  // rejected so every value is equally likely.
  uint64_t below(uint64_t n) {
    const uint64_t threshold = (0 - n) % n;
    for (;;) {
      const uint64_t x = next();
      if (x >= threshold) return x % n;
    }
  }

  // Uniform in [0, 1), 53 random bits.
  double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

  // True with probability p; p <= 0 never, p >= 1 always.
  bool chance(double p) { return unit() < p; }

 private:
  static uint64_t rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
  uint64_t state_[4];
};
