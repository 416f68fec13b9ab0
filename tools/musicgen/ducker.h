#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "score.h"

// Sidechain ducking driven by the kick's note list rather than a level
// detector: after every kick the gain dips by `depth` (3 ms ramp in) and
// recovers with a 100 ms time constant, well before the next beat.
class Ducker {
 public:
  Ducker(const std::vector<Note>& kicks, double depth, double sampleRate);

  // Gain for consecutive samples; call with increasing sample numbers.
  double Next(int64_t sample);

 private:
  std::vector<int64_t> starts;
  size_t next = 0;
  int64_t last = -1;
  double depth;
  double sampleRate;
};
