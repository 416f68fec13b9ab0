// Surfaces: tunnel/backdrop panels, brushed metal, the glider's hull plates
// and the three band textures of the banded mesh. All tile (the bands in u
// only), and all are lit once in the texture by a bump pass so they read
// as relief even where the mesh is drawn unlit.
#include <algorithm>
#include <cmath>

#include "art.h"
#include "art_util.h"
#include "noise.h"
#include "rng.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

double Frac(double x) { return x - std::floor(x); }

Rgba Shade(const Rgba& base, double diffuse, double specular, double spec) {
  return Opaque(std::min(1.0, base.r * diffuse + spec * specular),
                std::min(1.0, base.g * diffuse + spec * specular),
                std::min(1.0, base.b * diffuse + spec * specular));
}

// Nearest and second-nearest centres of a hexagonal lattice with unit
// spacing, `cols` columns across the width (so it tiles in u).
struct Hex {
  double f1, f2;
  int ci, cj;
};
Hex HexCells(double x, double y) {
  const double h = std::sqrt(3.0);
  Hex best{1e9, 1e9, 0, 0};
  for (int lattice = 0; lattice < 2; ++lattice) {
    double ox = lattice * 0.5, oy = lattice * h / 2;
    int bi = static_cast<int>(std::floor(x - ox + 0.5));
    int bj = static_cast<int>(std::floor((y - oy) / h + 0.5));
    for (int dj = -1; dj <= 1; ++dj)
      for (int di = -1; di <= 1; ++di) {
        int i = bi + di, j = bj + dj;
        double d = std::hypot(x - (i + ox), y - (j * h + oy));
        if (d < best.f1) {
          best.f2 = best.f1;
          best.f1 = d;
          best.ci = 2 * i + lattice;
          best.cj = j;
        } else if (d < best.f2) {
          best.f2 = d;
        }
      }
  }
  return best;
}

}  // namespace

Image PaintPanels() {
  const int n = 512;
  const uint64_t seed = HashInts(141, 1);
  Field height(n, n), seams(n, n), lamps(n, n);
  Field tint(n, n);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      double u = (x + 0.5) / n, v = (y + 0.5) / n;
      CellSample c = TileCells(u, v, 6, 6, seed);
      double edge = c.f2 - c.f1;
      double groove = 1.0 - SmoothStep(0.02, 0.07, edge);
      double level = HashUnit(Mix64(c.id));
      double detail = TileFbm(u, v, 16, 16, 4, 0.5, seed + 2);
      // Small square vents on a few plates.
      double vx = Frac(u * 32), vy = Frac(v * 64);
      double vent = (HashUnit(Mix64(c.id + 2)) < 0.3 && vy > 0.2 && vy < 0.8 &&
                     vx > 0.15 && vx < 0.85 && edge > 0.12)
                        ? 1.0
                        : 0.0;
      height.At(x, y) = static_cast<float>(0.5 + 0.25 * level - 0.7 * groove +
                                           0.04 * detail - 0.1 * vent);
      seams.At(x, y) = static_cast<float>(groove);
      lamps.At(x, y) =
          static_cast<float>(HashUnit(Mix64(c.id + 7)) < 0.35 ? groove : 0.0);
      tint.At(x, y) = static_cast<float>(HashUnit(Mix64(c.id + 4)));
    }
  Blur(&height, 0.8, Edge::Wrap);
  Lighting lit = BumpLight(height, 6.0, -0.5, -0.6, 0.65, 40, Edge::Wrap);
  Field glow = lamps;
  Blur(&glow, 3.0, Edge::Wrap);
  return MakeImage(n, n, [&](double, double, double fx, double fy) {
    int x = static_cast<int>(fx), y = static_cast<int>(fy);
    double t = tint.At(x, y);
    Rgba base = Lerp(Opaque(0.30, 0.36, 0.45), Opaque(0.42, 0.40, 0.48), t);
    base = Lerp(base, Opaque(0.04, 0.05, 0.07), seams.At(x, y) * 0.8);
    Rgba c = Shade(base, lit.diffuse.At(x, y), lit.specular.At(x, y), 0.35);
    double g = std::min(1.0, 1.6 * glow.At(x, y) + lamps.At(x, y));
    return Opaque(std::min(1.0, c.r + 0.20 * g), std::min(1.0, c.g + 0.75 * g),
                  std::min(1.0, c.b + 0.95 * g));
  });
}

