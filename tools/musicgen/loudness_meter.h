#pragma once

#include <vector>

#include "filters.h"

// Integrated loudness of a stereo signal as broadcast meters measure it:
// K-weighting (a +4 dB high shelf above ~1.7 kHz and a 38 Hz high-pass),
// mean square over 400 ms blocks that overlap by 75 %, an absolute gate at
// -70 LUFS and a relative gate 10 LU below the level of the blocks that
// passed the first. Left and right weigh 1.
class LoudnessMeter {
 public:
  // The two K-weighting stages at a sample rate.
  static Biquad ShelfStage(double sampleRate);
  static Biquad HighPassStage(double sampleRate);

  // Integrated loudness in LUFS; -infinity when every block is gated out.
  static double IntegratedLufs(const std::vector<float>& left,
                               const std::vector<float>& right,
                               double sampleRate);
};
