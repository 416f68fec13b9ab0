#include "song_renderer.h"

#include <cmath>
#include <numbers>

#include "automation.h"
#include "chorus.h"
#include "ducker.h"
#include "filters.h"
#include "ping_pong_delay.h"
#include "reverb.h"
#include "song_clock.h"
#include "voices.h"

namespace {

constexpr double kFs = song_clock::kSampleRate;

// Where an instrument goes: its bus, level, pan (-1..1, mono voices only)
// and its send levels to the reverb and the echo.
enum class Bus { Dry, Pad, Bass };
struct Route {
  Bus bus;
  double gain, pan, reverb, echo;
};

struct Buses {
  explicit Buses(int64_t samples)
      : dry(size_t(samples)),
        pad(size_t(samples)),
        bass(size_t(samples), 0.0f),
        reverbSend(size_t(samples), 0.0f),
        echoSend(size_t(samples), 0.0f) {}
  StereoBuffer dry, pad;
  std::vector<float> bass, reverbSend, echoSend;
};

void Mix(const Note& note, const VoiceOutput& voice, const Route& route,
         Buses& buses) {
  int64_t total = int64_t(buses.dry.size());
  double theta = (route.pan + 1.0) * std::numbers::pi / 4.0;
  double panLeft = std::cos(theta) * std::numbers::sqrt2;
  double panRight = std::sin(theta) * std::numbers::sqrt2;
  size_t count = voice.left.size();
  if (note.start + int64_t(count) > total) count = size_t(total - note.start);
  for (size_t i = 0; i < count; ++i) {
    size_t n = size_t(note.start) + i;
    double left, right;
    if (voice.stereo) {
      left = voice.left[i] * route.gain;
      right = voice.right[i] * route.gain;
    } else {
      left = voice.left[i] * route.gain * panLeft;
      right = voice.left[i] * route.gain * panRight;
    }
    double mono = 0.5 * (left + right);
    switch (route.bus) {
      case Bus::Dry:
        buses.dry.left[n] += float(left);
        buses.dry.right[n] += float(right);
        break;
      case Bus::Pad:
        buses.pad.left[n] += float(left);
        buses.pad.right[n] += float(right);
        break;
      case Bus::Bass:
        buses.bass[n] += float(mono);
        break;
    }
    if (route.reverb > 0.0) buses.reverbSend[n] += float(mono * route.reverb);
    if (route.echo > 0.0) buses.echoSend[n] += float(mono * route.echo);
  }
}

template <typename Render>
void RenderTrack(const std::vector<Note>& notes, const Route& route,
                 Buses& buses, Render render) {
  VoiceOutput voice;
  for (const Note& note : notes) {
    if (note.start >= int64_t(buses.dry.size())) break;
    render(note, voice);
    Mix(note, voice, route, buses);
  }
}

}  // namespace