Image PaintBrushedMetal() {
  const int n = 512;
  const uint64_t seed = HashInts(144, 1);
  Field height(n, n);
  Field brush(n, n);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      double u = (x + 0.5) / n, v = (y + 0.5) / n;
      // Brushing: noise stretched along u.
      double b = TileFbm(u, v, 2, 96, 4, 0.6, seed);
      // A 4 x 4 grid of panels with recessed seams.
      // Seams sit half a panel in from the edges, so the tile's wrap falls
      // inside a panel.
      double su = std::min(Frac(u * 4 + 0.5), 1 - Frac(u * 4 + 0.5)) * n / 4;
      double sv = std::min(Frac(v * 4 + 0.5), 1 - Frac(v * 4 + 0.5)) * n / 4;
      double seam = 1.0 - SmoothStep(1.0, 2.5, std::min(su, sv));
      brush.At(x, y) = static_cast<float>(b);
      height.At(x, y) = static_cast<float>(0.6 - 0.6 * seam + 0.02 * b);
    }
  Lighting lit = BumpLight(height, 5.0, -0.4, -0.7, 0.6, 60, Edge::Wrap);
  return MakeImage(n, n, [&](double u, double v, double fx, double fy) {
    int x = static_cast<int>(fx), y = static_cast<int>(fy);
    // Broad soft bands: they read as reflections when sphere-mapped.
    double warp = TileFbm(u, v, 2, 2, 3, 0.5, seed + 3);
    double bands = 0.5 + 0.5 * std::sin(2 * kPi * (2 * v + 0.15 * warp) +
                                        std::sin(2 * kPi * u));
    double k = 0.35 + 0.35 * bands * bands + 0.10 * brush.At(x, y);
    Rgba base = Opaque(0.92 * k, 0.95 * k, 1.0 * k);
    return Shade(base, lit.diffuse.At(x, y) * 1.05, lit.specular.At(x, y),
                 0.25);
  });
}

Image PaintHull() {
  const int n = 512;
  const uint64_t seed = HashInts(163, 1);
  Field height(n, n), grime(n, n), mark(n, n);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      double u = (x + 0.5) / n, v = (y + 0.5) / n;
      // Staggered plate rows: 8 rows, 4 plates per row, every other row
      // shifted by half a plate.
      // Rows start half a plate below the top edge, so the wrap falls
      // inside plates.
      double pv = v * 8 + 0.5;
      int row = static_cast<int>(pv) % 8;
      double pu = u * 4 + (row % 2) * 0.5 + 0.25;
      int col = static_cast<int>(std::floor(pu));
      double fu = Frac(pu), fv = Frac(pv);
      double du = std::min(fu, 1 - fu) * n / 4,
             dv = std::min(fv, 1 - fv) * n / 8;
      double seam = 1.0 - SmoothStep(0.8, 2.2, std::min(du, dv));
      // Rivets along the plate edges, every 16 px.
      double ru = Frac(pu * 8) - 0.5, rv = dv - 5.0;
      double rivet = std::exp(-(ru * ru * 64 * 4 + rv * rv) / 2.5);
      uint64_t plate = HashInts(seed, (col % 4 + 4) % 4, row);
      double lvl = HashUnit(plate);
      double g = TileFbm(u, v, 6, 6, 5, 0.6, seed + 3);
      height.At(x, y) = static_cast<float>(0.5 + 0.08 * lvl - 0.6 * seam +
                                           0.4 * rivet + 0.03 * g);
      grime.At(x, y) = static_cast<float>(0.5 + 0.5 * g);
      double m = HashUnit(Mix64(plate + 1));
      mark.At(x, y) = static_cast<float>(m < 0.1 ? 1 : m < 0.16 ? 2 : 0);
    }
  Lighting lit = BumpLight(height, 5.0, -0.5, -0.5, 0.7, 40, Edge::Wrap);
  return MakeImage(n, n, [&](double u, double v, double fx, double fy) {
    int x = static_cast<int>(fx), y = static_cast<int>(fy);
    Rgba base = Opaque(0.62, 0.64, 0.66);
    if (mark.At(x, y) == 1) base = Opaque(0.75, 0.30, 0.10);
    if (mark.At(x, y) == 2) {
      // Hazard stripes on a few plates.
      double s = Frac((u + v) * 24);
      base = s < 0.5 ? Opaque(0.85, 0.65, 0.10) : Opaque(0.10, 0.10, 0.10);
    }
    double dirt = SmoothStep(0.35, 0.8, grime.At(x, y));
    base = Lerp(base, Opaque(0.18, 0.16, 0.14), 0.6 * dirt);
    return Shade(base, lit.diffuse.At(x, y), lit.specular.At(x, y), 0.3);
  });
}

