#include "true_peak.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

// A full-scale sine at a quarter of the sample rate, sampled 45 degrees off
// its crests: every sample is +-0.707, but the waveform (and any decoder's
// output) reaches 1.0 between them.
TEST(TruePeak, FindsPeaksBetweenSamples) {
  std::vector<float> x(4096);
  for (size_t i = 0; i < x.size(); ++i)
    x[i] = float(
        std::sin(std::numbers::pi / 2.0 * double(i) + std::numbers::pi / 4.0));
  std::vector<float> silent(x.size(), 0.0f);
  // Away from the abrupt start and end (which really do ring past 1).
  std::vector<float> env = TruePeak::Envelope(x, silent);
  float peak = *std::max_element(env.begin() + 100, env.end() - 100);
  EXPECT_NEAR(20.0 * std::log10(peak), 0.0, 0.02);
  EXPECT_EQ(TruePeak::Envelope(silent, x), env);  // either channel
  float samplePeak = 0.0f;
  for (float v : x) samplePeak = std::max(samplePeak, std::abs(v));
  EXPECT_NEAR(samplePeak, std::sqrt(0.5), 1e-3);
}

// A low sine is sampled densely: the envelope never reads much above its
// true amplitude, and a lone sample is counted at its own value.
TEST(TruePeak, DoesNotOverreadSmoothSignalsOrMissSamples) {
  std::vector<float> x(44100);
  for (size_t i = 0; i < x.size(); ++i)
    x[i] = float(
        0.5 * std::sin(2.0 * std::numbers::pi * 440.0 * double(i) / 44100.0));
  EXPECT_NEAR(TruePeak::Max(x, x), 0.5, 0.002);
  std::vector<float> impulse(256, 0.0f);
  impulse[100] = -0.25f;
  std::vector<float> env = TruePeak::Envelope(impulse, impulse);
  EXPECT_GE(env[100], 0.25f);
  EXPECT_LT(env[10], 1e-6f);
}
