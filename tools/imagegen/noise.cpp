#include "noise.h"

#include <algorithm>
#include <cmath>

#include "rng.h"

namespace {

double Fade(double t) { return t * t * t * (t * (t * 6 - 15) + 10); }

int Wrap(int i, int n) {
  int r = i % n;
  return r < 0 ? r + n : r;
}

// Gradient at a lattice point: one of 16 unit directions, picked by hash.
struct Directions {
  double c[16], s[16];
  Directions() {
    for (int i = 0; i < 16; ++i) {
      c[i] = std::cos(i * (3.14159265358979323846 / 8.0));
      s[i] = std::sin(i * (3.14159265358979323846 / 8.0));
    }
  }
};
const Directions kDirections;

double Grad2(uint64_t seed, int ix, int iy, double dx, double dy) {
  uint64_t h = HashInts(seed, ix, iy) & 15;
  return kDirections.c[h] * dx + kDirections.s[h] * dy;
}

double Grad3(uint64_t seed, int ix, int iy, int iz, double dx, double dy,
             double dz) {
  // The twelve edge directions of a cube.
  static const int kDirs[12][3] = {{1, 1, 0},   {-1, 1, 0},  {1, -1, 0},
                                   {-1, -1, 0}, {1, 0, 1},   {-1, 0, 1},
                                   {1, 0, -1},  {-1, 0, -1}, {0, 1, 1},
                                   {0, -1, 1},  {0, 1, -1},  {0, -1, -1}};
  const int* d = kDirs[HashInts(seed, ix, iy, iz) % 12];
  return d[0] * dx + d[1] * dy + d[2] * dz;
}

}  // namespace

double SmoothStep(double e0, double e1, double x) {
  double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
  return t * t * (3 - 2 * t);
}

double TileNoise(double x, double y, int px, int py, uint64_t seed) {
  double fx = std::floor(x), fy = std::floor(y);
  int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
  double dx = x - fx, dy = y - fy;
  int x0 = Wrap(ix, px), x1 = Wrap(ix + 1, px);
  int y0 = Wrap(iy, py), y1 = Wrap(iy + 1, py);
  double n00 = Grad2(seed, x0, y0, dx, dy);
  double n10 = Grad2(seed, x1, y0, dx - 1, dy);
  double n01 = Grad2(seed, x0, y1, dx, dy - 1);
  double n11 = Grad2(seed, x1, y1, dx - 1, dy - 1);
  double u = Fade(dx), v = Fade(dy);
  double a = n00 + (n10 - n00) * u;
  double b = n01 + (n11 - n01) * u;
  return (a + (b - a) * v) * 1.41421356;
}

double TileFbm(double u, double v, int fx, int fy, int octaves, double gain,
               uint64_t seed) {
  double sum = 0, amp = 1, norm = 0;
  for (int o = 0; o < octaves; ++o) {
    int px = fx << o, py = fy << o;
    sum += amp * TileNoise(u * px, v * py, px, py, Mix64(seed + o));
    norm += amp;
    amp *= gain;
  }
  return sum / norm;
}

double TileTurbulence(double u, double v, int fx, int fy, int octaves,
                      double gain, uint64_t seed) {
  double sum = 0, amp = 1, norm = 0;
  for (int o = 0; o < octaves; ++o) {
    int px = fx << o, py = fy << o;
    sum += amp * std::fabs(TileNoise(u * px, v * py, px, py, Mix64(seed + o)));
    norm += amp;
    amp *= gain;
  }
  return sum / norm;
}

double Noise3(double x, double y, double z, uint64_t seed) {
  double fx = std::floor(x), fy = std::floor(y), fz = std::floor(z);
  int ix = static_cast<int>(fx), iy = static_cast<int>(fy),
      iz = static_cast<int>(fz);
  double dx = x - fx, dy = y - fy, dz = z - fz;
  double u = Fade(dx), v = Fade(dy), w = Fade(dz);
  double c[2][2][2];
  for (int k = 0; k < 2; ++k)
    for (int j = 0; j < 2; ++j)
      for (int i = 0; i < 2; ++i)
        c[k][j][i] =
            Grad3(seed, ix + i, iy + j, iz + k, dx - i, dy - j, dz - k);
  auto lerp = [](double a, double b, double t) { return a + (b - a) * t; };
  double x00 = lerp(c[0][0][0], c[0][0][1], u);
  double x10 = lerp(c[0][1][0], c[0][1][1], u);
  double x01 = lerp(c[1][0][0], c[1][0][1], u);
  double x11 = lerp(c[1][1][0], c[1][1][1], u);
  return lerp(lerp(x00, x10, v), lerp(x01, x11, v), w);
}

double Fbm3(double x, double y, double z, int octaves, double gain,
            uint64_t seed) {
  double sum = 0, amp = 1, norm = 0, f = 1;
  for (int o = 0; o < octaves; ++o) {
    sum += amp * Noise3(x * f, y * f, z * f, Mix64(seed + o));
    norm += amp;
    amp *= gain;
    f *= 2.0;
  }
  return sum / norm;
}

CellSample TileCells(double u, double v, int n, int m, uint64_t seed) {
  double x = u * n, y = v * m;
  int cx = static_cast<int>(std::floor(x)),
      cy = static_cast<int>(std::floor(y));
  CellSample s{1e9, 1e9, 0};
  for (int j = -1; j <= 1; ++j)
    for (int i = -1; i <= 1; ++i) {
      int gx = cx + i, gy = cy + j;
      int wx = Wrap(gx, n), wy = Wrap(gy, m);
      uint64_t h = HashInts(seed, wx, wy);
      double ox = HashUnit(Mix64(h)), oy = HashUnit(Mix64(h + 1));
      double px = gx + 0.1 + 0.8 * ox, py = gy + 0.1 + 0.8 * oy;
      double d = std::hypot(px - x, py - y);
      if (d < s.f1) {
        s.f2 = s.f1;
        s.f1 = d;
        s.id = h;
      } else if (d < s.f2) {
        s.f2 = d;
      }
    }
  return s;
}
