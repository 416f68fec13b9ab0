// The committed meshes through the extension library and the device, as
// the sections use them: loading, the optimisation every load runs, the
// blend-weight clone with recomputed normals (topuz and Shine), and a
// framed draw that covers part of the screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ostream>

#include "asset_files.h"
#include "headless_device.h"
#include "mesh_catalog.h"
#include "platform/d3dx/d3dx9.h"

inline void PrintTo(const MeshEntry& e, std::ostream* os) { *os << e.file; }

namespace {

HeadlessDevice& Device() {
  static HeadlessDevice device;
  return device;
}

struct Loaded {
  ID3DXMesh* mesh = nullptr;
  ID3DXBuffer* adjacency = nullptr;
  ID3DXBuffer* materials = nullptr;
  DWORD materialCount = 0;
  ~Loaded() {
    if (mesh) mesh->Release();
    if (adjacency) adjacency->Release();
    if (materials) materials->Release();
  }
};

HRESULT Load(const MeshEntry& e, Loaded* out) {
  std::vector<uint8_t> bytes = ReadAsset(e.file);
  return D3DXLoadMeshFromXInMemory(
      bytes.data(), static_cast<DWORD>(bytes.size()), D3DXMESH_MANAGED,
      Device().device(), &out->adjacency, &out->materials, nullptr,
      &out->materialCount, &out->mesh);
}

class MeshOnDevice : public ::testing::TestWithParam<MeshEntry> {
 protected:
  void SetUp() override {
    if (!Device().ok()) GTEST_SKIP() << "no device: " << Device().error();
  }
};

TEST_P(MeshOnDevice, LoadsAndOptimisesWithEverySubsetKept) {
  Loaded m;
  ASSERT_EQ(Load(GetParam(), &m), S_OK) << D3DXGetLastErrorText();
  EXPECT_EQ(m.mesh->GetFVF() & (D3DFVF_NORMAL | D3DFVF_TEX1),
            static_cast<DWORD>(D3DFVF_NORMAL | D3DFVF_TEX1));
  EXPECT_LT(m.mesh->GetNumVertices(), 20000u);
  // What the mesh object does after every load.
  EXPECT_EQ(m.mesh->OptimizeInplace(
                0x07000000,
                static_cast<const DWORD*>(m.adjacency->GetBufferPointer()),
                nullptr, nullptr, nullptr),
            S_OK);
  DWORD ranges = 0;
  ASSERT_EQ(m.mesh->GetAttributeTable(nullptr, &ranges), S_OK);
  EXPECT_EQ(ranges, m.materialCount);
}

TEST_P(MeshOnDevice, DrawnFramedItCoversPartOfTheScreen) {
  Loaded m;
  ASSERT_EQ(Load(GetParam(), &m), S_OK);
  // Bounding sphere about the origin from the vertex data.
  void* data = nullptr;
  ASSERT_EQ(m.mesh->LockVertexBuffer(0, &data), S_OK);
  const DWORD stride = m.mesh->GetNumBytesPerVertex();
  float radius = 0;
  double sum[3] = {0, 0, 0};
  for (DWORD i = 0; i < m.mesh->GetNumVertices(); ++i) {
    float p[3];
    std::memcpy(p, static_cast<uint8_t*>(data) + i * stride, 12);
    for (int k = 0; k < 3; ++k) sum[k] += p[k];
  }
  const double count = m.mesh->GetNumVertices();
  D3DXVECTOR3 centre(static_cast<float>(sum[0] / count),
                     static_cast<float>(sum[1] / count),
                     static_cast<float>(sum[2] / count));
  for (DWORD i = 0; i < m.mesh->GetNumVertices(); ++i) {
    float p[3];
    std::memcpy(p, static_cast<uint8_t*>(data) + i * stride, 12);
    radius = std::max(
        radius, std::hypot(p[0] - centre.x, p[1] - centre.y, p[2] - centre.z));
  }
  m.mesh->UnlockVertexBuffer();
  IDirect3DDevice9* dev = Device().device();
  D3DXMATRIX world, view, proj;
  D3DXMatrixIdentity(&world);
  // The backdrop is seen from its centre; everything else from outside.
  bool inside = GetParam().resource == 107;
  D3DXVECTOR3 eye =
      inside ? D3DXVECTOR3(0, 0, 0.1f)
             : D3DXVECTOR3(centre.x, centre.y, centre.z - 3 * radius);
  D3DXVECTOR3 at = inside ? D3DXVECTOR3(0, 0, 0) : centre, up(0, 1, 0);
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  D3DXMatrixPerspectiveFovLH(&proj, inside ? 2.385f : 0.8f, 1.3f, 1.0f,
                             8 * radius + 1000);
  dev->BeginScene();
  dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1, 0);
  dev->SetTransform(D3DTS_WORLD, &world);
  dev->SetTransform(D3DTS_VIEW, &view);
  dev->SetTransform(D3DTS_PROJECTION, &proj);
  dev->SetRenderState(D3DRS_LIGHTING, FALSE);
  dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  dev->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  dev->SetTexture(0, nullptr);
  dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
  dev->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
  for (DWORD i = 0; i < m.materialCount; ++i)
    EXPECT_EQ(m.mesh->DrawSubset(i), S_OK);
  dev->EndScene();
  std::vector<uint32_t> px = Device().ReadBackBuffer();
  ASSERT_EQ(px.size(), 800u * 600u);
  size_t lit = 0;
  for (uint32_t p : px) lit += (p & 0x00FFFFFF) != 0;
  double share = static_cast<double>(lit) / px.size();
  EXPECT_GT(share, inside ? 0.99 : 0.03) << GetParam().file;
}