StereoBuffer SongRenderer::Render(const Score& score, int64_t samples) {
  Buses buses(samples);
  auto lead = [](const Note& n, VoiceOutput& v) { RenderLead(n, v, 4000.0); };
  auto counter = [](const Note& n, VoiceOutput& v) {
    RenderLead(n, v, 1800.0);
  };
  //                                   bus        gain  pan   reverb echo
  RenderTrack(score.kick, {Bus::Dry, 1.00, 0.0, 0.02, 0.0}, buses, RenderKick);
  RenderTrack(score.impact, {Bus::Dry, 0.80, 0.0, 0.0, 0.0}, buses,
              RenderImpact);
  RenderTrack(score.snare, {Bus::Dry, 0.70, 0.0, 0.30, 0.0}, buses,
              RenderSnare);
  RenderTrack(score.clap, {Bus::Dry, 0.65, 0.05, 0.35, 0.0}, buses, RenderClap);
  RenderTrack(score.closedHat, {Bus::Dry, 0.45, 0.35, 0.05, 0.0}, buses,
              RenderClosedHat);
  RenderTrack(score.openHat, {Bus::Dry, 0.40, -0.3, 0.08, 0.0}, buses,
              RenderOpenHat);
  RenderTrack(score.crash, {Bus::Dry, 0.55, 0.0, 0.25, 0.0}, buses,
              RenderCrash);
  RenderTrack(score.bass, {Bus::Bass, 1.00, 0.0, 0.0, 0.0}, buses, RenderBass);
  RenderTrack(score.sub, {Bus::Bass, 1.00, 0.0, 0.0, 0.0}, buses, RenderSub);
  RenderTrack(score.pad, {Bus::Pad, 1.00, 0.0, 0.30, 0.0}, buses, RenderPad);
  RenderTrack(score.arp, {Bus::Dry, 0.55, 0.35, 0.25, 0.35}, buses, RenderArp);
  RenderTrack(score.pluck, {Bus::Dry, 0.60, -0.35, 0.25, 0.25}, buses,
              RenderArp);
  RenderTrack(score.lead, {Bus::Dry, 0.75, 0.0, 0.25, 0.25}, buses, lead);
  RenderTrack(score.counter, {Bus::Dry, 0.55, -0.4, 0.30, 0.0}, buses, counter);
  RenderTrack(score.bell, {Bus::Dry, 0.50, 0.4, 0.45, 0.3}, buses, RenderBell);
  RenderTrack(score.riser, {Bus::Dry, 0.45, 0.0, 0.20, 0.0}, buses,
              RenderRiser);
  RenderTrack(score.noiseBurst, {Bus::Dry, 0.60, 0.0, 0.30, 0.0}, buses,
              RenderNoiseBurst);

  // Returns: reverb 25 ms pre-delay and 250 Hz high-pass on its input,
  // dotted-8th echo (375 ms), chorus on the pad, ducking of pad, bass and
  // reverb by the kick.
  const size_t preDelay = size_t(0.025 * kFs);
  const size_t dottedEighth = 16538;
  Reverb reverb(0.8, 0.5);
  PingPongDelay echo(dottedEighth, 0.35, kFs);
  Chorus chorus(kFs);
  Biquad sendHighPass = Biquad::HighPass(250.0, 0.707, kFs);
  Ducker padDuck(score.kick, 0.65, kFs), bassDuck(score.kick, 0.5, kFs),
      reverbDuck(score.kick, 0.5, kFs);
  Biquad rumbleLeft = Biquad::HighPass(25.0, 0.707, kFs);
  Biquad rumbleRight = Biquad::HighPass(25.0, 0.707, kFs);
  const double reverbReturn = 1.6, echoReturn = 0.6;

  StereoBuffer& out = buses.dry;
  for (int64_t n = 0; n < samples; ++n) {
    size_t i = size_t(n);
    double send = i >= preDelay ? buses.reverbSend[i - preDelay] : 0.0;
    double wetLeft, wetRight;
    reverb.Process(sendHighPass.Process(send), wetLeft, wetRight);
    double gate = automation::TailGain(double(n) / kFs);
    double reverbGain = reverbReturn * reverbDuck.Next(n) * gate;
    double echoLeft, echoRight;
    echo.Process(buses.echoSend[i], echoLeft, echoRight);
    echoLeft *= gate;
    echoRight *= gate;
    double padLeft = buses.pad.left[i], padRight = buses.pad.right[i];
    chorus.Process(padLeft, padRight);
    double padGain = padDuck.Next(n) * gate;
    double bass = buses.bass[i] * bassDuck.Next(n);
    double left = out.left[i] + bass + padLeft * padGain +
                  wetLeft * reverbGain + echoLeft * echoReturn;
    double right = out.right[i] + bass + padRight * padGain +
                   wetRight * reverbGain + echoRight * echoReturn;
    out.left[i] = float(rumbleLeft.Process(left));
    out.right[i] = float(rumbleRight.Process(right));
  }
  return std::move(buses.dry);
}
