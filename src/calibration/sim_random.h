#pragma once
#include <cstddef>
#include <cstdint>

// The simulation's random numbers: SplitMix64, written out here because the
// standard library's distributions may differ between libraries, and the
// same seed must give the same calibration file on every machine.
class SimRandom {
 public:
  explicit SimRandom(uint64_t seed) : state_(seed) {}

  // The generator of simulated offspring `index` under `seed`: each offspring
  // draws from its own stream, so the results do not depend on which thread
  // simulates it.
  static SimRandom forOffspring(uint64_t seed, uint64_t index) {
    SimRandom mixer(seed ^ (index * 0xD1B54A32D192ED03ULL));
    return SimRandom(mixer.next() ^ index);
  }

  uint64_t next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  // Uniform in [0, 1), 53 bits.
  double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
  // Uniform in 0 to n - 1; n above 0.
  size_t below(size_t n) { return static_cast<size_t>(uniform() * static_cast<double>(n)); }
  bool chance(double p) { return uniform() < p; }

 private:
  uint64_t state_;
};
