// Entry points whose implementation is still to come.
#include "platform/d3dx/d3dx9.h"
#include "platform/d3dx/xfile_model.h"

HRESULT D3DXCreateSprite(IDirect3DDevice9*, ID3DXSprite** sprite) {
  if (sprite) *sprite = nullptr;
  return E_NOTIMPL;
}
