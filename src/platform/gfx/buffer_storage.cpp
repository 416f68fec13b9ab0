#include "platform/gfx/buffer_storage.h"

#include "platform/gfx/gl_check.h"
#include "platform/gfx/gl_state_cache.h"

namespace gfx {

HRESULT BufferStorage::Lock(UINT offset, UINT size, void** data, DWORD flags) {
  if (!data) return D3DERR_INVALIDCALL;
  UINT total = this->size();
  if (offset > total) return D3DERR_INVALIDCALL;
  if (size == 0) size = total - offset;
  if (size > total - offset) return D3DERR_INVALIDCALL;
  bool expected = false;
  if (!locked_.compare_exchange_strong(expected, true))
    return D3DERR_INVALIDCALL;
  lockFlags_ = flags;
  *data = bytes_.data() + offset;
  return S_OK;
}

HRESULT BufferStorage::Unlock() {
  if (!locked_.load()) return D3DERR_INVALIDCALL;
  // A read-only lock leaves the GL copy valid.
  if (!(lockFlags_ & D3DLOCK_READONLY)) {
    dirty_.store(true);
    ++version_;
  }
  locked_.store(false);
  return S_OK;
}

GLuint BufferStorage::Upload(GlStateCache* cache, GLenum target) {
  bool create = buffer_ == 0;
  if (create) GL_CHECK(glGenBuffers(1, &buffer_));
  if (target == GL_ARRAY_BUFFER) {
    cache->BindArrayBuffer(buffer_);
  } else {
    cache->BindElementBuffer(buffer_);
  }
  if (dirty_.exchange(false)) {
    if (create) {
      GL_CHECK(
          glBufferData(target, bytes_.size(), bytes_.data(), GL_DYNAMIC_DRAW));
    } else {
      GL_CHECK(glBufferSubData(target, 0, bytes_.size(), bytes_.data()));
    }
  }
  return buffer_;
}

void BufferStorage::ReleaseGl(GlStateCache* cache) {
  if (!buffer_) return;
  cache->ForgetBuffer(buffer_);
  GL_CHECK(glDeleteBuffers(1, &buffer_));
  buffer_ = 0;
}

}  // namespace gfx
