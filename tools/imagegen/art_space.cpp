// Space and sky: the backdrop sphere's insides (tiling both ways, because
// the sphere's texture coordinates wrap) and the warm mirrored-ball sky.
#include <algorithm>
#include <cmath>

#include "art.h"
#include "art_util.h"
#include "noise.h"
#include "rng.h"

namespace {

// Stars from cell noise: one candidate per cell, about half of them lit,
// sized and coloured by the cell's hash. `radius` in cell units.
Rgba Stars(double u, double v, int cells, double radius, uint64_t seed) {
  CellSample c = TileCells(u, v, cells, cells, seed);
  double pick = HashUnit(Mix64(c.id + 3));
  if (pick > 0.55) return {};
  double size = radius * (0.5 + HashUnit(Mix64(c.id + 5)));
  double i = std::exp(-(c.f1 / size) * (c.f1 / size)) *
             (0.35 + 0.65 * HashUnit(Mix64(c.id + 9)));
  double hue = HashUnit(Mix64(c.id + 11));
  return {static_cast<float>(i * (0.85 + 0.15 * hue)),
          static_cast<float>(i * 0.92),
          static_cast<float>(i * (1.0 - 0.2 * hue)), 0};
}

Rgba Add(Rgba a, const Rgba& b) {
  a.r = std::min(1.0f, a.r + b.r);
  a.g = std::min(1.0f, a.g + b.g);
  a.b = std::min(1.0f, a.b + b.b);
  return a;
}

}  // namespace

Image PaintNebula() {
  const uint64_t seed = HashInts(138, 1);
  ColorRamp gas({{0.00, 0.01, 0.01, 0.04},
                 {0.30, 0.04, 0.05, 0.20},
                 {0.55, 0.20, 0.08, 0.38},
                 {0.75, 0.55, 0.15, 0.50},
                 {0.90, 0.85, 0.45, 0.70},
                 {1.00, 1.00, 0.85, 0.90}});
  return MakeImage(512, 512, [&](double u, double v, double, double) {
    // Domain warp: periodic offsets keep the result periodic.
    double qx = TileFbm(u, v, 3, 3, 4, 0.5, seed + 1);
    double qy = TileFbm(u, v, 3, 3, 4, 0.5, seed + 2);
    double n = TileFbm(u + 0.18 * qx, v + 0.18 * qy, 4, 4, 6, 0.55, seed + 3);
    double dust =
        TileTurbulence(u + 0.1 * qy, v + 0.1 * qx, 8, 8, 4, 0.5, seed + 4);
    double t = std::clamp(0.45 + 0.9 * n - 0.25 * dust, 0.0, 1.0);
    Rgba c = gas(std::pow(t, 1.4) * 1.12);
    Rgba blue = Opaque(0.05, 0.10, 0.30);
    c = Add(c, Scale(blue, 0.6 * (0.5 + 0.5 * qx)));
    c = Add(c, Stars(u, v, 48, 0.09, seed + 5));
    c = Add(c, Scale(Stars(u, v, 12, 0.05, seed + 6), 1.6));
    return c;
  });
}

Image PaintDeepSpace() {
  const uint64_t seed = HashInts(143, 1);
  ColorRamp gas({{0.00, 0.00, 0.02, 0.03},
                 {0.35, 0.02, 0.10, 0.12},
                 {0.60, 0.05, 0.32, 0.30},
                 {0.80, 0.35, 0.55, 0.35},
                 {1.00, 0.95, 0.70, 0.35}});
  return MakeImage(512, 512, [&](double u, double v, double, double) {
    double qx = TileFbm(u, v, 2, 2, 3, 0.5, seed + 1);
    double qy = TileFbm(u, v, 2, 2, 3, 0.5, seed + 2);
    double n = TileFbm(u + 0.25 * qx, v + 0.25 * qy, 2, 2, 4, 0.5, seed + 3);
    double t = std::clamp(0.5 + 1.0 * n, 0.0, 1.0);
    Rgba c = gas(t);
    // Soft, large stars: the texture is seen magnified.
    c = Add(c, Scale(Stars(u, v, 24, 0.12, seed + 5), 0.9));
    return c;
  });
}

Image PaintWarmSkyBall() {
  const uint64_t seed = HashInts(142, 1);
  const double sx = 0.45, sy = 0.35, sz = -0.82;  // sun direction
  const double sl = std::sqrt(sx * sx + sy * sy + sz * sz);
  ColorRamp sky({{0.00, 1.00, 0.62, 0.30},
                 {0.15, 0.95, 0.40, 0.30},
                 {0.45, 0.45, 0.20, 0.45},
                 {1.00, 0.08, 0.06, 0.25}});
  ColorRamp ground({{0.00, 0.55, 0.30, 0.20},
                    {0.30, 0.20, 0.10, 0.12},
                    {1.00, 0.05, 0.03, 0.06}});
  return MakeImage(512, 256, [&](double u, double v, double, double) {
    // Position on the mirrored ball; outside the disc repeat its rim.
    double x = 2 * u - 1, y = 1 - 2 * v;
    double r = std::hypot(x, y);
    if (r > 0.995) x *= 0.995 / r, y *= 0.995 / r;
    double nz = std::sqrt(std::max(0.0, 1 - x * x - y * y));
    double rx = 2 * nz * x, ry = 2 * nz * y, rz = 2 * nz * nz - 1;
    Rgba c;
    if (ry >= 0) {
      c = sky(std::pow(ry, 0.6));
      double cloud = Fbm3(rx * 3 + 7, ry * 6, rz * 3, 5, 0.55, seed);
      double k = SmoothStep(0.0, 0.5, cloud) * SmoothStep(0.0, 0.15, ry);
      c = Lerp(c, Opaque(1.0, 0.78, 0.62), 0.7 * k);
    } else {
      c = ground(std::pow(-ry, 0.5));
      // Lines of a plain below the horizon, for motion in the reflection.
      double gx = rx / std::max(0.05, -ry), gz = rz / std::max(0.05, -ry);
      double grid = std::max(
          std::exp(-std::pow(std::fmod(std::fabs(gx), 1.0) - 0.5, 2) * 400),
          std::exp(-std::pow(std::fmod(std::fabs(gz), 1.0) - 0.5, 2) * 400));
      c = Add(c, Scale(Opaque(1.0, 0.5, 0.2),
                       0.5 * grid * SmoothStep(0, 0.4, -ry)));
    }
    double cs = (rx * sx + ry * sy + rz * sz) / sl;
    double sun = std::pow(std::max(0.0, cs), 400) +
                 0.35 * std::pow(std::max(0.0, cs), 12);
    c = Add(c, Scale(Opaque(1.0, 0.9, 0.7), sun));
    return c;
  });
}
