#pragma once

#include <cmath>

// Band-limited saw and pulse by PolyBLEP: the naive waveform minus a
// two-sample polynomial residual at each discontinuity, which keeps the
// aliasing of the bright voices well below their harmonics.
namespace oscillators {

inline double PolyBlep(double t, double dt) {
  if (t < dt) {
    t /= dt;
    return t + t - t * t - 1.0;
  }
  if (t > 1.0 - dt) {
    t = (t - 1.0) / dt;
    return t * t + t + t + 1.0;
  }
  return 0.0;
}

// phase in [0, 1), dt = frequency / sample rate.
inline double Saw(double phase, double dt) {
  return 2.0 * phase - 1.0 - PolyBlep(phase, dt);
}

inline double Pulse(double phase, double dt, double width) {
  double shifted = phase + (1.0 - width);
  if (shifted >= 1.0) shifted -= 1.0;
  // Difference of two saws: zero mean for any width, 2 peak to peak.
  return Saw(phase, dt) - Saw(shifted, dt);
}

inline double Advance(double phase, double dt) {
  phase += dt;
  return phase >= 1.0 ? phase - std::floor(phase) : phase;
}

inline double NoteToHz(double note) {
  return 440.0 * std::exp2((note - 69.0) / 12.0);
}

}  // namespace oscillators
