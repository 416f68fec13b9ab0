// What several sections share of their maths: the degree factor the
// animation is tuned with, and the slow drift of the backdrop sphere.
#pragma once

#include "sections/timed_section.h"

class GlowEffect;

// Degrees to radians, the single-precision factor the show's animation is
// tuned with (not pi / 180 in double).
inline constexpr float kDegree = 0.017453292f;

// The backdrop's turn in one tick of topuz, Shine, Greets and Uzun:
// 0.05 degrees per ms of delta (kept in double), spread over the x, y and z
// axes by sin(0.0004 t), sin(0.0003 t) and cos(0.0002 t). Returns the
// tick's turn in radians (Shine tumbles its tube by it too).
double DriftBackdrop(GlowEffect* glow, const Tick& tick);