namespace {

// Common shape of the band textures: a 400 x 200 strip, tiling in u, with
// darker rims at the top and bottom where the bands meet.
template <class Fn>
Image PaintBand(uint64_t seed, Fn surface) {
  const int w = 400, h = 200;
  Field height(w, h);
  Image base(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      double u = (x + 0.5) / w, v = (y + 0.5) / h;
      double hgt;
      base.At(x, y) = surface(u, v, &hgt);
      double rim = SmoothStep(0.0, 0.08, std::min(v, 1 - v));
      height.At(x, y) = static_cast<float>(
          hgt * rim + 0.02 * TileFbm(u, v, 8, 4, 4, 0.5, seed));
    }
  Lighting lit = BumpLight(height, 5.0, -0.3, -0.7, 0.65, 40, Edge::Clamp);
  return MakeImage(w, h, [&](double, double v, double fx, double fy) {
    int x = static_cast<int>(fx), y = static_cast<int>(fy);
    double rim = 0.45 + 0.55 * SmoothStep(0.0, 0.1, std::min(v, 1 - v));
    return Shade(Scale(base.At(x, y), rim), lit.diffuse.At(x, y),
                 lit.specular.At(x, y), 0.3);
  });
}

}  // namespace

Image PaintBandStripes() {
  const uint64_t seed = HashInts(165, 1);
  return PaintBand(seed, [&](double u, double v, double* hgt) {
    double s = Frac(u * 12 + v * 3);
    bool light = s < 0.5;
    double edge = std::min(std::fabs(s - 0.5), std::min(s, 1 - s));
    *hgt = light ? 0.6 : 0.45;
    *hgt -= 0.2 * (1 - SmoothStep(0.0, 0.03, edge));
    double grain = 0.5 + 0.5 * TileFbm(u, v, 16, 8, 3, 0.5, seed + 1);
    Rgba a = Opaque(0.15, 0.75, 0.85), b = Opaque(0.05, 0.18, 0.28);
    // A thin bright rule near each rim.
    double rule = std::exp(-std::pow((std::min(v, 1 - v) - 0.13) * 60, 2));
    Rgba c = light ? a : b;
    c = Scale(c, 0.85 + 0.3 * grain);
    c = Lerp(c, Opaque(0.9, 0.95, 1.0), rule);
    c.a = 1;
    return c;
  });
}

Image PaintBandRivets() {
  const uint64_t seed = HashInts(166, 1);
  return PaintBand(seed, [&](double u, double v, double* hgt) {
    // Four plates around, two rivet rows, 20 rivets per row.
    double pu = Frac(u * 4 + 0.5);
    double seam = 1 - SmoothStep(0.0, 0.012, std::min(pu, 1 - pu));
    double ru = Frac(u * 20) - 0.5;
    double rivet = 0;
    for (double row : {0.22, 0.78}) {
      double rv = (v - row) * 2;  // v spans half the pixels of u per unit
      rivet = std::max(rivet, std::exp(-(ru * ru + rv * rv * 25) * 60));
    }
    double g = TileFbm(u, v, 6, 3, 5, 0.55, seed + 1);
    *hgt = 0.5 - 0.5 * seam + 0.35 * rivet;
    Rgba c =
        Lerp(Opaque(0.72, 0.40, 0.22), Opaque(0.95, 0.65, 0.35), 0.5 + 0.5 * g);
    c = Lerp(c, Opaque(0.25, 0.45, 0.40), SmoothStep(0.3, 0.7, g) * 0.5);
    c = Lerp(c, Opaque(1.0, 0.85, 0.6), rivet * 0.6);
    return c;
  });
}

Image PaintBandHex() {
  const uint64_t seed = HashInts(167, 1);
  return PaintBand(seed, [&](double u, double v, double* hgt) {
    // 16 hexagon columns around; the strip is half as tall as wide.
    Hex hx = HexCells(u * 16, v * 8);
    double edge = hx.f2 - hx.f1;
    double wall = 1 - SmoothStep(0.03, 0.09, edge);
    uint64_t id = HashInts(seed, ((hx.ci % 32) + 32) % 32, hx.cj);
    double lvl = HashUnit(id);
    *hgt = 0.55 + 0.1 * lvl - 0.5 * wall;
    Rgba c = Lerp(Opaque(0.22, 0.12, 0.45), Opaque(0.45, 0.30, 0.85), lvl);
    if (HashUnit(Mix64(id)) < 0.15) c = Opaque(0.75, 0.55, 1.0);  // lit cell
    c = Lerp(c, Opaque(0.05, 0.03, 0.10), wall);
    return c;
  });
}
