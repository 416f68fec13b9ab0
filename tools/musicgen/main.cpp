// musicgen: renders the soundtrack and writes it as the MP3 stream that the
// program embeds (and optionally as a WAV for checking).
//
//   musicgen OUT.mp3 [--wav OUT.wav]
#include <cstdio>
#include <fstream>
#include <string>

#include "mp3_encoder.h"
#include "song_clock.h"
#include "soundtrack.h"
#include "wav_writer.h"

int main(int argc, char** argv) {
  std::string mp3Path, wavPath;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--wav" && i + 1 < argc) {
      wavPath = argv[++i];
    } else if (!arg.empty() && arg[0] != '-' && mp3Path.empty()) {
      mp3Path = arg;
    } else {
      std::fprintf(stderr, "usage: musicgen OUT.mp3 [--wav OUT.wav]\n");
      return 2;
    }
  }
  if (mp3Path.empty()) {
    std::fprintf(stderr, "usage: musicgen OUT.mp3 [--wav OUT.wav]\n");
    return 2;
  }
  Mastering::Result master = Soundtrack::Make(song_clock::kTotalSamples);
  std::fprintf(stderr,
               "musicgen: gain %+.2f dB, integrated %.2f LUFS, true peak "
               "%.2f dBTP\n",
               master.gainDb, master.loudnessLufs, master.truePeakDbtp);
  if (!wavPath.empty() &&
      !WavWriter::Write(wavPath, master.pcm, song_clock::kSampleRate)) {
    std::fprintf(stderr, "musicgen: cannot write %s\n", wavPath.c_str());
    return 1;
  }
  std::vector<uint8_t> mp3 = Mp3Encoder::Encode(master.pcm);
  if (mp3.empty()) {
    std::fprintf(stderr, "musicgen: MP3 encoding failed\n");
    return 1;
  }
  std::ofstream out(mp3Path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(mp3.data()),
            std::streamsize(mp3.size()));
  if (!out) {
    std::fprintf(stderr, "musicgen: cannot write %s\n", mp3Path.c_str());
    return 1;
  }
  std::fprintf(stderr, "musicgen: %zu bytes\n", mp3.size());
  return 0;
}
