#include "sections/shared_maths.h"

#include <cmath>

#include "glow/glow_effect.h"

namespace {

constexpr double kBackdropDegreesPerMs = 0.05;

}  // namespace

double DriftBackdrop(GlowEffect* glow, const Tick& tick) {
  const double t = tick.t();
  const double turn = tick.d() * kBackdropDegreesPerMs * kDegree;
  glow->TurnBackdrop(static_cast<float>(turn * std::sin(0.0004 * t)),
                     static_cast<float>(turn * std::sin(0.0003 * t)),
                     static_cast<float>(turn * std::cos(0.0002 * t)));
  return turn;
}