INSTANTIATE_TEST_SUITE_P(AllMeshes, MeshOnDevice,
                         ::testing::ValuesIn(MeshCatalog()),
                         [](const ::testing::TestParamInfo<MeshEntry>& info) {
                           return "Mesh" + std::to_string(info.param.resource);
                         });

// topuz and Shine clone their mesh to the blend-weight layout and recompute
// its normals without adjacency: split vertices would then average only
// their own faces. The recomputed normals must agree with the generator's.
TEST(RecomputedNormals, AgreeWithTheGeneratedOnesForTheBentMeshes) {
  if (!Device().ok()) GTEST_SKIP() << "no device";
  for (int resource : {104, 108}) {
    const MeshEntry* entry = nullptr;
    for (const MeshEntry& e : MeshCatalog())
      if (e.resource == resource) entry = &e;
    ASSERT_NE(entry, nullptr);
    Loaded m;
    ASSERT_EQ(Load(*entry, &m), S_OK);
    ID3DXMesh* clone = nullptr;
    ASSERT_EQ(m.mesh->CloneMeshFVF(D3DXMESH_MANAGED, 0x116, Device().device(),
                                   &clone),
              S_OK);
    const DWORD n = clone->GetNumVertices();
    std::vector<float> before(n * 3);
    void* data = nullptr;
    ASSERT_EQ(clone->LockVertexBuffer(0, &data), S_OK);
    for (DWORD i = 0; i < n; ++i)
      std::memcpy(&before[i * 3], static_cast<uint8_t*>(data) + i * 36 + 16,
                  12);
    clone->UnlockVertexBuffer();
    ASSERT_EQ(D3DXComputeNormals(clone, nullptr), S_OK);
    ASSERT_EQ(clone->LockVertexBuffer(0, &data), S_OK);
    DWORD agree = 0;
    for (DWORD i = 0; i < n; ++i) {
      float after[3];
      std::memcpy(after, static_cast<uint8_t*>(data) + i * 36 + 16, 12);
      float d = after[0] * before[i * 3] + after[1] * before[i * 3 + 1] +
                after[2] * before[i * 3 + 2];
      agree += d > 0.9f;
    }
    clone->UnlockVertexBuffer();
    clone->Release();
    EXPECT_GT(static_cast<double>(agree) / n, 0.97) << entry->file;
  }
}

}  // namespace
