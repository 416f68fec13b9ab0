// Bodies: Shine's bent tube (also the Arms follower), the sphere-mapped
// blob, Uzun's glider and its banded column.
#include <algorithm>
#include <cmath>
#include <vector>

#include "meshes.h"

namespace {
constexpr double kPi = 3.14159265358979323846;

double SuperR(double phi, double m, double n1, double n2, double n3) {
  double c = std::pow(std::fabs(std::cos(m * phi / 4)), n2);
  double s = std::pow(std::fabs(std::sin(m * phi / 4)), n3);
  return std::pow(c + s, -1.0 / n1);
}

// Adds a flat disc cap (own vertices, normal `n`) around ring points.
void AddCap(MeshBuilder* b, Vec3 centre, const std::vector<Vec3>& ring, Vec3 n,
            uint32_t material) {
  MeshVertex cv{centre, n, 0.5, 0.5};
  uint32_t c = b->AddVertex(cv);
  std::vector<uint32_t> idx;
  int k = static_cast<int>(ring.size());
  for (int i = 0; i < k; ++i) {
    double a = 2 * kPi * i / k;
    idx.push_back(b->AddVertex(
        {ring[i], n, 0.5 + 0.5 * std::cos(a), 0.5 + 0.5 * std::sin(a)}));
  }
  for (int i = 0; i < k; ++i)
    b->AddTriangle(c, idx[i], idx[(i + 1) % k], material);
}

// A flat plate: the quad `top` (in order around it) thickened by +-`half`,
// with its own vertices per face so every face has a flat normal. Texture
// coordinates are planar, one repeat per 80 units.
void AddSlab(MeshBuilder* b, const std::vector<Vec3>& quad, Vec3 half,
             uint32_t material) {
  Vec3 n = Normalize(half);
  auto uv = [](Vec3 p) {
    return std::pair<double, double>{p.x / 80.0, (p.y + p.z) / 80.0};
  };
  for (double sgn : {1.0, -1.0}) {
    uint32_t idx[4];
    for (int k = 0; k < 4; ++k) {
      Vec3 p = quad[k] + half * sgn;
      auto [u, v] = uv(p);
      idx[k] = b->AddVertex({p, n * sgn, u, v});
    }
    b->AddQuad(idx[0], idx[1], idx[2], idx[3], material);
  }
  for (int k = 0; k < 4; ++k) {
    Vec3 a = quad[k], c = quad[(k + 1) % 4];
    Vec3 centre = (quad[0] + quad[1] + quad[2] + quad[3]) * 0.25;
    Vec3 side = Normalize(Cross(c - a, n));
    if (Dot(side, (a + c) * 0.5 - centre) < 0) side = -side;
    Vec3 p[4] = {a + half, c + half, c - half, a - half};
    uint32_t idx[4];
    for (int i = 0; i < 4; ++i) {
      auto [u, v] = uv(p[i]);
      idx[i] = b->AddVertex({p[i], side, u, v});
    }
    b->AddQuad(idx[0], idx[1], idx[2], idx[3], material);
  }
}

}  // namespace

XMeshData BuildBentTube() {
  // Shine's eye is 90 units away at fov 2.3; the section bends the mesh
  // along its x extent, so it is long in x: -100..100 on a sinuous centre
  // line, radius 9 +- 3. u runs by arc length with 24 whole repeats, so the
  // dot texture in Arms becomes rings of glowing spots.
  const int N = 200, M = 20;
  const double x0 = -100, x1 = 100;
  auto centre = [](double x) {
    return Vec3{x, 16 * std::sin(2 * kPi * x / 100),
                10 * std::cos(2 * kPi * x / 70)};
  };
  auto radius = [](double x) { return 9 + 3 * std::sin(2 * kPi * x / 40); };
  std::vector<Vec3> c(N + 1), t(N + 1), n(N + 1);
  std::vector<double> arc(N + 1, 0);
  for (int i = 0; i <= N; ++i) {
    double x = x0 + (x1 - x0) * i / N;
    c[i] = centre(x);
    t[i] = Normalize(centre(x + 1e-3) - centre(x - 1e-3));
    if (i > 0) arc[i] = arc[i - 1] + Length(c[i] - c[i - 1]);
  }
  n[0] = Normalize(Cross(t[0], Vec3{0, 0, 1}));
  for (int i = 1; i <= N; ++i)
    n[i] = Normalize(n[i - 1] - t[i] * Dot(n[i - 1], t[i]));
  MeshBuilder b;
  uint32_t mat = b.AddMaterial(MakeMaterial(0.8, 0.85, 0.9, 30, 0.6));
  b.AddGrid(
      M, N, true, false,
      [&](int j, int i) {
        double x = x0 + (x1 - x0) * i / N;
        double a = 2 * kPi * j / M;
        Vec3 bn = Cross(t[i], n[i]);
        Vec3 dir = n[i] * std::cos(a) + bn * std::sin(a);
        double dr = (radius(x + 1e-3) - radius(x - 1e-3)) / 2e-3;
        MeshVertex v;
        v.p = c[i] + dir * radius(x);
        v.n = dir - t[i] * dr;
        v.u = 24.0 * arc[i] / arc[N];
        v.v = static_cast<double>(j) / M;
        return v;
      },
      mat);
  for (int end : {0, N}) {
    std::vector<Vec3> ring;
    double x = x0 + (x1 - x0) * end / N;
    Vec3 bn = Cross(t[end], n[end]);
    for (int j = 0; j < M; ++j) {
      double a = 2 * kPi * j / M;
      ring.push_back(c[end] +
                     (n[end] * std::cos(a) + bn * std::sin(a)) * radius(x));
    }
    AddCap(&b, c[end], ring, end == 0 ? -t[0] : t[N], mat);
  }
  return b.data();
}

