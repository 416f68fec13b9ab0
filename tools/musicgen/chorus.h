#pragma once

#include <cstddef>
#include <vector>

// Two short modulated delays (8 and 11 ms, +-2 ms at 0.4 Hz, a quarter
// period apart) added to the dry signal at 35 %: widens the pad.
class Chorus {
 public:
  explicit Chorus(double sampleRate);
  void Process(double& left, double& right);

 private:
  double Read(const std::vector<double>& line, double delaySamples) const;

  std::vector<double> lineLeft, lineRight;
  size_t index = 0;
  double sampleRate;
  double phase = 0.0;
};
