#pragma once

#include <cstdint>
#include <vector>

// MPEG-1 Layer III encoding through LAME: 128 kbit/s constant bit rate,
// 44.1 kHz, joint stereo, no ID3 tag, and a first frame that carries the
// encoder's information tag (frame count, delay and padding for gapless
// players) instead of audio.
class Mp3Encoder {
 public:
  // Interleaved 16-bit stereo at 44.1 kHz in, the whole MP3 stream out.
  // Returns an empty vector if LAME fails.
  static std::vector<uint8_t> Encode(const std::vector<int16_t>& pcm);
};
