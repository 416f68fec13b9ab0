// A mesh from the program's MESH resources with its materials and a world
// matrix built up by rotate, translate and scale operations.
//
// Threads: everything here runs on the window thread. A section that
// animates a mesh keeps the mesh's world matrix in its own animation state
// and draws with Draw(world), so a tick never touches a MeshObject.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/d3dx/d3dx9.h"
#include "platform/gfx/com_ptr.h"
#include "toolkit/world_matrix.h"

class MeshObject {
 public:
  IDirect3DDevice9* device = nullptr;           // not owned
  ComPtr<IDirect3DVertexBuffer9> vertexBuffer;  // held while locked
  ComPtr<ID3DXMesh> mesh;
  bool useMaterials = true;             // DrawSubset sets the subset's material
  bool applyWorld = true;               // ApplyWorld sets the world transform
  WorldMatrix world;                    // the identity after loading
  uint32_t vertexCount = 0;             // stored by LockVertices
  std::vector<D3DMATERIAL9> materials;  // one per subset
  uint32_t materialCount = 0;           // subsets drawn

  MeshObject() = default;
  MeshObject(const MeshObject&) = delete;
  MeshObject& operator=(const MeshObject&) = delete;

  // Loads, optimises for drawing and copies the materials; the world
  // matrix becomes the identity. A failure returns the loader's code and
  // changes nothing.
  HRESULT LoadFromResource(IDirect3DDevice9* device_, uint16_t resourceId);
  // ApplyWorld, then every subset in order with its material.
  void Draw();
  // Every subset in order with its material, under `transform` as the
  // world matrix (the matrix of a frame's animation, not `world`).
  void Draw(const D3DXMATRIX& transform);
  // Every subset in order, under whatever world transform the device has.
  void DrawSubsets();
  HRESULT DrawSubset(DWORD index);
  void ApplyWorld();

  void RotateX(float angle) { world.RotateX(angle); }
  void RotateY(float angle) { world.RotateY(angle); }
  void RotateZ(float angle) { world.RotateZ(angle); }
  void RotateXYZ(float ax, float ay, float az) { world.RotateXYZ(ax, ay, az); }
  void Translate(float x, float y, float z) { world.Translate(x, y, z); }
  void Scale(float x, float y, float z) { world.Scale(x, y, z); }

  // Replaces the mesh by a copy in vertex format `fvf` with computed
  // normals; on failure the mesh stays as it was.
  HRESULT CloneToFVF(DWORD fvf);
  // The first vertex, writable (vertexCount vertices of the mesh's vertex
  // size follow), or null when the buffer cannot be locked. Always pair
  // with UnlockVertices.
  void* LockVertices();
  void UnlockVertices();
  void Release();
};
