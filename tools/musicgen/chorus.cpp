#include "chorus.h"

#include <cmath>
#include <numbers>

namespace {
constexpr double kWet = 0.35;
constexpr double kRateHz = 0.4;
}  // namespace

Chorus::Chorus(double sampleRate)
    : lineLeft(size_t(sampleRate * 0.02), 0.0),
      lineRight(size_t(sampleRate * 0.02), 0.0),
      sampleRate(sampleRate) {}

double Chorus::Read(const std::vector<double>& line,
                    double delaySamples) const {
  double position = double(index) - delaySamples;
  double size = double(line.size());
  if (position < 0.0) position += size;
  size_t i0 = size_t(position);
  double frac = position - double(i0);
  size_t i1 = i0 + 1 == line.size() ? 0 : i0 + 1;
  return line[i0] + (line[i1] - line[i0]) * frac;
}

void Chorus::Process(double& left, double& right) {
  lineLeft[index] = left;
  lineRight[index] = right;
  double angle = 2.0 * std::numbers::pi * phase;
  double ms = sampleRate / 1000.0;
  double wetLeft = Read(lineLeft, (8.0 + 2.0 * std::sin(angle)) * ms);
  double wetRight = Read(lineRight, (11.0 + 2.0 * std::cos(angle)) * ms);
  phase += kRateHz / sampleRate;
  if (phase >= 1.0) phase -= 1.0;
  if (++index == lineLeft.size()) index = 0;
  left += kWet * wetLeft;
  right += kWet * wetRight;
}
