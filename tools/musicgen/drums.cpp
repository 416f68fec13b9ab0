// Drum voices: short, start at phase 0 so that none of them clicks.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "filters.h"
#include "random.h"
#include "song_clock.h"
#include "voices.h"

namespace {

constexpr double kFs = song_clock::kSampleRate;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Random-stream part numbers, one per voice kind.
enum Part : uint32_t {
  kKickPart = 1,
  kSnarePart,
  kClapPart,
  kHatPart,
  kCrashPart,
};

size_t Samples(double seconds) { return size_t(seconds * kFs); }

// Linear fade to zero over the last `fade` seconds of a buffer, so a voice
// cut at a fixed length ends exactly at 0.
void FadeTail(std::vector<double>& x, double fade) {
  size_t n = std::min(x.size(), Samples(fade));
  for (size_t i = 0; i < n; ++i) x[x.size() - 1 - i] *= double(i) / double(n);
}

}  // namespace

// Sine with a fast pitch drop (170 -> 55 Hz, 30 ms time constant), a short
// 3 kHz noise click for definition, and a soft clip for weight. Its peak is
// about -6 dBFS at full velocity.
void RenderKick(const Note& note, VoiceOutput& out) {
  out.Reset(Samples(0.35), false);
  Random random(Random::Seed(kKickPart, note.id));
  Svf click;
  click.Set(3000.0, 0.5, kFs);
  double phase = 0.0;
  const double drive = 1.5, norm = 1.0 / std::tanh(drive);
  for (size_t i = 0; i < out.left.size(); ++i) {
    double t = double(i) / kFs;
    double hz = 55.0 + (170.0 - 55.0) * std::exp(-t / 0.030);
    double amp = std::min(1.0, t / 0.001) * std::exp(-t / 0.18);
    double body = std::sin(kTwoPi * phase) * amp;
    phase += hz / kFs;
    phase -= std::floor(phase);
    double noise = click.BandPass(random.Bipolar());
    if (t < 0.003) body += 0.2 * noise * (1.0 - t / 0.003);
    out.left[i] = 0.5 * note.velocity * std::tanh(drive * body) * norm;
  }
  FadeTail(out.left, 0.005);
}

// Two triangles (180 and 330 Hz, dropping 10 %) for the body and
// high-passed noise for the snares, about 1 : 1.4.
void RenderSnare(const Note& note, VoiceOutput& out) {
  out.Reset(Samples(0.6), false);
  Random random(Random::Seed(kSnarePart, note.id));
  Svf high;
  high.Set(1500.0, 0.1, kFs);
  Svf top;
  top.Set(12000.0, 0.0, kFs);
  double p1 = 0.25, p2 = 0.25;  // a triangle is 0 at a quarter period
  for (size_t i = 0; i < out.left.size(); ++i) {
    double t = double(i) / kFs;
    double drop = 0.9 + 0.1 * std::exp(-t / 0.03);
    double tri1 = 1.0 - 4.0 * std::abs(p1 - 0.5);
    double tri2 = 1.0 - 4.0 * std::abs(p2 - 0.5);
    p1 += 180.0 * drop / kFs;
    p2 += 330.0 * drop / kFs;
    p1 -= std::floor(p1);
    p2 -= std::floor(p2);
    double attack = std::min(1.0, t / 0.001);
    double body = 0.5 * (tri1 + 0.7 * tri2) * std::exp(-t / 0.07);
    double noise = top.LowPass(high.HighPass(random.Bipolar())) *
                   std::exp(-t / 0.15) * 1.4;
    out.left[i] = 0.35 * note.velocity * attack * (body + noise);
  }
  FadeTail(out.left, 0.02);
}

