// Tiles that meshes get through camera-space-normal texture coordinates:
// the normal's (x, y) in -1..1 is used as (u, v) with wrapping, so the
// centre of an object and its silhouette both sample the tile's corners.
// Each tile is mirror-symmetric, f(u, v) = g(min(u, 1-u), min(v, 1-v)), so
// no seam can show and the corner colour lights centre and rim together.
#include <algorithm>
#include <cmath>

#include "art.h"
#include "art_util.h"
#include "noise.h"
#include "rng.h"

namespace {

struct Mirror {
  double a, b;   // folded coordinates, 0..0.5
  double d;      // distance to the nearest tile corner, 0..0.707
  double angle;  // angle about that corner, 0..1 across the quarter
};

Mirror Fold(double u, double v) {
  Mirror m;
  m.a = std::min(u, 1.0 - u);
  m.b = std::min(v, 1.0 - v);
  m.d = std::hypot(m.a, m.b);
  m.angle = std::atan2(m.b, m.a) / (3.14159265358979323846 / 2);
  return m;
}

// Fine radial streaks about the corner; symmetric under the fold because
// they are computed from folded coordinates.
double Streaks(const Mirror& m, uint64_t seed, double density) {
  double n = Fbm3(m.angle * density, m.d * 4.0, 0.5, 4, 0.55, seed);
  return 0.5 + 0.5 * n;
}

}  // namespace

Image PaintKnotSolid() {
  const uint64_t seed = HashInts(132, 1);
  ColorRamp ramp({{0.00, 0.75, 1.00, 1.00},
                  {0.12, 0.20, 0.80, 0.95},
                  {0.30, 0.45, 0.20, 0.85},
                  {0.48, 0.05, 0.02, 0.12},
                  {0.62, 0.02, 0.02, 0.05},
                  {0.80, 0.10, 0.55, 0.75},
                  {1.00, 0.55, 0.95, 1.00}});
  return MakeImage(256, 256, [&](double u, double v, double, double) {
    Mirror m = Fold(u, v);
    double s = Streaks(m, seed, 24.0);
    double t = m.d / 0.7071 + 0.10 * (s - 0.5);
    Rgba c = ramp(t);
    double k = 0.75 + 0.5 * s;
    return Opaque(std::min(1.0, c.r * k), std::min(1.0, c.g * k),
                  std::min(1.0, c.b * k));
  });
}

Image PaintKnotWire() {
  const uint64_t seed = HashInts(131, 1);
  return MakeImage(512, 512, [&](double u, double v, double, double) {
    Mirror m = Fold(u, v);
    double s = Streaks(m, seed, 18.0);
    // Concentric bands about the corner read as contour lines on the wire.
    double band = std::pow(0.5 + 0.5 * std::cos(m.d * 2 * 3.14159265 * 9), 6);
    double t = std::clamp(m.d / 0.7071, 0.0, 1.0);
    double white = std::clamp(1.0 - t * 1.6, 0.0, 1.0);
    Rgba c = Lerp(Opaque(0.25, 0.80, 1.00), Opaque(1.0, 1.0, 1.0), white);
    double k = 0.7 + 0.3 * s + 0.25 * band;
    c = Opaque(std::min(1.0, c.r * k), std::min(1.0, c.g * k),
               std::min(1.0, c.b * k));
    double alpha =
        0.35 + 0.55 * (1.0 - SmoothStep(0.0, 0.55, m.d)) + 0.12 * band;
    return WithAlpha(c, std::min(0.95, alpha));
  });
}

Image PaintRingGold() {
  const uint64_t seed = HashInts(164, 1);
  ColorRamp ramp({{0.00, 1.00, 0.95, 0.70},
                  {0.15, 1.00, 0.70, 0.20},
                  {0.35, 0.70, 0.30, 0.05},
                  {0.55, 0.18, 0.06, 0.02},
                  {0.75, 0.55, 0.25, 0.05},
                  {1.00, 1.00, 0.80, 0.35}});
  return MakeImage(256, 256, [&](double u, double v, double, double) {
    Mirror m = Fold(u, v);
    double s = Streaks(m, seed, 30.0);
    double ripple = 0.5 + 0.5 * std::cos(m.d * 2 * 3.14159265 * 6 + 2 * s);
    double t = m.d / 0.7071 + 0.08 * (s - 0.5);
    Rgba c = ramp(t);
    double k = 0.7 + 0.35 * s + 0.2 * ripple;
    return Opaque(std::min(1.0, c.r * k), std::min(1.0, c.g * k),
                  std::min(1.0, c.b * k));
  });
}
