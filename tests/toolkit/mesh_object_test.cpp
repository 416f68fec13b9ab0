// The mesh object: loading from the program's meshes, the world-matrix
// operations, and what Draw sets on the device.
#include "toolkit/mesh_object.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "headless_device.h"

namespace {

constexpr float kQuarterTurn = 1.5707964f;

D3DXVECTOR3 Place(const MeshObject& object, D3DXVECTOR3 point) {
  D3DXVECTOR3 out;
  D3DXVec3TransformCoord(&out, &point, &object.world);
  return out;
}

void ExpectNear(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
  EXPECT_NEAR(a.x, b.x, 1e-5);
  EXPECT_NEAR(a.y, b.y, 1e-5);
  EXPECT_NEAR(a.z, b.z, 1e-5);
}

TEST(MeshWorld, NewTransformsApplyAfterTheOnesAlreadyThere) {
  MeshObject rotatedThenMoved;
  D3DXMatrixIdentity(&rotatedThenMoved.world);
  rotatedThenMoved.RotateX(kQuarterTurn);
  rotatedThenMoved.Translate(0, 0, 5);
  ExpectNear(Place(rotatedThenMoved, {0, 0, 0}), {0, 0, 5});
  ExpectNear(Place(rotatedThenMoved, {0, 1, 0}), {0, 0, 6});

  MeshObject movedThenRotated;
  D3DXMatrixIdentity(&movedThenRotated.world);
  movedThenRotated.Translate(0, 0, 5);
  movedThenRotated.RotateX(kQuarterTurn);
  // The translated position swings about the world origin.
  ExpectNear(Place(movedThenRotated, {0, 0, 0}), {0, -5, 0});
}

TEST(MeshWorld, RotateXYZTurnsAboutXThenYThenZ) {
  MeshObject combined;
  MeshObject separate;
  D3DXMatrixIdentity(&combined.world);
  D3DXMatrixIdentity(&separate.world);
  combined.RotateXYZ(0.3f, -0.7f, 1.1f);
  separate.RotateX(0.3f);
  separate.RotateY(-0.7f);
  separate.RotateZ(1.1f);
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      EXPECT_EQ(combined.world.m[r][c], separate.world.m[r][c]);
    }
  }
  MeshObject zOnly;
  D3DXMatrixIdentity(&zOnly.world);
  zOnly.RotateXYZ(0, 0, kQuarterTurn);
  ExpectNear(Place(zOnly, {1, 0, 0}), {0, 1, 0});
}

TEST(MeshWorld, ScaleMultipliesOnTheRight) {
  MeshObject object;
  D3DXMatrixIdentity(&object.world);
  object.Translate(1, 2, 3);
  object.Scale(2, 3, 4);
  ExpectNear(Place(object, {0, 0, 0}), {2, 6, 12});
}

// A mesh that only records which subsets are drawn.
class RecordingMesh : public ID3DXMesh {
 public:
  ULONG AddRef() override { return ++references; }
  ULONG Release() override { return --references; }
  HRESULT DrawSubset(DWORD id) override {
    drawn.push_back(id);
    return S_OK;
  }
  DWORD GetNumFaces() override { return 0; }
  DWORD GetNumVertices() override { return 0; }
  DWORD GetFVF() override { return 0; }
  DWORD GetNumBytesPerVertex() override { return 0; }
  DWORD GetOptions() override { return 0; }
  HRESULT GetDevice(IDirect3DDevice9**) override { return E_FAIL; }
  HRESULT GetVertexBuffer(IDirect3DVertexBuffer9**) override { return E_FAIL; }
  HRESULT GetIndexBuffer(IDirect3DIndexBuffer9**) override { return E_FAIL; }
  HRESULT LockVertexBuffer(DWORD, void**) override { return E_FAIL; }
  HRESULT UnlockVertexBuffer() override { return E_FAIL; }
  HRESULT LockIndexBuffer(DWORD, void**) override { return E_FAIL; }
  HRESULT UnlockIndexBuffer() override { return E_FAIL; }
  HRESULT LockAttributeBuffer(DWORD, DWORD**) override { return E_FAIL; }
  HRESULT UnlockAttributeBuffer() override { return E_FAIL; }
  HRESULT GetAttributeTable(D3DXATTRIBUTERANGE*, DWORD*) override {
    return E_FAIL;
  }
  HRESULT CloneMeshFVF(DWORD, DWORD, IDirect3DDevice9*, ID3DXMesh**) override {
    return E_OUTOFMEMORY;
  }
  HRESULT OptimizeInplace(DWORD, const DWORD*, DWORD*, DWORD*,
                          ID3DXBuffer**) override {
    return S_OK;
  }
  HRESULT GenerateAdjacency(float, DWORD*) override { return E_FAIL; }

  std::vector<DWORD> drawn;
  ULONG references = 1;
};

class MeshDrawTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(headless_.ok()) << headless_.error();
    object_.device = headless_.device();
    object_.mesh = ComPtr<ID3DXMesh>(&recording_);
    object_.materialCount = 3;
    object_.materials.assign(3, D3DMATERIAL9{});
    for (int i = 0; i < 3; ++i) object_.materials[i].Power = 10.0f + i;
    D3DXMatrixTranslation(&object_.world, 7, 8, 9);
  }
  void TearDown() override { object_.mesh.Detach(); }  // on the stack

  float DevicePower() {
    D3DMATERIAL9 material{};
    headless_.device()->GetMaterial(&material);
    return material.Power;
  }
  float DeviceWorldX() {
    D3DMATRIX world{};
    headless_.device()->GetTransform(D3DTS_WORLD, &world);
    return world.m[3][0];
  }

  HeadlessDevice headless_;
  RecordingMesh recording_;
  MeshObject object_;
};

TEST_F(MeshDrawTest, DrawsEverySubsetInOrderWithItsMaterialAndWorld) {
  object_.Draw();
  EXPECT_EQ(recording_.drawn, (std::vector<DWORD>{0, 1, 2}));
  EXPECT_EQ(DevicePower(), 12.0f);  // the last subset's material
  EXPECT_EQ(DeviceWorldX(), 7.0f);
}

TEST_F(MeshDrawTest, MaterialsOnlyWhenUseMaterialsIsSet) {
  D3DMATERIAL9 before{};
  before.Power = 99.0f;
  headless_.device()->SetMaterial(&before);
  object_.useMaterials = false;
  object_.Draw();
  EXPECT_EQ(recording_.drawn.size(), 3u);
  EXPECT_EQ(DevicePower(), 99.0f);  // the last material on the device holds
  object_.useMaterials = true;
  object_.DrawSubset(1);
  EXPECT_EQ(DevicePower(), 11.0f);
}

TEST_F(MeshDrawTest, ApplyWorldOffKeepsTheDevicesWorld) {
  D3DXMATRIX other;
  D3DXMatrixTranslation(&other, -4, 0, 0);
  headless_.device()->SetTransform(D3DTS_WORLD, &other);
  object_.applyWorld = false;
  object_.Draw();
  EXPECT_EQ(DeviceWorldX(), -4.0f);
  object_.applyWorld = true;
  object_.ApplyWorld();
  EXPECT_EQ(DeviceWorldX(), 7.0f);
}

TEST_F(MeshDrawTest, DrawWithAMatrixUsesItInsteadOfTheObjectsWorld) {
  // What a section draws with: the world of its frame's animation.
  D3DXMATRIX frameWorld;
  D3DXMatrixTranslation(&frameWorld, 31, 0, 0);
  object_.Draw(frameWorld);
  EXPECT_EQ(recording_.drawn, (std::vector<DWORD>{0, 1, 2}));
  EXPECT_EQ(DeviceWorldX(), 31.0f);
  EXPECT_EQ(object_.world.m[3][0], 7.0f) << "the object's own matrix is kept";
  EXPECT_EQ(DevicePower(), 12.0f);
}

TEST_F(MeshDrawTest, FailedCloneKeepsTheOldMesh) {
  EXPECT_EQ(object_.CloneToFVF(0x116), E_OUTOFMEMORY);
  EXPECT_EQ(object_.mesh.get(), &recording_);
  EXPECT_EQ(recording_.references, 1u);
}

class MeshResourceTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(headless_.ok()) << headless_.error(); }
  HeadlessDevice headless_;
};

TEST_F(MeshResourceTest, LoadsWithMaterialsAndAnIdentityWorld) {
  MeshObject object;
  D3DXMatrixTranslation(&object.world, 1, 1, 1);
  ASSERT_EQ(object.LoadFromResource(headless_.device(), 104), S_OK)
      << D3DXGetLastErrorText();
  ASSERT_NE(object.mesh, nullptr);
  EXPECT_GE(object.materialCount, 1u);
  EXPECT_EQ(object.materials.size(), object.materialCount);
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) EXPECT_EQ(object.world.m[r][c], r == c ? 1 : 0);
  }
  object.Release();
  EXPECT_EQ(object.mesh, nullptr);
  object.Release();
}

TEST_F(MeshResourceTest, MissingResourceFailsAndChangesNothing) {
  MeshObject object;
  EXPECT_TRUE(FAILED(object.LoadFromResource(headless_.device(), 999)));
  EXPECT_EQ(object.mesh, nullptr);
  EXPECT_TRUE(object.materials.empty());
}

TEST_F(MeshResourceTest, CloneToBlendLayoutThenWalkTheVertices) {
  MeshObject object;
  ASSERT_EQ(object.LoadFromResource(headless_.device(), 104), S_OK);
  const DWORD materials = object.materialCount;
  ASSERT_EQ(object.CloneToFVF(0x116), S_OK);
  EXPECT_EQ(object.mesh->GetFVF(), 0x116u);
  EXPECT_EQ(object.mesh->GetNumBytesPerVertex(), 36u);
  EXPECT_EQ(object.materialCount, materials);
  const float* data = static_cast<const float*>(object.LockVertices());
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(object.vertexCount, object.mesh->GetNumVertices());
  EXPECT_NE(object.vertexBuffer, nullptr);
  // The recomputed normals have unit length.
  for (uint32_t i = 0; i < object.vertexCount; i += 97) {
    const float* n = data + i * 9 + 4;
    EXPECT_NEAR(std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]), 1.0f,
                1e-3f);
  }
  object.UnlockVertices();
  EXPECT_EQ(object.vertexBuffer, nullptr);
  object.Release();
}

}  // namespace
