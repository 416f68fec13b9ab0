#pragma once

#include <cstdint>

#include "score.h"
#include "stereo_buffer.h"

// Renders a score into the unmastered stereo mix: every note into its
// instrument's bus, then the pad chorus, the kick-driven ducking, the
// reverb and echo returns, and a 25 Hz high-pass on the sum.
class SongRenderer {
 public:
  // Renders the first `samples` samples of the song (notes that start
  // later are skipped, tails are cut).
  static StereoBuffer Render(const Score& score, int64_t samples);
};
