#include "platform/gfx/surface.h"

#include "platform/gfx/device.h"
#include "platform/gfx/texture.h"

namespace gfx {

Surface::Surface(Texture* texture, UINT level, UINT width, UINT height)
    : texture_(texture), level_(level), width_(width), height_(height) {}

Surface::Surface(Device* backBufferOwner, UINT width, UINT height)
    : backBufferOwner_(backBufferOwner), width_(width), height_(height) {}

Device* Surface::owningDevice() const {
  return texture_ ? texture_->device() : backBufferOwner_;
}

ULONG Surface::AddRef() {
  return texture_ ? texture_->AddRef() : backBufferOwner_->AddRef();
}

ULONG Surface::Release() {
  return texture_ ? texture_->Release() : backBufferOwner_->Release();
}

HRESULT Surface::GetDevice(IDirect3DDevice9** out) {
  return ReturnDevice(owningDevice(), out);
}

HRESULT Surface::GetDesc(D3DSURFACE_DESC* desc) {
  if (!desc) return D3DERR_INVALIDCALL;
  if (texture_) return texture_->GetLevelDesc(level_, desc);
  *desc = {D3DFMT_A8R8G8B8,
           D3DRTYPE_SURFACE,
           D3DUSAGE_RENDERTARGET,
           D3DPOOL_DEFAULT,
           0,
           0,
           width_,
           height_};
  return S_OK;
}

}  // namespace gfx
