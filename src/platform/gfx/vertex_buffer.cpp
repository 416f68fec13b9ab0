#include "platform/gfx/vertex_buffer.h"

#include "platform/gfx/device.h"

namespace gfx {

VertexBuffer::VertexBuffer(Device* device, UINT length, DWORD usage, DWORD fvf,
                           D3DPOOL pool)
    : DeviceChild(device),
      storage_(length),
      usage_(usage),
      fvf_(fvf),
      pool_(pool) {}

VertexBuffer::~VertexBuffer() {
  storage_.ReleaseGl(device()->cache());
  device()->ForgetVertexInput();
}

HRESULT VertexBuffer::GetDevice(IDirect3DDevice9** out) {
  return ReturnDevice(device(), out);
}

HRESULT VertexBuffer::Lock(UINT offset, UINT size, void** data, DWORD flags) {
  return storage_.Lock(offset, size, data, flags);
}

HRESULT VertexBuffer::Unlock() { return storage_.Unlock(); }

HRESULT VertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* desc) {
  if (!desc) return D3DERR_INVALIDCALL;
  *desc = {D3DFMT_UNKNOWN, D3DRTYPE_VERTEXBUFFER, usage_,
           pool_,          storage_.size(),       fvf_};
  // Direct3D reports vertex buffers with the format "vertex data".
  desc->Format = static_cast<D3DFORMAT>(100);
  return S_OK;
}

}  // namespace gfx
