#pragma once

#include <cstdint>
#include <vector>

#include "stereo_buffer.h"

// Final stage: one static gain that brings the song to the loudness
// target, a look-ahead limiter that holds the inter-sample peaks under the
// ceiling, a fade into digital silence after the show, and TPDF dither to
// 16 bits.
class Mastering {
 public:
  // Loudness of the delivered MP3. At 128 kbit/s the encoder drops part of
  // the hats' and the air's energy, which the K-weighting counts: the
  // decoded stream reads about 0.45 LU below the PCM (measured on this
  // song), so the PCM is mastered that much louder.
  static constexpr double kTargetLufs = -14.0;
  static constexpr double kEncoderLossLu = 0.45;
  static constexpr double kMasterLufs = kTargetLufs + kEncoderLossLu;
  static constexpr double kCeilingDbtp = -1.5;

  struct Result {
    std::vector<int16_t> pcm;  // interleaved left, right
    double gainDb = 0.0;       // static gain applied before the limiter
    double loudnessLufs = 0.0;
    double truePeakDbtp = 0.0;
  };

  // fadeStart/fadeEnd in samples: the song fades out between them and is
  // exactly 0 afterwards (no dither either).
  static Result Process(const StereoBuffer& mix, int64_t fadeStart,
                        int64_t fadeEnd);

  // Gain curve (linear, <= 1) of the look-ahead limiter for a signal whose
  // true-peak envelope is `peaks`, after a static gain: every sample's
  // gain keeps gain * staticGain * peak <= ceiling.
  static std::vector<float> LimiterGain(const std::vector<float>& peaks,
                                        double staticGain, double ceiling);
};