// Three quick noise bursts 10 ms apart and a longer tail, band-passed at
// 1.2 kHz: the hand clap.
void RenderClap(const Note& note, VoiceOutput& out) {
  out.Reset(Samples(0.5), false);
  Random random(Random::Seed(kClapPart, note.id));
  Svf band;
  band.Set(1200.0, 0.67, kFs);
  for (size_t i = 0; i < out.left.size(); ++i) {
    double t = double(i) / kFs;
    double env = 0.0;
    for (int b = 0; b < 3; ++b) {
      double tb = t - 0.010 * b;
      if (tb >= 0.0) env = std::max(env, std::exp(-tb / 0.008));
    }
    if (t >= 0.02) env = std::max(env, 0.6 * std::exp(-(t - 0.02) / 0.12));
    out.left[i] = 0.9 * note.velocity * band.BandPass(random.Bipolar() * env);
  }
  FadeTail(out.left, 0.02);
}

namespace {

// White noise high-passed at 7 kHz and kept below 14 kHz, where the
// 128 kbit/s encoder still spends bits.
void RenderHat(const Note& note, VoiceOutput& out, double decay,
               double length) {
  out.Reset(Samples(length), false);
  Random random(Random::Seed(kHatPart, note.id));
  Svf high1, high2, low;
  high1.Set(7000.0, 0.2, kFs);
  high2.Set(7000.0, 0.0, kFs);
  low.Set(14000.0, 0.0, kFs);
  for (size_t i = 0; i < out.left.size(); ++i) {
    double t = double(i) / kFs;
    double env = std::min(1.0, t / 0.0005) * std::exp(-t / decay);
    double x = low.LowPass(high2.HighPass(high1.HighPass(random.Bipolar())));
    out.left[i] = 0.45 * note.velocity * env * x;
  }
  FadeTail(out.left, 0.004);
}

}  // namespace

void RenderClosedHat(const Note& note, VoiceOutput& out) {
  RenderHat(note, out, 0.014, 0.08);
}

// An open hat rings until the next closed hat chokes it (the note's length).
void RenderOpenHat(const Note& note, VoiceOutput& out) {
  double ring = std::min(0.45, double(note.length) / kFs + 0.004);
  RenderHat(note, out, 0.12, ring);
}

// High-passed noise with a 1.8 s decay, separate streams left and right so
// it spreads across the stereo field.
void RenderCrash(const Note& note, VoiceOutput& out) {
  out.Reset(Samples(2.6), true);
  Random left(Random::Seed(kCrashPart, note.id * 2));
  Random right(Random::Seed(kCrashPart, note.id * 2 + 1));
  Svf highL, highR, lowL, lowR;
  highL.Set(5000.0, 0.1, kFs);
  highR.Set(5000.0, 0.1, kFs);
  lowL.Set(13000.0, 0.0, kFs);
  lowR.Set(13000.0, 0.0, kFs);
  for (size_t i = 0; i < out.left.size(); ++i) {
    double t = double(i) / kFs;
    double env = 0.3 * note.velocity * std::min(1.0, t / 0.001) *
                 (0.7 * std::exp(-t / 0.6) + 0.3 * std::exp(-t / 0.05));
    out.left[i] = env * lowL.LowPass(highL.HighPass(left.Bipolar()));
    out.right[i] = env * lowR.LowPass(highR.HighPass(right.Bipolar()));
  }
  FadeTail(out.left, 0.05);
  FadeTail(out.right, 0.05);
}

// A slow sine drop from 80 to 30 Hz under the crash: the weight of a
// section change.
void RenderImpact(const Note& note, VoiceOutput& out) {
  out.Reset(Samples(1.2), false);
  double phase = 0.0;
  for (size_t i = 0; i < out.left.size(); ++i) {
    double t = double(i) / kFs;
    double hz = 30.0 + 50.0 * std::exp(-t / 0.25);
    double env = std::min(1.0, t / 0.004) * std::exp(-t / 0.35);
    out.left[i] = 0.45 * note.velocity * env * std::sin(kTwoPi * phase);
    phase += hz / kFs;
    phase -= std::floor(phase);
  }
  FadeTail(out.left, 0.1);
}
