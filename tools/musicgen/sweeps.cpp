// Noise sweeps for the transitions.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "filters.h"
#include "oscillators.h"
#include "random.h"
#include "song_clock.h"
#include "voices.h"

namespace {

constexpr double kFs = song_clock::kSampleRate;
constexpr size_t kControlSamples = 32;
enum Part : uint32_t { kRiserPart = 40, kBurstPart };

}  // namespace

// White noise through a band-pass rising from 300 Hz to 8 kHz over the
// note, plus a sine rising two octaves from the note's pitch; both swell
// and stop dead at the end of the gate (the downbeat that follows).
void RenderRiser(const Note& note, VoiceOutput& out) {
  size_t length = size_t(note.length);
  out.Reset(length, true);
  Random left(Random::Seed(kRiserPart, note.id * 2));
  Random right(Random::Seed(kRiserPart, note.id * 2 + 1));
  Svf bandL, bandR;
  double phase = 0.0;
  double baseHz = oscillators::NoteToHz(note.pitch);
  for (size_t i = 0; i < length; ++i) {
    double x = double(i) / double(length);
    if (i % kControlSamples == 0) {
      double cutoff = 300.0 * std::pow(8000.0 / 300.0, x);
      bandL.Set(cutoff, 0.5, kFs);
      bandR.Set(cutoff, 0.5, kFs);
    }
    double swell = x * x;
    double tail = std::min(1.0, double(length - i) / (0.01 * kFs));
    double gain = 0.5 * note.velocity * swell * tail;
    double tone = 0.25 * std::sin(2.0 * std::numbers::pi * phase);
    phase = oscillators::Advance(phase, baseHz * std::exp2(2.0 * x) / kFs);
    out.left[i] = gain * (bandL.BandPass(left.Bipolar()) + tone);
    out.right[i] = gain * (bandR.BandPass(right.Bipolar()) + tone);
  }
}

// The static burst: one second of stereo white noise whose low-pass falls
// from 12 kHz to 400 Hz while it fades out.
void RenderNoiseBurst(const Note& note, VoiceOutput& out) {
  size_t length = size_t(note.length);
  out.Reset(length, true);
  Random left(Random::Seed(kBurstPart, note.id * 2));
  Random right(Random::Seed(kBurstPart, note.id * 2 + 1));
  Svf lowL, lowR;
  for (size_t i = 0; i < length; ++i) {
    double x = double(i) / double(length);
    if (i % kControlSamples == 0) {
      double cutoff = 12000.0 * std::pow(400.0 / 12000.0, x);
      lowL.Set(cutoff, 0.0, kFs);
      lowR.Set(cutoff, 0.0, kFs);
    }
    double env = std::min(1.0, double(i) / (0.002 * kFs)) * (1.0 - x) *
                 (1.0 - x) * 0.35 * note.velocity;
    out.left[i] = env * lowL.LowPass(left.Bipolar());
    out.right[i] = env * lowR.LowPass(right.Bipolar());
  }
}
