#include "filters.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

void OnePole::SetCutoff(double hz, double sampleRate) {
  coefficient = 1.0 - std::exp(-2.0 * std::numbers::pi * hz / sampleRate);
}

void Svf::Set(double cutoffHz, double resonance, double sampleRate) {
  double hz = std::clamp(cutoffHz, 10.0, sampleRate * 0.45);
  g = std::tan(std::numbers::pi * hz / sampleRate);
  k = 2.0 - 2.0 * std::clamp(resonance, 0.0, 0.98);
  a1 = 1.0 / (1.0 + g * (g + k));
  a2 = g * a1;
  a3 = g * a2;
}

Svf::Outputs Svf::Process(double x) {
  double v3 = x - ic2;
  double v1 = a1 * ic1 + a2 * v3;
  double v2 = ic2 + a2 * ic1 + a3 * v3;
  ic1 = 2.0 * v1 - ic1;
  ic2 = 2.0 * v2 - ic2;
  return {v2, v1, x - k * v1 - v2};
}

// Audio-EQ-cookbook second-order sections.
Biquad Biquad::HighPass(double hz, double q, double sampleRate) {
  double w = 2.0 * std::numbers::pi * hz / sampleRate;
  double alpha = std::sin(w) / (2.0 * q);
  double c = std::cos(w);
  double a0 = 1.0 + alpha;
  return Biquad((1.0 + c) / 2.0 / a0, -(1.0 + c) / a0, (1.0 + c) / 2.0 / a0,
                -2.0 * c / a0, (1.0 - alpha) / a0);
}

Biquad Biquad::LowPass(double hz, double q, double sampleRate) {
  double w = 2.0 * std::numbers::pi * hz / sampleRate;
  double alpha = std::sin(w) / (2.0 * q);
  double c = std::cos(w);
  double a0 = 1.0 + alpha;
  return Biquad((1.0 - c) / 2.0 / a0, (1.0 - c) / a0, (1.0 - c) / 2.0 / a0,
                -2.0 * c / a0, (1.0 - alpha) / a0);
}

double Biquad::MagnitudeAt(double hz, double sampleRate) const {
  std::complex<double> z =
      std::polar(1.0, -2.0 * std::numbers::pi * hz / sampleRate);
  std::complex<double> num = b0 + b1 * z + b2 * z * z;
  std::complex<double> den = 1.0 + a1 * z + a2 * z * z;
  return std::abs(num / den);
}
