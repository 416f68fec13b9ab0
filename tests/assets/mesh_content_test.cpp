// The committed meshes load through the .x reader with everything the
// sections use (normals, texture coordinates, materials), stay under the
// vertex budget, and have the shape and size their cameras were set for.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <ostream>
#include <set>
#include <tuple>

#include "asset_files.h"
#include "mesh_catalog.h"
#include "platform/d3dx/xfile_model.h"

// Names a catalogue entry in test output (instead of its bytes).
inline void PrintTo(const MeshEntry& e, std::ostream* os) { *os << e.file; }

namespace {

XMeshData Load(int resource) {
  XMeshData mesh;
  for (const MeshEntry& e : MeshCatalog())
    if (e.resource == resource) {
      std::vector<uint8_t> bytes = ReadAsset(e.file);
      std::string reason;
      HRESULT hr = ReadXFile(bytes.data(), bytes.size(), &mesh, &reason);
      EXPECT_EQ(hr, 0) << e.file << ": " << reason;
      return mesh;
    }
  ADD_FAILURE() << "no mesh " << resource;
  return mesh;
}

double Len(const D3DVECTOR& v) {
  return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

class MeshContent : public ::testing::TestWithParam<MeshEntry> {};

TEST_P(MeshContent, LoadsWithNormalsTexcoordsAndUsedMaterials) {
  XMeshData m = Load(GetParam().resource);
  size_t n = m.positions.size();
  ASSERT_GT(n, 0u);
  EXPECT_LT(n, 20000u);
  ASSERT_EQ(m.normals.size(), n);
  ASSERT_EQ(m.texcoords.size(), 2 * n);
  ASSERT_FALSE(m.materials.empty());
  ASSERT_EQ(m.faceMaterials.size() * 3, m.indices.size());
  std::vector<int> used(m.materials.size(), 0);
  for (uint32_t f : m.faceMaterials) {
    ASSERT_LT(f, m.materials.size());
    ++used[f];
  }
  for (size_t i = 0; i < used.size(); ++i)
    EXPECT_GT(used[i], 0) << "subset " << i << " is empty";
  std::vector<bool> referenced(n, false);
  for (uint32_t i : m.indices) {
    ASSERT_LT(i, n);
    referenced[i] = true;
  }
  for (size_t i = 0; i < n; ++i)
    EXPECT_TRUE(referenced[i]) << "vertex " << i << " belongs to no face";
  for (const D3DVECTOR& v : m.normals) ASSERT_NEAR(Len(v), 1.0, 1e-3);
}

TEST_P(MeshContent, FacesAreProperAndWoundWithTheirNormals) {
  XMeshData m = Load(GetParam().resource);
  std::set<std::tuple<uint32_t, uint32_t, uint32_t>> seen;
  for (size_t f = 0; f + 2 < m.indices.size(); f += 3) {
    uint32_t a = m.indices[f], b = m.indices[f + 1], c = m.indices[f + 2];
    const D3DVECTOR &p0 = m.positions[a], &p1 = m.positions[b],
                    &p2 = m.positions[c];
    D3DVECTOR e1{p1.x - p0.x, p1.y - p0.y, p1.z - p0.z};
    D3DVECTOR e2{p2.x - p0.x, p2.y - p0.y, p2.z - p0.z};
    D3DVECTOR cr{e1.y * e2.z - e1.z * e2.y, e1.z * e2.x - e1.x * e2.z,
                 e1.x * e2.y - e1.y * e2.x};
    ASSERT_GT(Len(cr), 0.0) << "degenerate face " << f / 3;
    // Recomputed normals (topuz and Shine recompute them) must agree.
    const D3DVECTOR &n0 = m.normals[a], &n1 = m.normals[b], &n2 = m.normals[c];
    double d = cr.x * (n0.x + n1.x + n2.x) + cr.y * (n0.y + n1.y + n2.y) +
               cr.z * (n0.z + n1.z + n2.z);
    ASSERT_GT(d, 0.0) << "face " << f / 3 << " wound against its normals";
    std::array<uint32_t, 3> k{a, b, c};
    std::sort(k.begin(), k.end());
    ASSERT_TRUE(seen.insert({k[0], k[1], k[2]}).second)
        << "duplicate face " << f / 3;
  }
}

INSTANTIATE_TEST_SUITE_P(AllMeshes, MeshContent,
                         ::testing::ValuesIn(MeshCatalog()),
                         [](const ::testing::TestParamInfo<MeshEntry>& info) {
                           return "Mesh" + std::to_string(info.param.resource);
                         });

TEST(KnotMesh, IsWeldedSoRecomputedNormalsAreSmooth) {
  XMeshData m = Load(104);
  std::set<std::tuple<float, float, float>> positions;
  for (const D3DVECTOR& p : m.positions)
    EXPECT_TRUE(positions.insert({p.x, p.y, p.z}).second)
        << "duplicated position " << p.x << "," << p.y << "," << p.z;
  // Blend weights come from the distance to the origin: it must vary.
  double lo = 1e9, hi = 0;
  for (const D3DVECTOR& p : m.positions) {
    lo = std::min(lo, Len(p));
    hi = std::max(hi, Len(p));
  }
  EXPECT_GT(hi - lo, 30.0);
  EXPECT_LT(hi, 150.0);  // fills a fov-45 view from 225 units
}

TEST(BackdropMesh, IsASphereSeenFromInsideWithinTheFarPlane) {
  XMeshData m = Load(107);
  for (size_t i = 0; i < m.positions.size(); ++i) {
    const D3DVECTOR &p = m.positions[i], &n = m.normals[i];
    double r = Len(p);
    ASSERT_GT(r, 2.0);    // beyond the near plane
    ASSERT_LT(r, 999.0);  // inside the far plane
    ASSERT_LT(p.x * n.x + p.y * n.y + p.z * n.z, 0.0) << "normal faces out";
  }
}

TEST(TitrekMesh, FirstMaterialGlowsWithoutItsDiffuse) {
  XMeshData m = Load(105);
  const D3DCOLORVALUE& e = m.materials[0].emissiveColor;
  EXPECT_GT(e.r + e.g + e.b, 0.5);
  // It surrounds the light at the origin and the eye within 20 units.
  for (const D3DVECTOR& p : m.positions) ASSERT_GT(Len(p), 20.0);
}

TEST(TunnelMesh, CentreLinePassesTheCamera) {
  XMeshData m = Load(109);
  // Every vertex lies on a tube of radius 36 about the circle of radius
  // 140 in the xz plane; the camera (0, 0, -140) is on that circle.
  for (size_t i = 0; i < m.positions.size(); ++i) {
    const D3DVECTOR &p = m.positions[i], &n = m.normals[i];
    double ring = std::hypot(p.x, p.z) - 140;
    ASSERT_NEAR(std::hypot(ring, p.y), 36.0, 0.05);
    // Inward: towards the centre line.
    double cx = p.x * 140 / std::hypot(p.x, p.z),
           cz = p.z * 140 / std::hypot(p.x, p.z);
    ASSERT_LT((p.x - cx) * n.x + p.y * n.y + (p.z - cz) * n.z, 0.0);
  }
}

TEST(BentTubeMesh, IsLongAlongX) {
  XMeshData m = Load(108);
  float lo[3] = {1e9f, 1e9f, 1e9f}, hi[3] = {-1e9f, -1e9f, -1e9f};
  for (const D3DVECTOR& p : m.positions) {
    const float v[3] = {p.x, p.y, p.z};
    for (int k = 0; k < 3; ++k)
      lo[k] = std::min(lo[k], v[k]), hi[k] = std::max(hi[k], v[k]);
  }
  EXPECT_GT(hi[0] - lo[0], 3 * (hi[1] - lo[1]));
  EXPECT_GT(hi[0] - lo[0], 3 * (hi[2] - lo[2]));
}

TEST(SmallMesh, IsAboutThirtyFiveUnitsInRadius) {
  XMeshData m = Load(110);
  double hi = 0, dot = 0;
  for (size_t i = 0; i < m.positions.size(); ++i) {
    const D3DVECTOR &p = m.positions[i], &n = m.normals[i];
    hi = std::max(hi, Len(p));
    dot += p.x * n.x + p.y * n.y + p.z * n.z;
  }
  EXPECT_NEAR(hi, 35.0, 1.0);
  EXPECT_GT(dot, 0.0);  // normals face out
}

TEST(GreetingCarrier, CardsStandOutsideTheOuterRingWithWholeCards) {
  XMeshData rings = Load(113), cards = Load(114);
  double ringOuter = 0;
  for (const D3DVECTOR& p : rings.positions)
    ringOuter = std::max(ringOuter, std::hypot(double{p.x}, double{p.z}));
  for (const D3DVECTOR& p : cards.positions)
    EXPECT_GT(std::hypot(p.x, p.z), ringOuter);
  float umin = 1, umax = 0, vmin = 1, vmax = 0;
  for (size_t i = 0; i < cards.texcoords.size(); i += 2) {
    umin = std::min(umin, cards.texcoords[i]);
    umax = std::max(umax, cards.texcoords[i]);
    vmin = std::min(vmin, cards.texcoords[i + 1]);
    vmax = std::max(vmax, cards.texcoords[i + 1]);
  }
  EXPECT_EQ(umin, 0.0f);
  EXPECT_EQ(umax, 1.0f);
  EXPECT_EQ(vmin, 0.0f);
  EXPECT_EQ(vmax, 1.0f);
}

TEST(UzunMeshes, ClearTheCameraCircle) {
  // The camera circles the world z axis at radius 16; the banded column
  // lies along it (model x) and the glider flies along it (model x).
  XMeshData banded = Load(117), glider = Load(116);
  for (const D3DVECTOR& p : banded.positions)
    ASSERT_LT(std::hypot(p.y, p.z), 16.0);
  EXPECT_GE(banded.materials.size(), 9u);  // many subsets
  float xlo = 1e9f, xhi = -1e9f;
  for (const D3DVECTOR& p : glider.positions) {
    xlo = std::min(xlo, p.x);
    xhi = std::max(xhi, p.x);
    // Passes above the camera (whose height stays within +-16).
    ASSERT_GT(p.y, 16.0);
  }
  EXPECT_GT(xhi - xlo, 250.0);
}

}  // namespace
