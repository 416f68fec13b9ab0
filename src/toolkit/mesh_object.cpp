#include "toolkit/mesh_object.h"

#include <cstdio>
#include <cstdlib>

namespace {

// A failed SetMaterial or subset draw means the mesh or the device is in a
// state the program never creates: stop in debug builds, carry on in
// release builds (the frame simply shows less).
void ExpectSucceeded(HRESULT hr, const char* what) {
#ifndef NDEBUG
  if (FAILED(hr)) {
    std::fprintf(stderr, "MeshObject: %s failed: %08x\n", what,
                 static_cast<unsigned>(hr));
    std::abort();
  }
#else
  (void)hr;
  (void)what;
#endif
}

}  // namespace

MeshObject::~MeshObject() { delete[] materials; }

HRESULT MeshObject::LoadFromResource(IDirect3DDevice9* device_,
                                     uint16_t resourceId) {
  device = device_;
  ID3DXBuffer* adjacency = nullptr;
  ID3DXBuffer* materialBuffer = nullptr;
  DWORD count = 0;
  ID3DXMesh* loaded = nullptr;
  HRESULT hr = D3DXLoadMeshFromXResource(
      nullptr, MAKEINTRESOURCE(resourceId), "MESH", D3DXMESH_MANAGED, device,
      &adjacency, &materialBuffer, nullptr, &count, &loaded);
  if (FAILED(hr)) {
    if (adjacency) adjacency->Release();
    if (materialBuffer) materialBuffer->Release();
    if (loaded) loaded->Release();
    return hr;
  }
  Release();  // a second load replaces the first mesh
  mesh = loaded;
  materialCount = count;

  // Compact, sort by attribute and reorder for the vertex cache; a mesh that
  // cannot be optimised still draws, so the result does not matter.
  mesh->OptimizeInplace(
      D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE,
      adjacency ? static_cast<const DWORD*>(adjacency->GetBufferPointer())
                : nullptr,
      nullptr, nullptr, nullptr);

  delete[] materials;
  materials = new D3DMATERIAL9[materialCount];
  const D3DXMATERIAL* source =
      materialBuffer
          ? static_cast<const D3DXMATERIAL*>(materialBuffer->GetBufferPointer())
          : nullptr;
  for (uint32_t i = 0; i < materialCount; ++i) {
    // Texture file names in the mesh are ignored: callers bind textures.
    materials[i] = source ? source[i].MatD3D : D3DMATERIAL9{};
  }

  if (adjacency) adjacency->Release();
  if (materialBuffer) materialBuffer->Release();
  D3DXMatrixIdentity(&world);
  return S_OK;
}

void MeshObject::Draw() {
  ApplyWorld();
  for (uint32_t i = 0; i < materialCount; ++i) DrawSubset(i);
}

HRESULT MeshObject::DrawSubset(DWORD index) {
  if (useMaterials == 1) {
    ExpectSucceeded(device->SetMaterial(&materials[index]), "SetMaterial");
  }
  HRESULT hr = mesh->DrawSubset(index);
  ExpectSucceeded(hr, "DrawSubset");
  return hr;
}

void MeshObject::ApplyWorld() {
  if (applyWorld != 0) device->SetTransform(D3DTS_WORLD, &world);
}

void MeshObject::RotateX(float angle) {
  D3DXMATRIX rotation;
  D3DXMatrixRotationX(&rotation, angle);
  D3DXMatrixMultiply(&world, &world, &rotation);
}

void MeshObject::RotateY(float angle) {
  D3DXMATRIX rotation;
  D3DXMatrixRotationY(&rotation, angle);
  D3DXMatrixMultiply(&world, &world, &rotation);
}

void MeshObject::RotateZ(float angle) {
  D3DXMATRIX rotation;
  D3DXMatrixRotationZ(&rotation, angle);
  D3DXMatrixMultiply(&world, &world, &rotation);
}

void MeshObject::RotateXYZ(float ax, float ay, float az) {
  RotateX(ax);
  RotateY(ay);
  RotateZ(az);
}

void MeshObject::Translate(float x, float y, float z) {
  D3DXMATRIX translation;
  D3DXMatrixTranslation(&translation, x, y, z);
  D3DXMatrixMultiply(&world, &world, &translation);
}

void MeshObject::Scale(float x, float y, float z) {
  D3DXMATRIX scaling;
  D3DXMatrixScaling(&scaling, x, y, z);
  D3DXMatrixMultiply(&world, &world, &scaling);
}

HRESULT MeshObject::CloneToFVF(DWORD fvf) {
  ID3DXMesh* copy = nullptr;
  HRESULT hr = mesh->CloneMeshFVF(D3DXMESH_MANAGED, fvf, device, &copy);
  if (FAILED(hr)) {
    if (copy) copy->Release();
    return hr;
  }
  mesh->Release();
  mesh = copy;
  D3DXComputeNormals(mesh, nullptr);
  return S_OK;
}

void* MeshObject::LockVertices() {
  vertexCount = mesh->GetNumVertices();
  mesh->GetVertexBuffer(&vertexBuffer);
  void* data = nullptr;
  vertexBuffer->Lock(0, 0, &data, 0);
  return data;
}

void MeshObject::UnlockVertices() {
  if (!vertexBuffer) return;
  vertexBuffer->Unlock();
  vertexBuffer->Release();
  vertexBuffer = nullptr;
}

void MeshObject::Release() {
  if (mesh) {
    mesh->Release();
    mesh = nullptr;
  }
}
