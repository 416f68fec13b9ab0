// Meshes of the extension library and the .x loader.
#pragma once

#include "platform/d3dx/d3dx9core.h"

constexpr DWORD D3DXMESH_32BIT = 0x001;
constexpr DWORD D3DXMESH_MANAGED = 0x220;
constexpr DWORD D3DXMESHOPT_COMPACT = 0x01000000;
constexpr DWORD D3DXMESHOPT_ATTRSORT = 0x02000000;
constexpr DWORD D3DXMESHOPT_VERTEXCACHE = 0x04000000;

struct D3DXMATERIAL {
  D3DMATERIAL9 MatD3D;
  char* pTextureFilename;
};

struct D3DXATTRIBUTERANGE {
  DWORD AttribId;
  DWORD FaceStart;
  DWORD FaceCount;
  DWORD VertexStart;
  DWORD VertexCount;
};

class ID3DXMesh : public IUnknown {
 public:
  virtual HRESULT DrawSubset(DWORD attribId) = 0;
  virtual DWORD GetNumFaces() = 0;
  virtual DWORD GetNumVertices() = 0;
  virtual DWORD GetFVF() = 0;
  virtual DWORD GetNumBytesPerVertex() = 0;
  virtual DWORD GetOptions() = 0;
  virtual HRESULT GetDevice(IDirect3DDevice9** device) = 0;
  virtual HRESULT GetVertexBuffer(IDirect3DVertexBuffer9** buffer) = 0;
  virtual HRESULT GetIndexBuffer(IDirect3DIndexBuffer9** buffer) = 0;
  virtual HRESULT LockVertexBuffer(DWORD flags, void** data) = 0;
  virtual HRESULT UnlockVertexBuffer() = 0;
  virtual HRESULT LockIndexBuffer(DWORD flags, void** data) = 0;
  virtual HRESULT UnlockIndexBuffer() = 0;
  virtual HRESULT LockAttributeBuffer(DWORD flags, DWORD** data) = 0;
  virtual HRESULT UnlockAttributeBuffer() = 0;
  virtual HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* table,
                                    DWORD* tableSize) = 0;
  virtual HRESULT CloneMeshFVF(DWORD options, DWORD fvf,
                               IDirect3DDevice9* device,
                               ID3DXMesh** cloneMesh) = 0;
  virtual HRESULT OptimizeInplace(DWORD flags, const DWORD* adjacencyIn,
                                  DWORD* adjacencyOut, DWORD* faceRemap,
                                  ID3DXBuffer** vertexRemap) = 0;
  virtual HRESULT GenerateAdjacency(float epsilon, DWORD* adjacency) = 0;
};

HRESULT D3DXCreateMeshFVF(DWORD numFaces, DWORD numVertices, DWORD options,
                          DWORD fvf, IDirect3DDevice9* device,
                          ID3DXMesh** mesh);

// Looks the .x data up among the program's embedded resources (module null
// means the program itself; type "MESH" or RT_RCDATA).
HRESULT D3DXLoadMeshFromXResource(HMODULE module, LPCSTR name, LPCSTR type,
                                  DWORD options, IDirect3DDevice9* device,
                                  ID3DXBuffer** adjacency,
                                  ID3DXBuffer** materials,
                                  ID3DXBuffer** effectInstances,
                                  DWORD* numMaterials, ID3DXMesh** mesh);
HRESULT D3DXLoadMeshFromXInMemory(const void* data, DWORD size, DWORD options,
                                  IDirect3DDevice9* device,
                                  ID3DXBuffer** adjacency,
                                  ID3DXBuffer** materials,
                                  ID3DXBuffer** effectInstances,
                                  DWORD* numMaterials, ID3DXMesh** mesh);

HRESULT D3DXComputeNormals(ID3DXMesh* mesh, const DWORD* adjacency);

// Bytes per vertex of a vertex format.
UINT D3DXGetFVFVertexSize(DWORD fvf);
