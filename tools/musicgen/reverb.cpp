#include "reverb.h"

namespace {

// Comb and allpass lengths in samples at 44.1 kHz, mutually prime-ish so
// their echoes do not line up.
constexpr size_t kCombLengths[8] = {1116, 1188, 1277, 1356,
                                    1422, 1491, 1557, 1617};
constexpr size_t kAllpassLengths[4] = {556, 441, 341, 225};
constexpr size_t kStereoSpread = 23;
constexpr double kInputGain = 0.015;

}  // namespace

Reverb::Reverb(double room, double damp)
    : feedback(0.7 + 0.28 * room), damping(0.4 * damp) {
  for (int c = 0; c < 2; ++c) {
    size_t spread = c == 0 ? 0 : kStereoSpread;
    for (int i = 0; i < 8; ++i)
      combs[c][i].buffer.assign(kCombLengths[i] + spread, 0.0);
    for (int i = 0; i < 4; ++i)
      allpasses[c][i].buffer.assign(kAllpassLengths[i] + spread, 0.0);
  }
}

double Reverb::RunComb(Comb& comb, double input, double feedback, double damp) {
  double output = comb.buffer[comb.index];
  comb.store = output * (1.0 - damp) + comb.store * damp;
  comb.buffer[comb.index] = input + comb.store * feedback;
  if (++comb.index == comb.buffer.size()) comb.index = 0;
  return output;
}

double Reverb::RunAllpass(Allpass& allpass, double input) {
  double delayed = allpass.buffer[allpass.index];
  allpass.buffer[allpass.index] = input + delayed * 0.5;
  if (++allpass.index == allpass.buffer.size()) allpass.index = 0;
  return delayed - input;
}

void Reverb::Process(double input, double& left, double& right) {
  double in = input * kInputGain;
  double out[2];
  for (int c = 0; c < 2; ++c) {
    double sum = 0.0;
    for (Comb& comb : combs[c]) sum += RunComb(comb, in, feedback, damping);
    for (Allpass& allpass : allpasses[c]) sum = RunAllpass(allpass, sum);
    out[c] = sum;
  }
  left = out[0];
  right = out[1];
}
