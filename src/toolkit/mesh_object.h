// A mesh from the program's MESH resources with its materials and a world
// matrix built up by rotate, translate and scale operations.
#pragma once

#include <cstdint>

#include "platform/d3dx/d3dx9.h"

class MeshObject {
 public:
  IDirect3DDevice9* device = nullptr;              // not owned
  IDirect3DVertexBuffer9* vertexBuffer = nullptr;  // held while locked
  ID3DXMesh* mesh = nullptr;
  int useMaterials = 1;  // DrawSubset sets the material only when exactly 1
  int applyWorld = 1;    // ApplyWorld sets the world transform when non-zero
  D3DXMATRIX world{};
  uint32_t vertexCount = 0;
  D3DMATERIAL9* materials = nullptr;
  uint32_t materialCount = 0;

  MeshObject() = default;
  MeshObject(const MeshObject&) = delete;
  MeshObject& operator=(const MeshObject&) = delete;
  ~MeshObject();

  HRESULT LoadFromResource(IDirect3DDevice9* device_, uint16_t resourceId);
  void Draw();
  HRESULT DrawSubset(DWORD index);
  void ApplyWorld();
  void RotateX(float angle);
  void RotateY(float angle);
  void RotateZ(float angle);
  void RotateXYZ(float ax, float ay, float az);
  void Translate(float x, float y, float z);
  void Scale(float x, float y, float z);
  HRESULT CloneToFVF(DWORD fvf);
  void* LockVertices();
  void UnlockVertices();
  void Release();
};
