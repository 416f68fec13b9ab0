// An index buffer of 16- or 32-bit indices: CPU copy plus GL buffer (see
// BufferStorage).
#pragma once

#include "platform/gfx/buffer_storage.h"
#include "platform/gfx/device_child.h"
#include "platform/gfx/wireframe_edges.h"

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

  // Line lists for wireframe draws of ranges of this buffer.
  WireframeEdges& wireframeEdges() { return wireframeEdges_; }

  GLenum glType() const {
    return format_ == D3DFMT_INDEX32 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT;
  }

 private:
  ~IndexBuffer() override;

  BufferStorage storage_;
  WireframeEdges wireframeEdges_;
  DWORD usage_;
  D3DFORMAT format_;
  D3DPOOL pool_;
  // Ranges asked for recently, kept until the contents change: meshes
  // draw the same subset ranges every frame. A few slots, reused in turn.
  struct CachedRange {
    uint64_t version = 0;
    UINT start = 0, count = 0, lowest = 0, highest = 0;
  };
  static constexpr int kCachedRanges = 32;
  CachedRange ranges_[kCachedRanges];
  int nextRange_ = 0;
};

}  // namespace gfx
