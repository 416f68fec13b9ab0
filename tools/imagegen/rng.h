// Seeded random numbers for the asset generators. Every stream is derived
// from a hash of (asset, part, index), so changing one part of a picture
// never shifts the random numbers of another.
#pragma once

#include <cstdint>

// SplitMix64 finaliser: a good 64-bit mix of one word.
inline uint64_t Mix64(uint64_t z) {
  z += 0x9E3779B97F4A7C15ull;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

inline uint64_t HashInts(uint64_t seed, int64_t a, int64_t b = 0,
                         int64_t c = 0) {
  uint64_t h = Mix64(seed);
  h = Mix64(h ^ static_cast<uint64_t>(a));
  h = Mix64(h ^ static_cast<uint64_t>(b));
  return Mix64(h ^ static_cast<uint64_t>(c));
}

// Uniform in [0, 1) from the top 53 bits of a hash.
inline double HashUnit(uint64_t h) {
  return static_cast<double>(h >> 11) * (1.0 / 9007199254740992.0);
}

class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    state_ += 0x9E3779B97F4A7C15ull;
    uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  double Unit() { return HashUnit(Next()); }  // [0, 1)
  double Range(double lo, double hi) { return lo + (hi - lo) * Unit(); }
  int Below(int n) { return static_cast<int>(Unit() * n); }
  // Sum of 12 uniforms minus 6: close to a unit Gaussian, and the same on
  // every standard library.
  double Gauss() {
    double s = 0;
    for (int i = 0; i < 12; ++i) s += Unit();
    return s - 6.0;
  }

 private:
  uint64_t state_;
};
