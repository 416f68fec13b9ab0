// Pitched voices. Oscillators integrate their frequency (phase
// accumulators), saws and pulses are PolyBLEP band-limited, and filters
// update their coefficients every kControlSamples samples.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "automation.h"
#include "filters.h"
#include "oscillators.h"
#include "random.h"
#include "song_clock.h"
#include "voices.h"

namespace {

using oscillators::Advance;
using oscillators::NoteToHz;
using oscillators::Pulse;
using oscillators::Saw;

constexpr double kFs = song_clock::kSampleRate;
constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr size_t kControlSamples = 32;

enum Part : uint32_t { kPadPart = 20 };

size_t Samples(double seconds) { return size_t(seconds * kFs); }

// Gate envelope: linear attack, hold while the gate is open, then a
// quadratic fall to exactly 0 over `release` seconds.
double GateEnvelope(double t, double gate, double attack, double release) {
  double a = attack > 0.0 ? std::min(1.0, t / attack) : 1.0;
  if (t < gate) return a;
  double r = 1.0 - (t - gate) / release;
  return r > 0.0 ? a * r * r : 0.0;
}

}  // namespace

// Saw plus a sine an octave below (-6 dB) through a 24 dB/octave low-pass
// at 350 Hz that opens 1.5 octaves on each note and closes in 150 ms.
void RenderBass(const Note& note, VoiceOutput& out) {
  double gate = double(note.length) / kFs;
  out.Reset(Samples(gate + 0.02), false);
  double hz = NoteToHz(note.pitch);
  double dt = hz / kFs;
  double phase = 0.0, subPhase = 0.0;
  Svf stage1, stage2;
  for (size_t i = 0; i < out.left.size(); ++i) {
    double t = double(i) / kFs;
    if (i % kControlSamples == 0) {
      double cutoff = 350.0 * std::exp2(1.5 * std::exp(-t / 0.15));
      stage1.Set(cutoff, 0.25, kFs);
      stage2.Set(cutoff, 0.0, kFs);
    }
    double x = Saw(phase, dt) + 0.5 * std::sin(kTwoPi * subPhase);
    phase = Advance(phase, dt);
    subPhase = Advance(subPhase, dt * 0.5);
    double env = GateEnvelope(t, gate, 0.002, 0.02);
    out.left[i] =
        0.32 * note.velocity * env * stage2.LowPass(stage1.LowPass(x));
  }
}

// Pure sine on the root, fading in and out over `aux` seconds (2 s if 0):
// the intro's drone.
void RenderSub(const Note& note, VoiceOutput& out) {
  double gate = double(note.length) / kFs;
  double fade = note.aux > 0.0 ? note.aux : 2.0;
  out.Reset(Samples(gate + fade), false);
  double dt = NoteToHz(note.pitch) / kFs;
  double phase = 0.0;
  for (size_t i = 0; i < out.left.size(); ++i) {
    double t = double(i) / kFs;
    double env = GateEnvelope(t, gate, fade, fade);
    out.left[i] = 0.35 * note.velocity * env * std::sin(kTwoPi * phase);
    phase = Advance(phase, dt);
  }
}

// Seven saws detuned by 0, +-6, +-13 and +-21 cents with seeded start
// phases, panned alternately left and right, through a low-pass whose
// cutoff follows the song's automation. Attack 0.8 s (or `aux` seconds),
// release 1.5 s.
void RenderPad(const Note& note, VoiceOutput& out) {
  static constexpr double kCents[7] = {0, -6, 6, -13, 13, -21, 21};
  double gate = double(note.length) / kFs;
  double attack = note.aux > 0.0 ? note.aux : 0.8;
  const double release = 1.5;
  out.Reset(Samples(gate + release), true);
  Random random(Random::Seed(kPadPart, note.id));
  double hz = NoteToHz(note.pitch);
  double phase[7], dt[7];
  for (int v = 0; v < 7; ++v) {
    phase[v] = random.Unit();
    dt[v] = hz * std::exp2(kCents[v] / 1200.0) / kFs;
  }
  // Voices alternate between pan -0.7 and +0.7 (constant power).
  const double near = std::sin(0.85 * std::numbers::pi / 2.0);
  const double far = std::cos(0.85 * std::numbers::pi / 2.0);
  Svf lowL, lowR;
  double startSeconds = double(note.start) / kFs;
  for (size_t i = 0; i < out.left.size(); ++i) {
    double t = double(i) / kFs;
    if (i % kControlSamples == 0) {
      double cutoff = automation::PadCutoffHz(startSeconds + t);
      lowL.Set(cutoff, 0.1, kFs);
      lowR.Set(cutoff, 0.1, kFs);
    }
    double even = 0.0, odd = 0.0;
    for (int v = 0; v < 7; v += 2) {
      even += Saw(phase[v], dt[v]);
      phase[v] = Advance(phase[v], dt[v]);
    }
    for (int v = 1; v < 7; v += 2) {
      odd += Saw(phase[v], dt[v]);
      phase[v] = Advance(phase[v], dt[v]);
    }
    double env = GateEnvelope(t, gate, attack, release);
    double gain = 0.07 * note.velocity * env;
    out.left[i] = gain * lowL.LowPass(even * near + odd * far);
    out.right[i] = gain * lowR.LowPass(odd * near + even * far);
  }
}

