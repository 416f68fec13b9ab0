#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// One event of the song: where it starts and how long its gate is held, in
// samples, its pitch as a MIDI note number (69 = A4 = 440 Hz) and its
// velocity (0..1). `id` seeds the voice's own noise.
struct Note {
  int64_t start = 0;
  int64_t length = 0;
  double pitch = 0.0;
  double velocity = 1.0;
  uint64_t id = 0;
  // Per-instrument extra: the lead's glide start pitch, the pluck's decay
  // in seconds, the sub's fade time in seconds. 0 means the default.
  double aux = 0.0;
};

// Every instrument's note list, filled by the arrangement.
struct Score {
  std::vector<Note> kick, snare, clap, closedHat, openHat, crash, impact;
  std::vector<Note> bass, sub, pad, arp, pluck, lead, counter, bell;
  std::vector<Note> riser, noiseBurst;
};
