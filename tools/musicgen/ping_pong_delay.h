#pragma once

#include <cstddef>
#include <vector>

#include "filters.h"

// Stereo echo bouncing between left and right: a mono input enters the left
// line, each line feeds the other through a 3.5 kHz low-pass, so the
// repeats darken as they fade.
class PingPongDelay {
 public:
  PingPongDelay(size_t delaySamples, double feedback, double sampleRate);
  void Process(double input, double& left, double& right);

 private:
  std::vector<double> lineLeft, lineRight;
  size_t index = 0;
  double feedback;
  OnePole dampLeft, dampRight;
};
