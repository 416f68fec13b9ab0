// Effects of the extension library: the effect framework parsed here, each
// program compiled from HLSL through glslang and SPIRV-Cross.
#pragma once

#include "platform/d3dx/d3dx9core.h"

using D3DXHANDLE = const char*;

// Begin flags: leave the device state alone instead of saving it for End.
constexpr DWORD D3DXFX_DONOTSAVESTATE = 1;

class ID3DXEffect : public IUnknown {
 public:
  virtual D3DXHANDLE GetTechnique(UINT index) = 0;
  virtual D3DXHANDLE GetTechniqueByName(const char* name) = 0;
  virtual D3DXHANDLE GetPass(D3DXHANDLE technique, UINT index) = 0;
  virtual D3DXHANDLE GetParameterByName(D3DXHANDLE parent,
                                        const char* name) = 0;
  virtual HRESULT SetTechnique(D3DXHANDLE technique) = 0;
  // flags 0: the states the technique's passes change are saved here and
  // restored by End.
  virtual HRESULT Begin(UINT* passes, DWORD flags) = 0;
  virtual HRESULT Pass(UINT index) = 0;
  virtual HRESULT End() = 0;
  virtual HRESULT SetFloat(D3DXHANDLE parameter, float value) = 0;
  virtual HRESULT SetMatrix(D3DXHANDLE parameter, const D3DXMATRIX* matrix) = 0;
  virtual HRESULT SetTexture(D3DXHANDLE parameter,
                             IDirect3DBaseTexture9* texture) = 0;
};

struct D3DXMACRO {
  LPCSTR Name;
  LPCSTR Definition;
};
class ID3DXInclude;
class ID3DXEffectPool;

HRESULT D3DXCreateEffect(IDirect3DDevice9* device, const void* sourceData,
                         UINT sourceLength, const D3DXMACRO* defines,
                         ID3DXInclude* include, DWORD flags,
                         ID3DXEffectPool* pool, ID3DXEffect** effect,
                         ID3DXBuffer** compilationErrors);
HRESULT D3DXCreateEffectFromResourceA(IDirect3DDevice9* device, HMODULE module,
                                      LPCSTR resource, const D3DXMACRO* defines,
                                      ID3DXInclude* include, DWORD flags,
                                      ID3DXEffectPool* pool,
                                      ID3DXEffect** effect,
                                      ID3DXBuffer** compilationErrors);
