// topuz's knot: a lumpy, twisted (2,3) torus knot. Welded (no duplicated
// vertices), because the section recomputes its normals from the faces and
// textures it from camera-space normals; its texture coordinates are not
// read. The eye is 225-545 units away at fov 45 degrees, so the knot spans
// about 200 units.
#include <cmath>
#include <vector>

#include "meshes.h"
#include "noise.h"
#include "rng.h"

namespace {
constexpr double kPi = 3.14159265358979323846;

Vec3 KnotCurve(double t) {
  // (p, q) = (2, 3); R the knot's radius, r its swing about that circle.
  const double R = 60, r = 25;
  return {(R + r * std::cos(3 * t)) * std::cos(2 * t),
          (R + r * std::cos(3 * t)) * std::sin(2 * t), r * std::sin(3 * t)};
}
}  // namespace

XMeshData BuildKnot() {
  const int N = 256, M = 24;  // along the curve, around the tube
  const double r0 = 14;       // tube radius before the lumps
  const int twists = 3;       // turns of the cross-section along the loop
  const uint64_t seed = HashInts(104, 1);
  // Parallel-transport frame along the closed curve: it does not flip where
  // the curvature vanishes, unlike the Frenet frame. The angle it is off
  // by after one loop is spread evenly so the ends meet.
  std::vector<Vec3> c(N), tan(N), nrm(N);
  for (int i = 0; i < N; ++i) {
    double t = 2 * kPi * i / N, h = 1e-4;
    c[i] = KnotCurve(t);
    tan[i] = Normalize(KnotCurve(t + h) - KnotCurve(t - h));
  }
  nrm[0] = Normalize(Cross(tan[0], Vec3{0, 0, 1}));
  for (int i = 1; i <= N; ++i) {
    Vec3 prev = nrm[i - 1];
    Vec3 t = tan[i % N];
    Vec3 n = Normalize(prev - t * Dot(prev, t));
    if (i < N)
      nrm[i] = n;
    else {
      // Leftover angle between the transported and the starting normal.
      Vec3 b0 = Cross(tan[0], nrm[0]);
      double err = std::atan2(Dot(n, b0), Dot(n, nrm[0]));
      for (int k = 0; k < N; ++k) nrm[k] = Rotate(nrm[k], tan[k], -err * k / N);
    }
  }
  auto radius = [&](Vec3 p) {
    return r0 *
           (1 + 0.25 * Fbm3(p.x * 0.03, p.y * 0.03, p.z * 0.03, 3, 0.5, seed) *
                    1.8);
  };
  // Vertex of ring i at angle j; evaluated at fractional i, j for normals.
  auto surface = [&](double fi, double fj) {
    int i0 = static_cast<int>(std::floor(fi));
    double f = fi - i0;
    int a = ((i0 % N) + N) % N, b = (a + 1) % N;
    Vec3 cc = c[a] * (1 - f) + c[b] * f;
    Vec3 t = Normalize(tan[a] * (1 - f) + tan[b] * f);
    Vec3 n = Normalize(nrm[a] * (1 - f) + nrm[b] * f);
    Vec3 bn = Cross(t, n);
    double ang = 2 * kPi * fj / M + 2 * kPi * twists * fi / N;
    Vec3 dir = n * std::cos(ang) + bn * std::sin(ang);
    Vec3 p0 = cc + dir * r0;
    return cc + dir * radius(p0);
  };
  MeshBuilder b;
  uint32_t mat = b.AddMaterial(MakeMaterial(0.8, 0.9, 1.0, 20, 0.5));
  b.AddWeldedGrid(
      N, M,
      [&](int i, int j) {
        MeshVertex v;
        v.p = surface(i, j);
        Vec3 n = SurfaceNormal(surface, i, j, 0.05, 0.05);
        // Outward: away from the curve.
        Vec3 cc = c[i];
        if (Dot(n, v.p - cc) < 0) n = -n;
        v.n = n;
        v.u = static_cast<double>(i) / N;
        v.v = static_cast<double>(j) / M;
        return v;
      },
      mat);
  return b.data();
}
