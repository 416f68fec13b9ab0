// A textured square that fills the current render target, drawn with its
// own camera; leaves the device state as it found it.
#pragma once

#include "platform/d3dx/d3dx9.h"
#include "platform/gfx/com_ptr.h"

#pragma pack(push, 1)
// Position and one texture coordinate set: D3DFVF_XYZ | D3DFVF_TEX1.
struct TexVertex {
  float x, y, z;
  float u, v;
};
// Position, point size and colour: D3DFVF_XYZ | D3DFVF_PSIZE |
// D3DFVF_DIFFUSE.
struct PointVertex {
  float x, y, z;
  float size;
  D3DCOLOR color;
};
#pragma pack(pop)
static_assert(sizeof(TexVertex) == 20);
static_assert(sizeof(PointVertex) == 20);

constexpr DWORD kTexVertexFvf = D3DFVF_XYZ | D3DFVF_TEX1;
constexpr DWORD kPointVertexFvf = D3DFVF_XYZ | D3DFVF_PSIZE | D3DFVF_DIFFUSE;

void SetTexVertex(TexVertex* vertices, int index, float x, float y, float z,
                  float u, float v);
// Note the argument order: colour before size, unlike the memory order.
void SetPointVertex(PointVertex* vertices, int index, float x, float y, float z,
                    D3DCOLOR color, float size);

class ScreenQuad {
 public:
  ComPtr<IDirect3DVertexBuffer9> vertexBuffer;  // six TexVertex records
  ComPtr<IDirect3DIndexBuffer9> indexBuffer;    // six 32-bit indices
  IDirect3DDevice9* device = nullptr;           // not owned
  ComPtr<IDirect3DStateBlock9> stateBlock;      // D3DSBT_ALL, around each draw
  D3DXMATRIX view{};
  D3DXMATRIX projection{};
  D3DXMATRIX world{};

  // Creates and fills the buffers and the state block; stops at the first
  // failure and returns its code.
  HRESULT Init(IDirect3DDevice9* device_);
  // Draws the quad over the whole current render target and puts the
  // device state back as it was; a texture given here (not null) is bound
  // to stage 0 first and stays bound. Returns the restore's result.
  HRESULT Draw(IDirect3DTexture9* texture);
  void Release();
  void SetupMatrices();
};
