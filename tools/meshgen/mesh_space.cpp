// The backdrop sphere and the tunnel: surfaces seen from inside.
#include <cmath>

#include "meshes.h"

namespace {
constexpr double kPi = 3.14159265358979323846;
}

XMeshData BuildBackdrop() {
  // Radius 400: the backdrop camera sits at its centre with near plane 1
  // and far plane 1000. 64 segments x 32 rings; the tiling texture is
  // repeated twice around so its texels stay square (circumference 2513,
  // pole to pole 1257).
  const double R = 400;
  const int S = 64, K = 32;
  MeshBuilder b;
  uint32_t mat = b.AddMaterial(MakeMaterial(1, 1, 1));
  b.AddGrid(
      S, K, true, false,
      [&](int i, int j) {
        double lon = 2 * kPi * i / S, lat = kPi * j / K;
        Vec3 p{R * std::sin(lat) * std::cos(lon), R * std::cos(lat),
               R * std::sin(lat) * std::sin(lon)};
        MeshVertex v;
        v.p = p;
        v.n = -Normalize(p);  // seen from inside
        v.u = 2.0 * i / S;
        v.v = static_cast<double>(j) / K;
        // Pole rows: one vertex per segment with u at the segment's centre.
        if (j == 0 || j == K) {
          v.u = 2.0 * (i + 0.5) / S;
          v.p.x = v.p.z = 0;  // exactly on the axis: sin(pi) is not quite 0
        }
        return v;
      },
      mat);
  return b.data();
}

XMeshData BuildTunnel() {
  // A torus in the xz plane, R = 140, r = 36: its centre line passes the
  // Tunnel camera at (0, 0, -140), and the section's spin about y streams
  // the walls past. Normals point inwards. The panel texture repeats 8
  // times along (880 units) and twice around (226 units).
  const double R = 140, r = 36;
  const int U = 96, V = 24;
  MeshBuilder b;
  uint32_t mat = b.AddMaterial(MakeMaterial(1, 1, 1));
  b.AddGrid(
      U, V, true, true,
      [&](int i, int j) {
        double u = 2 * kPi * i / U, w = 2 * kPi * j / V;
        Vec3 centre{R * std::cos(u), 0, R * std::sin(u)};
        Vec3 out{std::cos(w) * std::cos(u), std::sin(w),
                 std::cos(w) * std::sin(u)};
        MeshVertex v;
        v.p = centre + out * r;
        v.n = -out;
        v.u = 8.0 * i / U;
        v.v = 2.0 * j / V;
        return v;
      },
      mat);
  return b.data();
}
