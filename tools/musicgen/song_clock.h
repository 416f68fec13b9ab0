#pragma once

#include <cstdint>

// Time base of the soundtrack. 120 beats per minute at 44.1 kHz: a beat is
// 22,050 samples, so every whole second of the show is a beat. Events are
// placed on a grid of 16th notes ("rows", 4 per beat, 8 per second); a row
// is 5512.5 samples, so positions are computed from the row number in
// integers and never accumulated.
namespace song_clock {

inline constexpr int kSampleRate = 44100;
inline constexpr int kRowsPerSecond = 8;
inline constexpr int kRowsPerBar = 16;

// Length of the rendered track: 10,399,680 samples (235.82 s). Together
// with the encoder's own delay and padding this fills exactly 9029 audio
// frames of 1152 samples behind the information frame.
inline constexpr int64_t kTotalSamples = 10399680;

inline constexpr int64_t RowToSample(int64_t row) { return row * 11025 / 2; }
inline constexpr int64_t SecondToRow(int64_t second) {
  return second * kRowsPerSecond;
}
inline constexpr int64_t SecondToSample(double second) {
  return int64_t(second * kSampleRate);
}

// Whole seconds at which the picture changes section; the arrangement
// changes with it. The last entry is the end of the show.
inline constexpr int kSectionStarts[] = {0,   27,  41,  82, 108,
                                         137, 165, 219, 225};
inline constexpr int kSectionCount = 8;

}  // namespace song_clock
