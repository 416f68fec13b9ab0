// The CPU copy of a vertex or index buffer and its GL buffer. Lock and
// Unlock touch only the CPU copy (the timer thread may refill a buffer);
// Upload, on the window thread at draw time, sends what changed to GL.
#pragma once

#include <epoxy/gl.h>

#include <atomic>
#include <cstdint>
#include <vector>

#include "platform/gfx/d3d9_types.h"

namespace gfx {

class GlStateCache;

class BufferStorage {
 public:
  explicit BufferStorage(UINT size) : bytes_(size) {}
  BufferStorage(const BufferStorage&) = delete;
  BufferStorage& operator=(const BufferStorage&) = delete;

  // Lock(0, 0) locks the whole buffer. D3DERR_INVALIDCALL when already
  // locked, when the range leaves the buffer, or for a null out-pointer.
  HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags);
  HRESULT Unlock();

  UINT size() const { return static_cast<UINT>(bytes_.size()); }
  bool locked() const { return locked_.load(); }
  const uint8_t* bytes() const { return bytes_.data(); }
  // Grows with every write lock released; lets readers of the CPU copy
  // (the index range check) cache what they derived from it.
  uint64_t version() const { return version_.load(); }

  // Window thread only: creates the GL buffer on first use and uploads
  // the CPU copy when a write lock has touched it since the last upload.
  // Leaves the buffer bound to `target`, through the cache for
  // GL_ARRAY_BUFFER.
  GLuint Upload(GlStateCache* cache, GLenum target);
  void ReleaseGl(GlStateCache* cache);

 private:
  std::vector<uint8_t> bytes_;
  std::atomic<bool> locked_{false};
  std::atomic<bool> dirty_{true};
  std::atomic<uint64_t> version_{1};
  DWORD lockFlags_ = 0;
  GLuint buffer_ = 0;
};

}  // namespace gfx
