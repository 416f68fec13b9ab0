#include "true_peak.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace {

constexpr int kPhases = 4;
constexpr int kHalfTaps = 8;  // taps each side of the interpolated point

using Kernel = std::array<std::array<double, 2 * kHalfTaps>, kPhases>;

// Hann-windowed sinc for the fractional positions 1/4, 2/4, 3/4 (phase 0
// is the sample itself).
const Kernel& Taps() {
  static const Kernel kernel = [] {
    Kernel k{};
    for (int p = 1; p < kPhases; ++p) {
      double frac = double(p) / kPhases;
      for (int j = 0; j < 2 * kHalfTaps; ++j) {
        double u = double(j - kHalfTaps + 1) - frac;  // distance to sample
        double x = std::numbers::pi * u;
        double sinc = std::sin(x) / x;
        double w = std::cos(std::numbers::pi * u / (2.0 * (kHalfTaps + 1)));
        k[size_t(p)][size_t(j)] = sinc * w * w;
      }
    }
    return k;
  }();
  return kernel;
}

void ChannelEnvelope(const std::vector<float>& x, std::vector<float>& env) {
  const Kernel& taps = Taps();
  const long n = long(x.size());
  for (long i = 0; i < n; ++i) {
    double peak = std::abs(double(x[size_t(i)]));
    for (int p = 1; p < kPhases; ++p) {
      double sum = 0.0;
      for (int j = 0; j < 2 * kHalfTaps; ++j) {
        long s = i + j - kHalfTaps + 1;
        if (s >= 0 && s < n) sum += taps[size_t(p)][size_t(j)] * x[size_t(s)];
      }
      peak = std::max(peak, std::abs(sum));
    }
    env[size_t(i)] = std::max(env[size_t(i)], float(peak));
  }
}

}  // namespace

std::vector<float> TruePeak::Envelope(const std::vector<float>& left,
                                      const std::vector<float>& right) {
  std::vector<float> env(left.size(), 0.0f);
  ChannelEnvelope(left, env);
  ChannelEnvelope(right, env);
  return env;
}

double TruePeak::Max(const std::vector<float>& left,
                     const std::vector<float>& right) {
  std::vector<float> env = Envelope(left, right);
  return env.empty() ? 0.0 : double(*std::max_element(env.begin(), env.end()));
}
