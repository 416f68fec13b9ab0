#include "toolkit/mesh_object.h"

#include "toolkit/expect_ok.h"

HRESULT MeshObject::LoadFromResource(IDirect3DDevice9* device_,
                                     uint16_t resourceId) {
  device = device_;
  ComPtr<ID3DXBuffer> adjacency;
  ComPtr<ID3DXBuffer> materialBuffer;
  ComPtr<ID3DXMesh> loaded;
  DWORD count = 0;
  HRESULT hr = D3DXLoadMeshFromXResource(
      nullptr, MAKEINTRESOURCE(resourceId), "MESH", D3DXMESH_MANAGED, device,
      adjacency.Receive(), materialBuffer.Receive(), nullptr, &count,
      loaded.Receive());
  if (FAILED(hr)) return hr;
  mesh = std::move(loaded);  // a second load replaces the first mesh
  materialCount = count;

  // Compact, sort by attribute and reorder for the vertex cache; a mesh that
  // cannot be optimised still draws, so the result does not matter.
  mesh->OptimizeInplace(
      D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE,
      adjacency ? static_cast<const DWORD*>(adjacency->GetBufferPointer())
                : nullptr,
      nullptr, nullptr, nullptr);

  const D3DXMATERIAL* source =
      materialBuffer
          ? static_cast<const D3DXMATERIAL*>(materialBuffer->GetBufferPointer())
          : nullptr;
  materials.assign(materialCount, D3DMATERIAL9{});
  for (uint32_t i = 0; source && i < materialCount; ++i) {
    // Texture file names in the mesh are ignored: callers bind textures.
    // The ambient colour stays as stored.
    materials[i] = source[i].MatD3D;
  }
  world.SetIdentity();
  return S_OK;
}

void MeshObject::Draw() {
  ApplyWorld();
  DrawSubsets();
}

void MeshObject::Draw(const D3DXMATRIX& transform) {
  device->SetTransform(D3DTS_WORLD, &transform);
  DrawSubsets();
}

void MeshObject::DrawSubsets() {
  for (uint32_t i = 0; i < materialCount; ++i) DrawSubset(i);
}

HRESULT MeshObject::DrawSubset(DWORD index) {
  if (useMaterials) QUORBEL_EXPECT_OK(device->SetMaterial(&materials[index]));
  const HRESULT hr = mesh->DrawSubset(index);
  QUORBEL_EXPECT_OK(hr);
  return hr;
}

void MeshObject::ApplyWorld() {
  if (applyWorld) device->SetTransform(D3DTS_WORLD, &world);
}

HRESULT MeshObject::CloneToFVF(DWORD fvf) {
  ComPtr<ID3DXMesh> copy;
  HRESULT hr =
      mesh->CloneMeshFVF(D3DXMESH_MANAGED, fvf, device, copy.Receive());
  if (FAILED(hr)) return hr;
  mesh = std::move(copy);
  D3DXComputeNormals(mesh.get(), nullptr);
  return S_OK;
}

void* MeshObject::LockVertices() {
  vertexCount = mesh->GetNumVertices();
  if (FAILED(mesh->GetVertexBuffer(vertexBuffer.Receive()))) return nullptr;
  void* data = nullptr;
  if (!QUORBEL_EXPECT_OK(vertexBuffer->Lock(0, 0, &data, 0))) {
    vertexBuffer.Reset();
    return nullptr;
  }
  return data;
}

void MeshObject::UnlockVertices() {
  if (!vertexBuffer) return;
  vertexBuffer->Unlock();
  vertexBuffer.Reset();
}

void MeshObject::Release() { mesh.Reset(); }
