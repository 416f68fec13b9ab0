#include "mastering.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "loudness_meter.h"
#include "random.h"
#include "song_clock.h"
#include "true_peak.h"

namespace {

// A loud test signal with sharp transients: a saw-like chord plus noise
// bursts every 0.5 s, peaking well above full scale.
StereoBuffer LoudSignal(double seconds) {
  StereoBuffer x(size_t(seconds * song_clock::kSampleRate));
  Random random(7);
  for (size_t i = 0; i < x.size(); ++i) {
    double t = double(i) / song_clock::kSampleRate;
    double beat = std::fmod(t, 0.5);
    double burst = 1.8 * std::exp(-beat / 0.03) * random.Bipolar();
    double tone = 0.3 * std::sin(2 * std::numbers::pi * 110 * t) +
                  0.2 * std::sin(2 * std::numbers::pi * 165.5 * t);
    x.left[i] = float(tone + burst);
    x.right[i] = float(tone - 0.5 * burst);
  }
  return x;
}

}  // namespace

TEST(Limiter, KeepsEveryPeakUnderTheCeilingAndRecovers) {
  std::vector<float> peaks(44100, 0.1f);
  peaks[5000] = 2.0f;                                      // lone spike
  for (size_t i = 20000; i < 20100; ++i) peaks[i] = 1.5f;  // short run
  peaks[20050] = 3.0f;
  const double staticGain = 1.5, ceiling = 0.8;
  std::vector<float> gain = Mastering::LimiterGain(peaks, staticGain, ceiling);
  ASSERT_EQ(gain.size(), peaks.size());
  double largestStep = 0.0;
  for (size_t i = 0; i < peaks.size(); ++i) {
    EXPECT_LE(double(gain[i]) * staticGain * peaks[i], ceiling * 1.0000001)
        << "sample " << i;
    EXPECT_LE(gain[i], 1.0f);
    if (i > 0)
      largestStep =
          std::max(largestStep, double(std::abs(gain[i] - gain[i - 1])));
  }
  // Untouched well before a peak (beyond the 5 ms look-ahead) and long
  // after it (80 ms release); the gain glides instead of jumping.
  EXPECT_EQ(gain[4000], 1.0f);
  EXPECT_EQ(gain[4700], 1.0f);
  EXPECT_LT(gain[4990], 0.9f);
  EXPECT_GT(gain[43000], 0.99f);
  EXPECT_LT(largestStep, 0.02);
}

TEST(Mastering, MeetsLoudnessAndPeakTargetsAndEndsInSilence) {
  StereoBuffer mix = LoudSignal(12.0);
  const int64_t fadeStart = 9 * 44100, fadeEnd = 11 * 44100;
  Mastering::Result result = Mastering::Process(mix, fadeStart, fadeEnd);
  ASSERT_EQ(result.pcm.size(), 2 * mix.size());
  StereoBuffer out(mix.size());
  for (size_t i = 0; i < mix.size(); ++i) {
    out.left[i] = float(result.pcm[2 * i] / 32768.0);
    out.right[i] = float(result.pcm[2 * i + 1] / 32768.0);
  }
  EXPECT_NEAR(LoudnessMeter::IntegratedLufs(out.left, out.right, 44100),
              Mastering::kMasterLufs, 0.1);
  EXPECT_NEAR(result.loudnessLufs, Mastering::kMasterLufs, 0.05);
  double truePeakDb = 20.0 * std::log10(TruePeak::Max(out.left, out.right));
  EXPECT_LE(truePeakDb, Mastering::kCeilingDbtp + 0.05);
  EXPECT_NEAR(result.truePeakDbtp, truePeakDb, 1e-6);
  for (size_t i = size_t(fadeEnd); i < mix.size(); ++i) {
    ASSERT_EQ(result.pcm[2 * i], 0) << "sample " << i;
    ASSERT_EQ(result.pcm[2 * i + 1], 0) << "sample " << i;
  }
  // The same input masters to the same samples (the dither is seeded).
  EXPECT_EQ(Mastering::Process(mix, fadeStart, fadeEnd).pcm, result.pcm);
}
