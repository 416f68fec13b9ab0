// A vertex buffer: CPU copy plus GL buffer (see BufferStorage).
#pragma once

#include "platform/gfx/buffer_storage.h"
#include "platform/gfx/device_child.h"

namespace gfx {

class VertexBuffer : public DeviceChild<IDirect3DVertexBuffer9> {
 public:
  VertexBuffer(Device* device, UINT length, DWORD usage, DWORD fvf,
               D3DPOOL pool);

  HRESULT GetDevice(IDirect3DDevice9** device) override;
  D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
  HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override;
  HRESULT Unlock() override;
  HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) override;

  BufferStorage& storage() { return storage_; }

 private:
  ~VertexBuffer() override;

  BufferStorage storage_;
  DWORD usage_;
  DWORD fvf_;
  D3DPOOL pool_;
};

}  // namespace gfx
