// Rings: Titrek's gyroscope of three twisted rings around its light, the
// three Greets rings and the carrier of the greeting cards.
#include <algorithm>
#include <cmath>

#include "meshes.h"

namespace {
constexpr double kPi = 3.14159265358979323846;

double SignPow(double x, double e) {
  return (x < 0 ? -1.0 : 1.0) * std::pow(std::fabs(x), e);
}

struct RingShape {
  double R;       // radius of the centre circle
  double a, b;    // half width (radial) and half height of the section
  double n;       // superellipse exponent: 2 round, 4 squarish
  double twists;  // turns of the section along the ring
  Vec3 axisX, axisY, axisZ;  // ring plane (X, Z) and its normal (Y)
};

// Point on a ring: angle u along the centre circle, w around the section.
Vec3 RingPoint(const RingShape& s, double u, double w) {
  double ang = w + s.twists * u;
  double cx = s.a * SignPow(std::cos(ang), 2 / s.n);
  double cy = s.b * SignPow(std::sin(ang), 2 / s.n);
  // Untwist back into the ring's frame.
  double ox = cx * std::cos(s.twists * u) + cy * std::sin(s.twists * u);
  double oy = -cx * std::sin(s.twists * u) + cy * std::cos(s.twists * u);
  double rr = s.R + ox;
  return s.axisX * (rr * std::cos(u)) + s.axisZ * (rr * std::sin(u)) +
         s.axisY * oy;
}

void AddRing(MeshBuilder* b, const RingShape& s, int U, int W, double uRepeat,
             uint32_t material) {
  auto surface = [&](double u, double w) { return RingPoint(s, u, w); };
  b->AddGrid(
      U, W, true, true,
      [&](int i, int j) {
        double u = 2 * kPi * i / U, w = 2 * kPi * j / W;
        MeshVertex v;
        v.p = RingPoint(s, u, w);
        Vec3 n = SurfaceNormal(surface, u, w, 1e-4, 1e-4);
        // Outward from the centre circle.
        Vec3 c = s.axisX * (s.R * std::cos(u)) + s.axisZ * (s.R * std::sin(u));
        if (Dot(n, v.p - c) < 0) n = -n;
        v.n = n;
        v.u = uRepeat * i / U;
        v.v = static_cast<double>(j) / W;
        return v;
      },
      material);
}

Vec3 Tilt(Vec3 v, Vec3 axis, double deg) {
  return Rotate(v, Normalize(axis), deg * kPi / 180);
}

}  // namespace

XMeshData BuildGyroRings() {
  // Titrek's eye wanders within 20 units of the light at the origin, so
  // three interlocked rings of radius 32-44 (and a cage of three thin ones
  // further out) surround both; their inner
  // faces catch the light. The section zeroes the first material's diffuse
  // colour, so that ring glows by its emissive colour instead.
  MeshBuilder b;
  uint32_t m0 =
      b.AddMaterial(MakeMaterial(0.3, 0.3, 0.3, 30, 0.6, 0.85, 0.55, 0.3));
  uint32_t m1 = b.AddMaterial(MakeMaterial(0.25, 0.28, 0.3, 40, 0.8));
  uint32_t m2 = b.AddMaterial(MakeMaterial(0.3, 0.25, 0.22, 40, 0.8));
  Vec3 X{1, 0, 0}, Y{0, 1, 0}, Z{0, 0, 1};
  RingShape a{32, 3.5, 6, 4, 2, X, Y, Z};
  RingShape c{38, 3, 5, 2.6, 3, Tilt(X, Z, 90), Tilt(Y, Z, 90), Z};
  RingShape d{44, 4, 4, 3, 4, X, Tilt(Y, X, 90), Tilt(Z, X, 90)};
  AddRing(&b, a, 128, 16, 6, m0);
  AddRing(&b, c, 128, 16, 7, m1);
  AddRing(&b, d, 128, 16, 8, m2);
  // An outer cage of three thinner rings, so the wide lens (up to 2.7
  // radians) always finds structure around the light.
  for (int k = 0; k < 3; ++k) {
    Vec3 axis = Normalize(Vec3{std::cos(k * 2.1), 0.6, std::sin(k * 2.1)});
    RingShape o{54.0 + 6 * k,
                2.2,
                2.2,
                2,
                0,
                Tilt(X, axis, 60 + 35 * k),
                Tilt(Y, axis, 60 + 35 * k),
                Tilt(Z, axis, 60 + 35 * k)};
    AddRing(&b, o, 128, 12, 10, k % 2 ? m1 : m2);
  }
  return b.data();
}

XMeshData BuildGreetRing(int which) {
  // Greets: the eye ends about 200 units away at fov 2.3; rings of radius
  // 70 / 100 / 130 with round, squarish and flat sections. The third stands
  // level (it carries the cards), the others tilt so their turn about the
  // vertical axis shows.
  Vec3 X{1, 0, 0}, Y{0, 1, 0}, Z{0, 0, 1};
  RingShape s;
  switch (which) {
    case 0:
      s = {70, 6, 6, 2, 0, X, Tilt(Y, X, 90), Tilt(Z, X, 90)};
      break;
    case 1:
      s = {100, 7, 7, 4.5, 1, X, Tilt(Y, X, 50), Tilt(Z, X, 50)};
      break;
    default:
      s = {130, 2.5, 9, 3, 0, X, Y, Z};
      break;
  }
  MeshBuilder b;
  uint32_t mat = b.AddMaterial(MakeMaterial(1, 1, 1));
  AddRing(&b, s, 128, 16, 8, mat);
  return b.data();
}

XMeshData BuildCardCarrier() {
  // Four 60 x 60 panels standing on the third Greets ring (radius 130),
  // bent to its curve and set 5 units outside it; each shows the whole
  // greeting card (v 0..1 top to bottom). Every panel has a front facing
  // out and, 0.6 units inside it, a back facing in with u reversed, so the
  // cards on the far side of the ring do not read mirrored.
  const double R = 135, half = 30, back = 0.6;
  const int cols = 8, rows = 2;
  MeshBuilder b;
  uint32_t mat = b.AddMaterial(MakeMaterial(1, 1, 1));
  for (int k = 0; k < 4; ++k) {
    double centre = kPi / 2 * k - kPi / 2;  // first card faces -z
    double span = 2 * half / R;             // radians
    for (int face = 0; face < 2; ++face) {
      b.AddGrid(
          cols, rows, false, false,
          [&](int i, int j) {
            // Seen from outside (left-handed, y up) screen-right is the
            // growing angle, so the front's u grows with it; from inside
            // it is the other way round.
            double t = static_cast<double>(i) / cols;
            double ang = centre + span * (t - 0.5);
            MeshVertex v;
            Vec3 out{std::cos(ang), 0, std::sin(ang)};
            double r = face == 0 ? R : R - back;
            v.p = out * r + Vec3{0, half - 2 * half * j / rows, 0};
            v.n = face == 0 ? out : -out;
            v.u = face == 0 ? t : 1 - t;
            v.v = static_cast<double>(j) / rows;
            return v;
          },
          mat);
    }
  }
  return b.data();
}
