#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A stereo signal held as two float channels (a 235 s song in double would
// take twice the memory for no audible gain; all arithmetic is double).
struct StereoBuffer {
  std::vector<float> left, right;

  explicit StereoBuffer(size_t samples = 0)
      : left(samples, 0.0f), right(samples, 0.0f) {}
  size_t size() const { return left.size(); }
};
