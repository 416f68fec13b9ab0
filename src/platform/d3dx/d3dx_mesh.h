// ID3DXMesh on the device's vertex and index buffers, with the attribute
// buffer and attribute table kept in CPU memory.
#pragma once

#include <atomic>
#include <vector>

#include "platform/d3dx/d3dx9mesh.h"
#include "platform/d3dx/fvf_layout.h"

class D3DXMeshImpl final : public ID3DXMesh {
 public:
  // Creates the buffers; 32-bit indices when options ask for them or the
  // vertex count needs them.
  static HRESULT Create(DWORD numFaces, DWORD numVertices, DWORD options,
                        DWORD fvf, IDirect3DDevice9* device,
                        D3DXMeshImpl** mesh);

  ULONG AddRef() override { return ++refs; }
  ULONG Release() override;

  HRESULT DrawSubset(DWORD attribId) override;
  DWORD GetNumFaces() override { return numFaces; }
  DWORD GetNumVertices() override { return numVertices; }
  DWORD GetFVF() override { return fvf; }
  DWORD GetNumBytesPerVertex() override { return layout.stride; }
  DWORD GetOptions() override { return options; }
  HRESULT GetDevice(IDirect3DDevice9** device) override;
  HRESULT GetVertexBuffer(IDirect3DVertexBuffer9** buffer) override;
  HRESULT GetIndexBuffer(IDirect3DIndexBuffer9** buffer) override;
  HRESULT LockVertexBuffer(DWORD flags, void** data) override;
  HRESULT UnlockVertexBuffer() override;
  HRESULT LockIndexBuffer(DWORD flags, void** data) override;
  HRESULT UnlockIndexBuffer() override;
  HRESULT LockAttributeBuffer(DWORD flags, DWORD** data) override;
  HRESULT UnlockAttributeBuffer() override;
  HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* table,
                            DWORD* tableSize) override;
  HRESULT CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice9* device,
                       ID3DXMesh** cloneMesh) override;
  HRESULT OptimizeInplace(DWORD flags, const DWORD* adjacencyIn,
                          DWORD* adjacencyOut, DWORD* faceRemap,
                          ID3DXBuffer** vertexRemap) override;
  HRESULT GenerateAdjacency(float epsilon, DWORD* adjacency) override;

  // Library-internal: whole index list as 32-bit values, and its
  // replacement (sizes must match the mesh).
  std::vector<uint32_t> ReadIndices();
  HRESULT WriteIndices(const std::vector<uint32_t>& indices);
  // Sorts faces by attribute (vertices untouched) and builds the table.
  HRESULT SortByAttribute(std::vector<uint32_t>* faceRemap);
  const FvfLayout& Layout() const { return layout; }

 private:
  D3DXMeshImpl() = default;
  ~D3DXMeshImpl();
  void BuildAttributeTable(const std::vector<uint32_t>& indices);
  HRESULT ReplaceVertexBuffer(DWORD count, IDirect3DVertexBuffer9** vb);

  std::atomic<ULONG> refs{1};
  IDirect3DDevice9* device = nullptr;
  IDirect3DVertexBuffer9* vertexBuffer = nullptr;
  IDirect3DIndexBuffer9* indexBuffer = nullptr;
  DWORD numFaces = 0;
  DWORD numVertices = 0;
  DWORD options = 0;
  DWORD fvf = 0;
  bool index32 = false;
  FvfLayout layout;
  std::vector<DWORD> attributes;  // one per face
  std::vector<D3DXATTRIBUTERANGE> attributeTable;
};
