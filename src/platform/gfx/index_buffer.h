// An index buffer of 16- or 32-bit indices: CPU copy plus GL buffer (see
// BufferStorage).
#pragma once

#include "platform/gfx/buffer_storage.h"
#include "platform/gfx/device_child.h"

namespace gfx {

class IndexBuffer : public DeviceChild<IDirect3DIndexBuffer9> {
 public:
  IndexBuffer(Device* device, UINT length, DWORD usage, D3DFORMAT format,
              D3DPOOL pool);

  HRESULT GetDevice(IDirect3DDevice9** device) override;
  D3DRESOURCETYPE GetType() override { return D3DRTYPE_INDEXBUFFER; }
  HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override;
  HRESULT Unlock() override;
  HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc) override;

  BufferStorage& storage() { return storage_; }
  UINT indexSize() const { return format_ == D3DFMT_INDEX32 ? 4 : 2; }
  // The smallest and largest index among `count` indices from `start`,
  // read from the CPU copy. False when the range leaves the buffer.
  bool IndexRange(UINT start, UINT count, UINT* lowest, UINT* highest);

  GLenum glType() const {
    return format_ == D3DFMT_INDEX32 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT;
  }

 private:
  ~IndexBuffer() override;

  BufferStorage storage_;
  DWORD usage_;
  D3DFORMAT format_;
  D3DPOOL pool_;
  // The last range asked for, kept until the contents change: meshes draw
  // the same ranges every frame.
  uint64_t rangeVersion_ = 0;
  UINT rangeStart_ = 0, rangeCount_ = 0, rangeLowest_ = 0, rangeHighest_ = 0;
};

}  // namespace gfx
