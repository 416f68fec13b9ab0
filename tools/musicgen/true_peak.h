#pragma once

#include <vector>

// Inter-sample peak estimate: each channel is interpolated at four times
// the sample rate (windowed-sinc, 16 taps per phase), as true-peak meters
// do, so peaks between samples that a DAC or a decoder would produce are
// seen.
class TruePeak {
 public:
  // Per input sample, the largest magnitude over both channels at the
  // sample itself and at the three points that follow it.
  static std::vector<float> Envelope(const std::vector<float>& left,
                                     const std::vector<float>& right);
  // Largest value of that envelope, linear.
  static double Max(const std::vector<float>& left,
                    const std::vector<float>& right);
};