XMeshData BuildBlob() {
  // A six-lobed supershape of radius about 35, smooth enough for a sphere
  // map to read as a polished object. Titrek shows it at 0.2 scale near its
  // look-at point, Tunnel at 0.03 scale six units from the eye.
  const int S = 96, K = 48;
  auto surface = [](double th, double ph) {
    double r1 = SuperR(th, 6, 2.2, 5, 5);
    double r2 = SuperR(ph, 4, 3, 6, 6);
    return Vec3{r1 * std::cos(th) * r2 * std::cos(ph),
                r1 * std::sin(th) * r2 * std::cos(ph), r2 * std::sin(ph)};
  };
  // Scale so the largest extent is 35.
  double maxR = 0;
  for (int j = 0; j <= K; ++j)
    for (int i = 0; i < S; ++i)
      maxR = std::max(maxR, Length(surface(-kPi + 2 * kPi * i / S,
                                           -kPi / 2 + kPi * j / K)));
  double k = 35 / maxR;
  auto scaled = [&](double th, double ph) { return surface(th, ph) * k; };
  MeshBuilder b;
  uint32_t mat =
      b.AddMaterial(MakeMaterial(0.3, 0.3, 0.32, 40, 0.9, 0.08, 0.08, 0.1));
  b.AddGrid(
      S, K, true, false,
      [&](int i, int j) {
        double th = -kPi + 2 * kPi * i / S, ph = -kPi / 2 + kPi * j / K;
        MeshVertex v;
        v.p = scaled(th, ph);
        if (j == 0 || j == K) {
          v.n = {0, 0, j == 0 ? -1.0 : 1.0};
        } else {
          Vec3 n = SurfaceNormal(scaled, th, ph, 1e-4, 1e-4);
          if (Dot(n, v.p) < 0) n = -n;
          v.n = n;
        }
        v.u = static_cast<double>(i) / S;
        v.v = static_cast<double>(j) / K;
        return v;
      },
      mat);
  return b.data();
}

namespace {

// A body of revolution about the x axis, centre line raised by `lift`;
// section a superellipse (exponent n, width/height ratio) scaled by r(x).
struct Revolution {
  double lift, n, wide, tall;
};
Vec3 RevPoint(const Revolution& s, double x, double r, double a) {
  double c = std::cos(a), sn = std::sin(a);
  double e = 2 / s.n;
  double cy = (c < 0 ? -1 : 1) * std::pow(std::fabs(c), e) * s.tall;
  double cz = (sn < 0 ? -1 : 1) * std::pow(std::fabs(sn), e) * s.wide;
  return {x, s.lift + r * cy, r * cz};
}

}  // namespace

