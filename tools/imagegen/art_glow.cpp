// Glowing things: the swarm's point-sprite dot, the flash, the window icon.
#include <algorithm>
#include <cmath>

#include "art.h"
#include "art_util.h"
#include "noise.h"
#include "rng.h"

namespace {
constexpr double kPi = 3.14159265358979323846;
}

Image PaintSwarmDot() {
  const int n = 256;
  const double c = n / 2.0, s1 = 0.06 * n, s2 = 0.22 * n;
  return MakeImage(n, n, [&](double, double, double x, double y) {
    double r = std::hypot(x - c, y - c);
    // Two Gaussians: a tight white core and a broad warm halo, brought to
    // an exact zero before the edge (the sprite adds to the frame).
    double core = std::exp(-(r / s1) * (r / s1));
    double halo = std::exp(-(r / s2) * (r / s2));
    double edge = 1.0 - SmoothStep(0.36 * n, 0.46 * n, r);
    double i = (0.95 * core + 0.55 * halo) * edge;
    if (i < 0.5 / 255.0) return Opaque(0, 0, 0);
    double warm = std::min(1.0, core * 1.4);
    return Opaque(std::min(1.0, i * 1.05),
                  std::min(1.0, i * (0.82 + 0.2 * warm)),
                  std::min(1.0, i * (0.55 + 0.45 * warm)));
  });
}

Image PaintFlash() {
  const int w = 596, h = 575;
  const double cx = w / 2.0, cy = h / 2.0, scale = 300.0;
  const uint64_t seed = HashInts(130, 1);
  ColorRamp ramp({{0.0, 0.10, 0.35, 0.55},
                  {0.35, 0.35, 0.75, 0.95},
                  {0.6, 0.75, 0.95, 1.0},
                  {0.85, 1.0, 0.98, 0.92},
                  {1.0, 1.0, 1.0, 1.0}});
  return MakeImage(w, h, [&](double u, double v, double x, double y) {
    double dx = (x - cx) / scale, dy = (y - cy) / scale;
    double r = std::hypot(dx, dy);
    double th = std::atan2(dy, dx);
    // 32 rays whose angle wobbles and whose length varies by ray.
    double a = (th + kPi) / (2 * kPi);
    double wob = TileFbm(a, 0.5, 8, 1, 3, 0.5, seed);
    double len =
        0.45 + 0.5 * (0.5 + 0.5 * TileFbm(a, 0.2, 32, 1, 1, 0.5, seed + 7));
    // Each ray gets its own strength; a faint lens ring at r = 0.55.
    double gain = 0.5 + 0.5 * TileFbm(a, 0.7, 32, 1, 1, 0.5, seed + 9);
    double rays = std::pow(std::fabs(std::cos(16 * th + 1.2 * wob)), 14.0) *
                  std::exp(-r / len) * (0.25 + 1.2 * gain);
    double fine = std::pow(std::fabs(std::cos(45 * th + 3 * wob)), 40.0) *
                  std::exp(-r / (0.5 * len));
    double core = std::exp(-(r / 0.16) * (r / 0.16));
    double halo = std::exp(-(r / 0.6) * (r / 0.6));
    double ring = std::exp(-std::pow((r - 0.55) / 0.025, 2));
    double haze = 0.5 + 0.5 * TileFbm(u, v, 3, 3, 4, 0.55, seed + 3);
    double i = 0.26 + 0.14 * haze + 0.38 * halo + 0.55 * rays + 0.3 * fine +
               0.9 * core + 0.08 * ring;
    return ramp(std::min(1.0, i));
  });
}

Image PaintIcon() {
  const int n = 64;
  Image img(n, n);
  // Rounded dark tile with a deep blue gradient.
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      double sd = SdRoundRect(x + 0.5, y + 0.5, 32, 32, 31, 31, 12);
      double cov = FillCoverage(sd);
      double t = (y + 0.5) / n;
      double r = std::hypot(x + 0.5 - 32, y + 0.5 - 30) / 32;
      Rgba c = Opaque(0.03 + 0.05 * (1 - t), 0.05 + 0.10 * (1 - t),
                      0.14 + 0.22 * (1 - t));
      c = Lerp(c, Opaque(0.10, 0.30, 0.55), std::exp(-r * r * 3) * 0.6);
      img.At(x, y) = WithAlpha(c, cov);
    }
  // A glowing orbit ring around the letter.
  Field ring(n, n);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      double dx = (x + 0.5 - 32) / 25.0, dy = (y + 0.5 - 32) / 12.0;
      double ang = -0.45;
      double rx = dx * std::cos(ang) - dy * std::sin(ang) * 12 / 25;
      double ry = dx * std::sin(ang) * 25 / 12 + dy * std::cos(ang);
      double d = std::fabs(std::hypot(rx, ry) - 1.0) * 12;
      ring.At(x, y) = static_cast<float>(StrokeCoverage(d, 2.2));
    }
  Field glow = ring;
  Blur(&glow, 2.5, Edge::Clamp);
  img.AddGlow(glow, Opaque(0.3, 0.8, 1.0), 1.5);
  img.Paint(ring, Opaque(0.7, 0.95, 1.0));
  TextPainter text(Typeface::SansBold);
  Field q(n, n);
  double size = text.SizeForCapHeight(30);
  text.DrawCentered(&q, "Q", 32, 47, size, 0);
  TextStyle style;
  style.glowSigma = 2.5;
  style.outlineWidth = 1.5;
  PaintText(&img, q, 17, 47, style);
  return img;
}
