// Device meshes: loading (memory and resources), materials, the attribute
// table and DrawSubset, optimisation, cloning to the sections' formats,
// normals, and 32-bit indices.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "platform/d3dx/d3dx9.h"
#include "platform/d3dx/xfile_model.h"
#include "shared_device.h"

namespace {

// Four separate triangles; triangles 0 and 2 use material 1 (green),
// 1 and 3 material 0 (red); vertex 12 is used by no face.
XMeshData TwoMaterialMesh() {
  XMeshData m;
  for (int t = 0; t < 4; ++t) {
    const float x = -1.0f + 0.5f * t;
    m.positions.push_back({x, 0.5f, 0.5f});
    m.positions.push_back({x + 0.4f, 0.5f, 0.5f});
    m.positions.push_back({x, -0.5f, 0.5f});
    for (int k = 0; k < 3; ++k) {
      m.normals.push_back({0, 0, -1});
      m.indices.push_back(uint32_t(3 * t + k));
    }
    m.texcoords.insert(m.texcoords.end(), {0, 0, 1, 0, 0, 1});
    m.faceMaterials.push_back(t % 2 == 0 ? 1 : 0);
  }
  m.positions.push_back({9, 9, 9});
  m.normals.push_back({0, 0, -1});
  m.texcoords.insert(m.texcoords.end(), {0.5f, 0.5f});
  XMaterial red, green;
  red.faceColor = {1, 0, 0, 1};
  green.faceColor = {0, 1, 0, 1};
  green.textureFilename = "green.png";
  m.materials = {red, green};
  return m;
}

ID3DXMesh* Load(const XMeshData& data, ID3DXBuffer** materials, DWORD* count,
                ID3DXBuffer** adjacency = nullptr) {
  std::vector<uint8_t> file;
  EXPECT_TRUE(WriteXFile(data, XFileForm::BinaryZip, &file));
  ID3DXMesh* mesh = nullptr;
  const HRESULT hr = D3DXLoadMeshFromXInMemory(
      file.data(), DWORD(file.size()), D3DXMESH_MANAGED, SharedDevice(),
      adjacency, materials, nullptr, count, &mesh);
  EXPECT_EQ(hr, S_OK) << D3DXGetLastErrorText();
  return mesh;
}

TEST(Mesh, LoadsWithMaterialsAndAttributeTable) {
  ASSERT_NE(SharedDevice(), nullptr);
  ID3DXBuffer* materials = nullptr;
  ID3DXBuffer* adjacency = nullptr;
  DWORD count = 0;
  ID3DXMesh* mesh = Load(TwoMaterialMesh(), &materials, &count, &adjacency);
  ASSERT_NE(mesh, nullptr);
  EXPECT_EQ(mesh->GetFVF(), D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
  EXPECT_EQ(mesh->GetNumBytesPerVertex(), 32u);
  EXPECT_EQ(mesh->GetNumVertices(), 13u);
  EXPECT_EQ(mesh->GetNumFaces(), 4u);
  ASSERT_EQ(count, 2u);
  const auto* mats =
      static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());
  EXPECT_EQ(mats[0].MatD3D.Diffuse.r, 1.0f);
  EXPECT_EQ(mats[0].MatD3D.Ambient.r, 0.0f);  // no ambient in the file
  EXPECT_EQ(mats[0].pTextureFilename, nullptr);
  ASSERT_NE(mats[1].pTextureFilename, nullptr);
  EXPECT_STREQ(mats[1].pTextureFilename, "green.png");
  EXPECT_EQ(adjacency->GetBufferSize(), 4u * 3u * 4u);
  // Faces sorted by attribute: two ranges.
  DWORD ranges = 0;
  ASSERT_EQ(mesh->GetAttributeTable(nullptr, &ranges), S_OK);
  ASSERT_EQ(ranges, 2u);
  D3DXATTRIBUTERANGE table[2];
  mesh->GetAttributeTable(table, &ranges);
  EXPECT_EQ(table[0].AttribId, 0u);
  EXPECT_EQ(table[0].FaceCount, 2u);
  EXPECT_EQ(table[1].AttribId, 1u);
  EXPECT_EQ(table[1].FaceStart, 2u);
  IDirect3DIndexBuffer9* ib = nullptr;
  mesh->GetIndexBuffer(&ib);
  D3DINDEXBUFFER_DESC desc;
  ib->GetDesc(&desc);
  EXPECT_EQ(desc.Format, D3DFMT_INDEX16);
  ib->Release();
  materials->Release();
  adjacency->Release();
  mesh->Release();
}

TEST(Mesh, DrawSubsetDrawsOnlyItsFaces) {
  IDirect3DDevice9* device = SharedDevice();
  ASSERT_NE(device, nullptr);
  DWORD count = 0;
  ID3DXMesh* mesh = Load(TwoMaterialMesh(), nullptr, &count);
  ASSERT_NE(mesh, nullptr);
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  device->SetTransform(D3DTS_WORLD, &identity);
  device->SetTransform(D3DTS_VIEW, &identity);
  device->SetTransform(D3DTS_PROJECTION, &identity);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  device->SetTexture(0, nullptr);
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  device->BeginScene();
  EXPECT_EQ(mesh->DrawSubset(1), S_OK);
  EXPECT_EQ(mesh->DrawSubset(7), S_OK);  // no such subset: nothing drawn
  device->EndScene();
  std::vector<uint32_t> p;
  device->ReadBackBuffer(&p);
  // Triangle t covers clip x from -1 + 0.5t; its left edge at mid height
  // is pixel 400 * (0.5t) + 1. Subset 1 is triangles 0 and 2.
  auto lit = [&](int t) {
    return (p[300 * 800 + 200 * t + 20] & 0xFFFFFF) != 0;
  };
  EXPECT_TRUE(lit(0));
  EXPECT_FALSE(lit(1));
  EXPECT_TRUE(lit(2));
  EXPECT_FALSE(lit(3));
  device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
  device->SetRenderState(D3DRS_LIGHTING, TRUE);
  mesh->Release();
}

TEST(Mesh, OptimizeGroupsByAttributeAndDropsUnusedVertices) {
  DWORD count = 0;
  XMeshData data = TwoMaterialMesh();
  ID3DXMesh* mesh = Load(data, nullptr, &count);
  ASSERT_NE(mesh, nullptr);
  // Attributes as loaded (already sorted) and positions of the first corner
  // of each face, to follow faces through the optimisation.
  DWORD* attributes = nullptr;
  mesh->LockAttributeBuffer(D3DLOCK_READONLY, &attributes);
  const std::vector<DWORD> before(attributes, attributes + 4);
  mesh->UnlockAttributeBuffer();
  DWORD faceRemap[4];
  ID3DXBuffer* vertexRemap = nullptr;
  ASSERT_EQ(mesh->OptimizeInplace(D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT |
                                      D3DXMESHOPT_VERTEXCACHE,
                                  nullptr, nullptr, faceRemap, &vertexRemap),
            S_OK);
  EXPECT_EQ(mesh->GetNumVertices(), 12u);  // the unused vertex is gone
  EXPECT_EQ(mesh->GetNumFaces(), 4u);
  mesh->LockAttributeBuffer(D3DLOCK_READONLY, &attributes);
  EXPECT_EQ(attributes[0], 0u);
  EXPECT_EQ(attributes[1], 0u);
  EXPECT_EQ(attributes[2], 1u);
  EXPECT_EQ(attributes[3], 1u);
  mesh->UnlockAttributeBuffer();
  // Every new face came from an old face of the same material.
  for (int f = 0; f < 4; ++f) {
    ASSERT_LT(faceRemap[f], 4u);
    EXPECT_EQ(before[faceRemap[f]], f < 2 ? 0u : 1u);
  }
  // Vertex data follows the remap: positions still match the old ones.
  ASSERT_NE(vertexRemap, nullptr);
  const auto* oldOf =
      static_cast<const DWORD*>(vertexRemap->GetBufferPointer());
  uint8_t* vertices = nullptr;
  mesh->LockVertexBuffer(D3DLOCK_READONLY, reinterpret_cast<void**>(&vertices));
  for (DWORD v = 0; v < 12; ++v) {
    float x;
    std::memcpy(&x, vertices + v * 32, 4);
    EXPECT_EQ(x, data.positions[oldOf[v]].x);
  }
  mesh->UnlockVertexBuffer();
  vertexRemap->Release();
  DWORD ranges = 0;
  mesh->GetAttributeTable(nullptr, &ranges);
  EXPECT_EQ(ranges, 2u);
  mesh->Release();
}

TEST(Mesh, CloneToSectionFormatsAndComputeNormals) {
  DWORD count = 0;
  ID3DXMesh* mesh = Load(TwoMaterialMesh(), nullptr, &count);
  ASSERT_NE(mesh, nullptr);
  ID3DXMesh* clone = nullptr;
  ASSERT_EQ(mesh->CloneMeshFVF(D3DXMESH_MANAGED, 0x116, SharedDevice(), &clone),
            S_OK);
  EXPECT_EQ(clone->GetFVF(), 0x116u);
  EXPECT_EQ(clone->GetNumBytesPerVertex(), 36u);
  uint8_t* v = nullptr;
  clone->LockVertexBuffer(0, reinterpret_cast<void**>(&v));
  float f[9];
  std::memcpy(f, v + 36, 36);  // vertex 1: pos, weight, normal, uv
  EXPECT_FLOAT_EQ(f[0], -0.6f);
  EXPECT_EQ(f[3], 0.0f);   // weight zero-filled
  EXPECT_EQ(f[6], -1.0f);  // normal z
  EXPECT_EQ(f[7], 1.0f);   // u
  // Spoil the normals, then recompute them.
  for (DWORD i = 0; i < clone->GetNumVertices(); ++i)
    std::memset(v + i * 36 + 16, 0, 12);
  clone->UnlockVertexBuffer();
  ASSERT_EQ(D3DXComputeNormals(clone, nullptr), S_OK);
  clone->LockVertexBuffer(0, reinterpret_cast<void**>(&v));
  std::memcpy(f, v + 36 * 2, 36);
  // Triangle (x,.5),(x+.4,.5),(x,-.5): (v1-v0) x (v2-v0) points to -z.
  EXPECT_NEAR(f[4], 0.0f, 1e-6f);
  EXPECT_NEAR(f[6], -1.0f, 1e-6f);
  std::memcpy(f, v + 36 * 12, 36);  // the unused vertex stays zero
  EXPECT_EQ(f[6], 0.0f);
  clone->UnlockVertexBuffer();
  clone->Release();
  ID3DXMesh* slim = nullptr;
  ASSERT_EQ(mesh->CloneMeshFVF(D3DXMESH_MANAGED, 0x102, SharedDevice(), &slim),
            S_OK);
  EXPECT_EQ(slim->GetNumBytesPerVertex(), 20u);
  EXPECT_EQ(D3DXComputeNormals(slim, nullptr), D3DERR_INVALIDCALL);
  slim->Release();
  mesh->Release();
}

TEST(Mesh, ComputeNormalsWeighsFacesByCornerAngle) {
  // Vertex 0 is shared by a right-angled corner of a triangle in the z = 0
  // plane and a 45-degree corner of one in the x = 0 plane.
  ID3DXMesh* mesh = nullptr;
  ASSERT_EQ(
      D3DXCreateMeshFVF(2, 5, D3DXMESH_MANAGED, D3DFVF_XYZ | D3DFVF_NORMAL,
                        SharedDevice(), &mesh),
      S_OK);
  const float pos[5][3] = {
      {0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 0, 1}, {0, 1, 1}};
  uint8_t* v = nullptr;
  mesh->LockVertexBuffer(0, reinterpret_cast<void**>(&v));
  for (int i = 0; i < 5; ++i) std::memcpy(v + 24 * i, pos[i], 12);
  mesh->UnlockVertexBuffer();
  uint16_t* idx = nullptr;
  mesh->LockIndexBuffer(0, reinterpret_cast<void**>(&idx));
  const uint16_t faces[6] = {0, 1, 2, 0, 4, 3};
  std::memcpy(idx, faces, sizeof faces);
  mesh->UnlockIndexBuffer();
  ASSERT_EQ(D3DXComputeNormals(mesh, nullptr), S_OK);
  mesh->LockVertexBuffer(0, reinterpret_cast<void**>(&v));
  float n[3];
  std::memcpy(n, v + 12, 12);
  // Face 0: (0,1,0) x (1,0,0) = (0,0,-1), corner angle pi/2. Face 1:
  // (0,1,1) x (0,0,1) = (1,0,0), corner angle pi/4. Sum (pi/4, 0, -pi/2),
  // normalised.
  const float len = std::sqrt(0.25f * 0.25f + 0.5f * 0.5f);
  EXPECT_NEAR(n[0], 0.25f / len, 1e-5f);
  EXPECT_NEAR(n[1], 0.0f, 1e-6f);
  EXPECT_NEAR(n[2], -0.5f / len, 1e-5f);
  mesh->UnlockVertexBuffer();
  mesh->Release();
}

TEST(Mesh, LargeMeshesGet32BitIndices) {
  ID3DXMesh* mesh = nullptr;
  ASSERT_EQ(D3DXCreateMeshFVF(10, 70000, D3DXMESH_MANAGED, D3DFVF_XYZ,
                              SharedDevice(), &mesh),
            S_OK);
  EXPECT_TRUE(mesh->GetOptions() & D3DXMESH_32BIT);
  IDirect3DIndexBuffer9* ib = nullptr;
  mesh->GetIndexBuffer(&ib);
  D3DINDEXBUFFER_DESC desc;
  ib->GetDesc(&desc);
  EXPECT_EQ(desc.Format, D3DFMT_INDEX32);
  EXPECT_EQ(desc.Size, 10u * 3u * 4u);
  ib->Release();
  mesh->Release();
  EXPECT_EQ(D3DXCreateMeshFVF(1, 3, 0, 0, SharedDevice(), &mesh),
            D3DERR_INVALIDCALL);
}

TEST(Mesh, ResourcesLoadAndBadDataFails) {
  IDirect3DDevice9* device = SharedDevice();
  ASSERT_NE(device, nullptr);
  ID3DXMesh* mesh = nullptr;
  ID3DXBuffer* materials = nullptr;
  DWORD count = 0;
  ASSERT_EQ(D3DXLoadMeshFromXResource(nullptr, MAKEINTRESOURCE(107), "MESH",
                                      D3DXMESH_MANAGED, device, nullptr,
                                      &materials, nullptr, &count, &mesh),
            S_OK)
      << D3DXGetLastErrorText();
  EXPECT_GT(mesh->GetNumFaces(), 0u);
  EXPECT_GE(count, 1u);
  mesh->Release();
  materials->Release();
  EXPECT_EQ(D3DXLoadMeshFromXResource(nullptr, MAKEINTRESOURCE(4242), "MESH",
                                      D3DXMESH_MANAGED, device, nullptr,
                                      nullptr, nullptr, &count, &mesh),
            D3DXERR_INVALIDDATA);
  const char bad[] = "xof 0303txt 0032 Mesh { 3; 0;0;0;, 1;0;0;; }";
  EXPECT_EQ(
      D3DXLoadMeshFromXInMemory(bad, sizeof bad - 1, D3DXMESH_MANAGED, device,
                                nullptr, &materials, nullptr, &count, &mesh),
      E_FAIL);
  EXPECT_EQ(mesh, nullptr);
  EXPECT_EQ(materials, nullptr);
  EXPECT_NE(std::string(D3DXGetLastErrorText()).find("line 1:"),
            std::string::npos)
      << D3DXGetLastErrorText();
  // No material list: one default material, grey with alpha 0.
  XMeshData plain = TwoMaterialMesh();
  plain.materials.clear();
  plain.faceMaterials.assign(4, 0);
  ID3DXMesh* m = Load(plain, &materials, &count);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(count, 1u);
  const auto* mat =
      static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());
  EXPECT_EQ(mat->MatD3D.Diffuse.r, 0.5f);
  EXPECT_EQ(mat->MatD3D.Diffuse.a, 0.0f);
  materials->Release();
  m->Release();
}

}  // namespace