XMeshData BuildGlider() {
  // Uzun turns the glider 90 degrees about y (model +x, the nose, becomes
  // world -z) and slides it from z = 1000 towards the camera, which circles
  // the z axis at radius 16. Its centre line is lifted 35 units so it
  // passes over the camera and the banded column instead of through them.
  // Length 300, radius 8-15; the hull texture repeats 4 times along.
  const int N = 160, M = 24;
  const double x0 = -150, x1 = 150;
  Revolution s{35, 3.0, 1.25, 0.8};
  auto radius = [](double x) {
    if (x > 90) {  // ogive nose
      double f = (x - 90) / 60;
      return 13 * std::sqrt(std::max(0.0, 1 - f * f)) + 0.3;
    }
    if (x < -125) return 10 + 5 * ((x + 150) / 25);  // flared tail
    // Plated segments with shallow grooves every 25 units.
    double g = std::fmod(x + 150, 25.0);
    double groove = std::exp(-std::pow((g - 12.5) / 1.2, 2));
    return 13 + 2 * std::cos(2 * kPi * x / 215) - 1.2 * groove;
  };
  auto surface = [&](double x, double a) {
    return RevPoint(s, x, radius(x), a);
  };
  MeshBuilder b;
  // Bright diffuse and some emission: the camera light (range 420) does not
  // reach the glider for most of its way in, and the texture is modulated
  // by the lit colour.
  uint32_t hull =
      b.AddMaterial(MakeMaterial(0.9, 0.9, 0.95, 30, 0.7, 0.3, 0.3, 0.33));
  uint32_t engine =
      b.AddMaterial(MakeMaterial(0.3, 0.2, 0.1, 0, 0, 0.9, 0.5, 0.2));
  b.AddGrid(
      M, N, true, false,
      [&](int j, int i) {
        double x = x0 + (x1 - x0) * i / N, a = 2 * kPi * j / M;
        MeshVertex v;
        v.p = surface(x, a);
        Vec3 n = SurfaceNormal(surface, x, a, 1e-3, 1e-4);
        Vec3 axis{x, s.lift, 0};
        if (Dot(n, v.p - axis) < 0) n = -n;
        v.n = n;
        v.u = 4.0 * i / N;
        v.v = static_cast<double>(j) / M;
        return v;
      },
      hull);
  std::vector<Vec3> ring;
  for (int j = 0; j < M; ++j) ring.push_back(surface(x0, 2 * kPi * j / M));
  AddCap(&b, Vec3{x0, s.lift, 0}, ring, Vec3{-1, 0, 0}, engine);
  // Swept wings and a tail fin make it read as a craft from every side.
  for (double side : {-1.0, 1.0}) {
    AddSlab(
        &b,
        {Vec3{-10, s.lift - 2, side * 12}, Vec3{-110, s.lift - 2, side * 12},
         Vec3{-125, s.lift - 6, side * 75}, Vec3{-85, s.lift - 6, side * 75}},
        Vec3{0, 1.6, 0}, hull);
  }
  AddSlab(&b,
          {Vec3{-95, s.lift + 8, 0}, Vec3{-140, s.lift + 8, 0},
           Vec3{-150, s.lift + 42, 0}, Vec3{-125, s.lift + 42, 0}},
          Vec3{0, 0, 1.4}, hull);
  return b.data();
}

XMeshData BuildBanded() {
  // Uzun's column: the section turns it -90 degrees about y, so its model x
  // axis lies along the world z axis, which the camera circles at radius
  // 16 between z = -75 and 25. Radius at most 11 keeps it inside that
  // circle. 18 bands, each its own subset with its own boundary rings and
  // v 0..1 inside the band, so every band shows a whole band texture.
  const int bands = 18, around = 64, rows = 4;
  const double x0 = -72, x1 = 72;
  Revolution s{0, 2.0, 1, 1};
  auto radius = [](double x) {
    return 7.5 + 2.5 * std::cos(2 * kPi * x / 48) - 1.5 * std::pow(x / 72, 2);
  };
  auto lobes = [](double a) { return 1 + 0.1 * std::cos(6 * a); };
  auto surface = [&](double x, double a) {
    return RevPoint(s, x, radius(x) * lobes(a), a);
  };
  MeshBuilder b;
  for (int k = 0; k < bands; ++k) {
    double tint = 0.9 + 0.1 * std::cos(k * 0.7);
    uint32_t mat =
        b.AddMaterial(MakeMaterial(0.3 * tint, 0.3, 0.3 / tint, 25, 0.5));
    double bx0 = x0 + (x1 - x0) * k / bands,
           bx1 = x0 + (x1 - x0) * (k + 1) / bands;
    b.AddGrid(
        around, rows, true, false,
        [&](int i, int j) {
          double x = bx0 + (bx1 - bx0) * j / rows, a = 2 * kPi * i / around;
          MeshVertex v;
          v.p = surface(x, a);
          Vec3 n = SurfaceNormal(surface, x, a, 1e-3, 1e-4);
          if (Dot(n, v.p - Vec3{x, 0, 0}) < 0) n = -n;
          v.n = n;
          v.u = 3.0 * i / around;
          v.v = static_cast<double>(j) / rows;
          return v;
        },
        mat);
  }
  return b.data();
}
