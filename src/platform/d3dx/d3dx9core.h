// Buffers and the sprite of the extension library.
#pragma once

#include "platform/d3dx/d3dx9math.h"
#include "platform/gfx/d3d9.h"

// Extension-library result codes (facility 0x876): the .x file codes run
// from 900 (BADOBJECT) in Direct3D's order, e.g. PARSEERROR 0x88760390.
constexpr HRESULT D3DXERR_INVALIDDATA = MakeHresult(1, 0x876, 2905);
constexpr HRESULT D3DXFERR_BADOBJECT = MakeHresult(1, 0x876, 900);
constexpr HRESULT D3DXFERR_BADVALUE = MakeHresult(1, 0x876, 901);
constexpr HRESULT D3DXFERR_BADTYPE = MakeHresult(1, 0x876, 902);
constexpr HRESULT D3DXFERR_NOTFOUND = MakeHresult(1, 0x876, 903);
constexpr HRESULT D3DXFERR_BADFILETYPE = MakeHresult(1, 0x876, 908);
constexpr HRESULT D3DXFERR_BADFILEVERSION = MakeHresult(1, 0x876, 909);
constexpr HRESULT D3DXFERR_BADFILEFLOATSIZE = MakeHresult(1, 0x876, 910);
constexpr HRESULT D3DXFERR_BADFILE = MakeHresult(1, 0x876, 911);
constexpr HRESULT D3DXFERR_PARSEERROR = MakeHresult(1, 0x876, 912);
constexpr HRESULT D3DXFERR_BADARRAYSIZE = MakeHresult(1, 0x876, 913);
constexpr HRESULT D3DXFERR_BADDATAREFERENCE = MakeHresult(1, 0x876, 914);
constexpr HRESULT D3DXFERR_NOMOREOBJECTS = MakeHresult(1, 0x876, 915);
constexpr HRESULT D3DXFERR_BADRESOURCE = MakeHresult(1, 0x876, 907);

class ID3DXBuffer : public IUnknown {
 public:
  virtual void* GetBufferPointer() = 0;
  virtual DWORD GetBufferSize() = 0;
};

HRESULT D3DXCreateBuffer(DWORD size, ID3DXBuffer** buffer);

// The sprite interface of the DirectX 9.0 library: Draw outside Begin/End
// draws at once and leaves the device state as it found it.
class ID3DXSprite : public IUnknown {
 public:
  virtual HRESULT Begin() = 0;
  virtual HRESULT Draw(IDirect3DTexture9* texture, const RECT* sourceRect,
                       const D3DXVECTOR2* scaling,
                       const D3DXVECTOR2* rotationCenter, float rotation,
                       const D3DXVECTOR2* translation, D3DCOLOR color) = 0;
  virtual HRESULT DrawTransform(IDirect3DTexture9* texture,
                                const RECT* sourceRect,
                                const D3DXMATRIX* transform,
                                D3DCOLOR color) = 0;
  virtual HRESULT End() = 0;
};

HRESULT D3DXCreateSprite(IDirect3DDevice9* device, ID3DXSprite** sprite);

// Extension: the last error's one-line reason (byte offset or line and
// column), kept per thread by the loaders and the effect compiler.
const char* D3DXGetLastErrorText();
