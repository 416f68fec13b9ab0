#pragma once

#include <cstdint>

// SplitMix64: a tiny integer generator with a fixed, documented sequence.
// The standard library's distributions are implementation-defined, so every
// noise source of the soundtrack draws from this instead.
class Random {
 public:
  explicit Random(uint64_t seed) : state(seed) {}

  // Seed for one part of the song: the same (part, index) always gives the
  // same stream, and editing one part never shifts another part's noise.
  static uint64_t Seed(uint32_t part, uint64_t index) {
    Random mixer((uint64_t{part} << 40) ^ (index * 0x9E3779B97F4A7C15ull));
    mixer.NextU64();
    return mixer.NextU64();
  }

  uint64_t NextU64() {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }

  // Uniform in [0, 1) with 53 bits.
  double Unit() { return double(NextU64() >> 11) * 0x1.0p-53; }

  // Uniform in [-1, 1).
  double Bipolar() { return Unit() * 2.0 - 1.0; }

 private:
  uint64_t state;
};
