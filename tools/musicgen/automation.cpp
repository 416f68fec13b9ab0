#include "automation.h"

#include <algorithm>
#include <cmath>

namespace automation {
namespace {

// Exponential glide from a to b while t goes from t0 to t1; a before, b
// after.
double Glide(double t, double t0, double t1, double a, double b) {
  double x = std::clamp((t - t0) / (t1 - t0), 0.0, 1.0);
  double smooth = x * x * (3.0 - 2.0 * x);
  return a * std::pow(b / a, smooth);
}

}  // namespace

double PadCutoffHz(double seconds) {
  if (seconds < 27.0) return Glide(seconds, 13.0, 15.0, 700.0, 2500.0);
  if (seconds >= 82.0 && seconds < 108.0)
    return Glide(seconds, 104.0, 108.0, 1800.0, 5000.0);
  if (seconds >= 219.0) return Glide(seconds, 219.2, 224.0, 3000.0, 120.0);
  return 2500.0;
}

double ArpBrightness(double seconds) {
  if (seconds >= 82.0 && seconds < 108.0)
    return Glide(seconds, 100.0, 108.0, 0.8, 3.0);
  if (seconds >= 219.0) return Glide(seconds, 219.0, 223.0, 1.0, 0.1);
  return 1.0;
}

double TailGain(double seconds) {
  constexpr double kCut = 40.5, kDrop = 41.0, kRamp = 0.03;
  if (seconds < kCut || seconds >= kDrop) return 1.0;
  return std::max(0.0, 1.0 - (seconds - kCut) / kRamp);
}

}  // namespace automation
