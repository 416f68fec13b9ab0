// Entry points whose implementation is still to come.
#include "platform/d3dx/d3dx9.h"
#include "platform/d3dx/xfile_model.h"

HRESULT D3DXCreateSprite(IDirect3DDevice9*, ID3DXSprite** sprite) {
  if (sprite) *sprite = nullptr;
  return E_NOTIMPL;
}

HRESULT D3DXCreateEffect(IDirect3DDevice9*, const void*, UINT, const D3DXMACRO*,
                         ID3DXInclude*, DWORD, ID3DXEffectPool*,
                         ID3DXEffect** effect, ID3DXBuffer** errors) {
  if (effect) *effect = nullptr;
  if (errors) *errors = nullptr;
  return E_NOTIMPL;
}

HRESULT D3DXCreateEffectFromResourceA(IDirect3DDevice9*, HMODULE, LPCSTR,
                                      const D3DXMACRO*, ID3DXInclude*, DWORD,
                                      ID3DXEffectPool*, ID3DXEffect** effect,
                                      ID3DXBuffer** errors) {
  if (effect) *effect = nullptr;
  if (errors) *errors = nullptr;
  return E_NOTIMPL;
}
