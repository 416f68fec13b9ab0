#include "loudness_meter.h"

#include <cmath>
#include <limits>
#include <numbers>

namespace {

// Analog prototypes of the two stages, from which the published 48 kHz
// coefficients follow under the bilinear transform; deriving them here
// gives the same curves at 44.1 kHz.
constexpr double kShelfHz = 1681.974450955533;
constexpr double kShelfGainDb = 3.999843853973347;
constexpr double kShelfQ = 0.7071752369554196;
constexpr double kHighPassHz = 38.13547087602444;
constexpr double kHighPassQ = 0.5003270373238773;

constexpr double kBlockSeconds = 0.4;
constexpr int kHopsPerBlock = 4;
constexpr double kAbsoluteGate = -70.0;
constexpr double kRelativeGate = -10.0;

// -0.691 dB makes a 997 Hz sine read its RMS level after K-weighting.
double ToLufs(double meanSquare) {
  return -0.691 + 10.0 * std::log10(meanSquare);
}

}  // namespace

Biquad LoudnessMeter::ShelfStage(double sampleRate) {
  double k = std::tan(std::numbers::pi * kShelfHz / sampleRate);
  double vh = std::pow(10.0, kShelfGainDb / 20.0);
  double vb = std::pow(vh, 0.4996667741545416);
  double a0 = 1.0 + k / kShelfQ + k * k;
  return Biquad((vh + vb * k / kShelfQ + k * k) / a0, 2.0 * (k * k - vh) / a0,
                (vh - vb * k / kShelfQ + k * k) / a0, 2.0 * (k * k - 1.0) / a0,
                (1.0 - k / kShelfQ + k * k) / a0);
}

Biquad LoudnessMeter::HighPassStage(double sampleRate) {
  double k = std::tan(std::numbers::pi * kHighPassHz / sampleRate);
  double a0 = 1.0 + k / kHighPassQ + k * k;
  return Biquad(1.0, -2.0, 1.0, 2.0 * (k * k - 1.0) / a0,
                (1.0 - k / kHighPassQ + k * k) / a0);
}

double LoudnessMeter::IntegratedLufs(const std::vector<float>& left,
                                     const std::vector<float>& right,
                                     double sampleRate) {
  const size_t hop =
      size_t(std::lround(sampleRate * kBlockSeconds / kHopsPerBlock));
  const size_t hops = left.size() / hop;
  // Sum of K-weighted squares of both channels per 100 ms hop.
  std::vector<double> hopEnergy(hops, 0.0);
  const std::vector<float>* channels[2] = {&left, &right};
  for (const std::vector<float>* channel : channels) {
    Biquad shelf = ShelfStage(sampleRate);
    Biquad highPass = HighPassStage(sampleRate);
    for (size_t h = 0; h < hops; ++h) {
      double sum = 0.0;
      for (size_t i = h * hop; i < (h + 1) * hop; ++i) {
        double y = highPass.Process(shelf.Process((*channel)[i]));
        sum += y * y;
      }
      hopEnergy[h] += sum;
    }
  }
  std::vector<double> blocks;
  for (size_t b = 0; b + kHopsPerBlock <= hops; ++b) {
    double sum = 0.0;
    for (int k = 0; k < kHopsPerBlock; ++k) sum += hopEnergy[b + size_t(k)];
    blocks.push_back(sum / double(hop * kHopsPerBlock));
  }
  auto gatedMean = [&](double threshold) {
    double sum = 0.0;
    size_t count = 0;
    for (double z : blocks) {
      if (z > 0.0 && ToLufs(z) > threshold) {
        sum += z;
        ++count;
      }
    }
    return count ? sum / double(count) : 0.0;
  };
  double absolute = gatedMean(kAbsoluteGate);
  if (absolute <= 0.0) return -std::numeric_limits<double>::infinity();
  double relative = ToLufs(absolute) + kRelativeGate;
  double gated = gatedMean(std::max(relative, kAbsoluteGate));
  return ToLufs(gated);
}
