#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes interleaved 16-bit stereo PCM as a canonical RIFF/WAVE file, for
// listening and for checking the master with other tools.
class WavWriter {
 public:
  static bool Write(const std::string& path, const std::vector<int16_t>& pcm,
                    int sampleRate);
};