// Pulse (30 % width) plus saw through a low-pass at 900 Hz that opens three
// octaves and closes in 90 ms: the arpeggio and pluck sound. `aux` sets the
// amplitude decay in seconds (0.18 s if 0).
void RenderArp(const Note& note, VoiceOutput& out) {
  double gate = double(note.length) / kFs;
  double decay = note.aux > 0.0 ? note.aux : 0.18;
  out.Reset(Samples(gate + 0.04), false);
  double dt = NoteToHz(note.pitch) / kFs;
  double phase = 0.0;
  Svf low;
  double startSeconds = double(note.start) / kFs;
  for (size_t i = 0; i < out.left.size(); ++i) {
    double t = double(i) / kFs;
    if (i % kControlSamples == 0) {
      double cutoff = 900.0 * std::exp2(3.0 * std::exp(-t / 0.09)) *
                      automation::ArpBrightness(startSeconds + t);
      low.Set(cutoff, 0.3, kFs);
    }
    double x = 0.6 * Pulse(phase, dt, 0.3) + 0.5 * Saw(phase, dt);
    phase = Advance(phase, dt);
    double env = GateEnvelope(t, gate, 0.001, 0.04) * std::exp(-t / decay);
    out.left[i] = 0.3 * note.velocity * env * low.LowPass(x);
  }
}

// Two saws +-8 cents and a square at -6 dB, gliding in 50 ms from the
// previous note (`aux`, if not 0), with a 5.5 Hz vibrato of +-15 cents that
// fades in after 200 ms.
void RenderLead(const Note& note, VoiceOutput& out, double cutoffHz) {
  double gate = double(note.length) / kFs;
  out.Reset(Samples(gate + 0.12), false);
  double from = note.aux > 0.0 ? note.aux : note.pitch;
  double p1 = 0.0, p2 = 0.37, p3 = 0.0, vibratoPhase = 0.0;
  Svf low;
  low.Set(cutoffHz, 0.2, kFs);
  for (size_t i = 0; i < out.left.size(); ++i) {
    double t = double(i) / kFs;
    double glide = std::exp(-t / 0.05 * 3.0);
    double pitch = note.pitch + (from - note.pitch) * glide;
    double depth = std::clamp((t - 0.2) / 0.2, 0.0, 1.0) * 0.15;
    pitch += depth * std::sin(kTwoPi * vibratoPhase);
    vibratoPhase += 5.5 / kFs;
    double hz = NoteToHz(pitch);
    double dt1 = hz * std::exp2(8.0 / 1200.0) / kFs;
    double dt2 = hz * std::exp2(-8.0 / 1200.0) / kFs;
    double dt3 = hz / kFs;
    double x = Saw(p1, dt1) + Saw(p2, dt2) + 0.5 * Pulse(p3, dt3, 0.5);
    p1 = Advance(p1, dt1);
    p2 = Advance(p2, dt2);
    p3 = Advance(p3, dt3);
    double env = GateEnvelope(t, gate, 0.006, 0.12);
    out.left[i] = 0.16 * note.velocity * env * low.LowPass(x);
  }
}

// Two-operator FM bell: modulator at 3.5 times the carrier, its index
// falling from 3 to 0.4, amplitude decaying over about two seconds.
void RenderBell(const Note& note, VoiceOutput& out) {
  out.Reset(Samples(2.5), false);
  double hz = NoteToHz(note.pitch);
  double carrier = 0.0, modulator = 0.0;
  for (size_t i = 0; i < out.left.size(); ++i) {
    double t = double(i) / kFs;
    double index = 0.4 + 2.6 * std::exp(-t / 0.15);
    double env = std::min(1.0, t / 0.002) * std::exp(-t / 0.5);
    double m = index * std::sin(kTwoPi * modulator);
    out.left[i] = 0.22 * note.velocity * env * std::sin(kTwoPi * carrier + m);
    carrier = Advance(carrier, hz / kFs);
    modulator = Advance(modulator, 3.5 * hz / kFs);
  }
  size_t fade = Samples(0.1);
  for (size_t i = 0; i < fade; ++i)
    out.left[out.left.size() - 1 - i] *= double(i) / double(fade);
}
