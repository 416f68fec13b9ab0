#pragma once

// Small filters used by the voices and the effects. All state is double;
// every filter processes one sample per call.

// One-pole low-pass, y += a (x - y), with a from a cutoff in Hz.
class OnePole {
 public:
  void SetCutoff(double hz, double sampleRate);
  double LowPass(double x) { return state += coefficient * (x - state); }
  double HighPass(double x) { return x - LowPass(x); }

 private:
  double coefficient = 1.0;
  double state = 0.0;
};

// Topology-preserving state-variable filter (trapezoidal integration): stays
// stable while its cutoff moves every few samples, which the sweeps need.
class Svf {
 public:
  // cutoffHz is clamped below Nyquist; resonance 0 (none) .. 1 (self-osc).
  void Set(double cutoffHz, double resonance, double sampleRate);
  struct Outputs {
    double low, band, high;
  };
  Outputs Process(double x);
  double LowPass(double x) { return Process(x).low; }
  double BandPass(double x) { return Process(x).band; }
  double HighPass(double x) { return Process(x).high; }

 private:
  double g = 0.0, k = 2.0, a1 = 1.0, a2 = 0.0, a3 = 0.0;
  double ic1 = 0.0, ic2 = 0.0;
};

// Direct-form-I biquad; coefficients normalised so a0 = 1.
class Biquad {
 public:
  Biquad() = default;
  Biquad(double b0, double b1, double b2, double a1, double a2)
      : b0(b0), b1(b1), b2(b2), a1(a1), a2(a2) {}
  static Biquad HighPass(double hz, double q, double sampleRate);
  static Biquad LowPass(double hz, double q, double sampleRate);

  double Process(double x) {
    double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
    return y;
  }
  // Gain of the filter at a frequency (for checks and for the meter's tests).
  double MagnitudeAt(double hz, double sampleRate) const;

 private:
  double b0 = 1.0, b1 = 0.0, b2 = 0.0, a1 = 0.0, a2 = 0.0;
  double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;
};
