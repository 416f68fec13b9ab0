#include "loudness_meter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

constexpr double kFs = 44100.0;

std::vector<float> Sine(double hz, double dbfs, double seconds) {
  std::vector<float> x(size_t(seconds * kFs));
  double amplitude = std::pow(10.0, dbfs / 20.0);
  for (size_t i = 0; i < x.size(); ++i)
    x[i] = float(amplitude *
                 std::sin(2.0 * std::numbers::pi * hz * double(i) / kFs));
  return x;
}

std::vector<float> Concat(std::vector<float> a, const std::vector<float>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

double KWeightingDb(double hz, double fs) {
  return 20.0 *
         std::log10(LoudnessMeter::ShelfStage(fs).MagnitudeAt(hz, fs) *
                    LoudnessMeter::HighPassStage(fs).MagnitudeAt(hz, fs));
}

}  // namespace

// The published 48 kHz coefficients of the two K-weighting stages; the
// meter derives its filters from analog prototypes, so at 48 kHz they must
// give the same response.
TEST(LoudnessMeter, KWeightingMatchesPublishedFilterAt48k) {
  Biquad shelf(1.53512485958697, -2.69169618940638, 1.19839281085285,
               -1.69065929318241, 0.73248077421585);
  Biquad highPass(1.0, -2.0, 1.0, -1.99004745483398, 0.99007225036621);
  for (double hz : {20.0, 38.0, 100.0, 997.0, 1681.0, 4000.0, 15000.0}) {
    EXPECT_NEAR(LoudnessMeter::ShelfStage(48000).MagnitudeAt(hz, 48000),
                shelf.MagnitudeAt(hz, 48000), 1e-6)
        << hz << " Hz";
    EXPECT_NEAR(LoudnessMeter::HighPassStage(48000).MagnitudeAt(hz, 48000),
                highPass.MagnitudeAt(hz, 48000), 1e-6)
        << hz << " Hz";
  }
  // The curve's landmarks: about +4 dB of presence at the top, -1.0 dB at
  // 50 Hz from the high-pass, and close to 0 dB (+0.69) at 997 Hz.
  EXPECT_NEAR(KWeightingDb(10000, kFs), 4.0, 0.3);
  EXPECT_NEAR(KWeightingDb(997, kFs), 0.69, 0.05);
}

// A 997 Hz sine at -20 dBFS peak in both channels: each channel's mean
// square is 0.01 / 2, the two sum to 0.01 (-20 dB), the K-weighting adds
// its gain at 997 Hz and -0.691 dB takes it off again: -20.0 LUFS. In one
// channel only it is 3.01 dB less.
TEST(LoudnessMeter, SineReadsItsStandardLevel) {
  std::vector<float> tone = Sine(997.0, -20.0, 10.0);
  std::vector<float> silence(tone.size(), 0.0f);
  double stereo = LoudnessMeter::IntegratedLufs(tone, tone, kFs);
  EXPECT_NEAR(stereo, -20.0, 0.05);
  EXPECT_NEAR(stereo, -20.691 + KWeightingDb(997.0, kFs), 0.01);
  EXPECT_NEAR(LoudnessMeter::IntegratedLufs(tone, silence, kFs),
              stereo - 10.0 * std::log10(2.0), 0.01);
  EXPECT_NEAR(LoudnessMeter::IntegratedLufs(Sine(997.0, -6.0, 10.0),
                                            Sine(997.0, -6.0, 10.0), kFs),
              -6.0, 0.05);
}

// Ten seconds of silence after the tone change nothing but the three
// blocks that straddle the end (each partly tone, still above both gates),
// which pull the result down by a few hundredths of a LU.
TEST(LoudnessMeter, AbsoluteGateIgnoresSilence) {
  std::vector<float> tone = Sine(997.0, -20.0, 10.0);
  std::vector<float> withGap = Concat(tone, std::vector<float>(tone.size()));
  double alone = LoudnessMeter::IntegratedLufs(tone, tone, kFs);
  double gapped = LoudnessMeter::IntegratedLufs(withGap, withGap, kFs);
  EXPECT_LT(gapped, alone);
  EXPECT_NEAR(gapped, alone, 0.1);  // ungated it would read 3 dB lower
  std::vector<float> silence(tone.size(), 0.0f);
  EXPECT_TRUE(std::isinf(LoudnessMeter::IntegratedLufs(silence, silence, kFs)));
}

// Half the time at -20 dBFS, half at -40: ungated, the power mean would read
// about -23 LUFS; the relative gate (10 LU under the mean) drops the quiet
// half and leaves -20.
TEST(LoudnessMeter, RelativeGateDropsQuietPassages) {
  std::vector<float> mixed =
      Concat(Sine(997.0, -20.0, 10.0), Sine(997.0, -40.0, 10.0));
  EXPECT_NEAR(LoudnessMeter::IntegratedLufs(mixed, mixed, kFs), -20.0, 0.1);
  // At -25 the quieter half is above the gate and counts.
  std::vector<float> close =
      Concat(Sine(997.0, -20.0, 10.0), Sine(997.0, -25.0, 10.0));
  double expected = -0.691 +
                    10.0 * std::log10((0.01 + std::pow(10.0, -2.5)) / 2.0) +
                    KWeightingDb(997.0, kFs);
  EXPECT_NEAR(LoudnessMeter::IntegratedLufs(close, close, kFs), expected, 0.1);
}
