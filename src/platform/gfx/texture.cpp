#include "platform/gfx/texture.h"

#include <algorithm>

#include "platform/gfx/device.h"
#include "platform/gfx/gl_check.h"
#include "platform/gfx/gl_state_cache.h"

namespace gfx {

UINT FullMipChainLength(UINT width, UINT height) {
  UINT levels = 1;
  UINT size = std::max(width, height);
  while (size > 1) {
    size >>= 1;
    ++levels;
  }
  return levels;
}

Texture::Texture(Device* device, UINT width, UINT height, UINT levels,
                 DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : DeviceChild(device), usage_(usage), format_(format), pool_(pool) {
  if (levels == 0) levels = FullMipChainLength(width, height);
  levels_.resize(levels);
  for (UINT i = 0; i < levels; ++i) {
    Level& level = levels_[i];
    level.width = std::max(1u, width >> i);
    level.height = std::max(1u, height >> i);
    if (!isRenderTarget())
      level.pixels.assign(static_cast<size_t>(level.width) * level.height, 0);
    level.surface =
        std::make_unique<Surface>(this, i, level.width, level.height);
  }
}

Texture::~Texture() {
  GlStateCache* cache = device()->cache();
  for (Level& level : levels_) {
    GLuint fbo = level.surface->framebuffer();
    if (fbo) {
      cache->ForgetFramebuffer(fbo);
      GL_CHECK(glDeleteFramebuffers(1, &fbo));
    }
  }
  if (texture_) {
    cache->ForgetTexture(texture_);
    GL_CHECK(glDeleteTextures(1, &texture_));
  }
}

HRESULT Texture::GetDevice(IDirect3DDevice9** out) {
  return ReturnDevice(device(), out);
}

HRESULT Texture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
  if (!desc || level >= levels_.size()) return D3DERR_INVALIDCALL;
  *desc = {format_,
           D3DRTYPE_SURFACE,
           usage_,
           pool_,
           0,
           0,
           levels_[level].width,
           levels_[level].height};
  return S_OK;
}

HRESULT Texture::GetSurfaceLevel(UINT level, IDirect3DSurface9** out) {
  if (!out || level >= levels_.size()) return D3DERR_INVALIDCALL;
  AddRef();
  *out = levels_[level].surface.get();
  return S_OK;
}

HRESULT Texture::LockRect(UINT index, D3DLOCKED_RECT* locked, const RECT* rect,
                          DWORD flags) {
  if (!locked || index >= levels_.size() || isRenderTarget())
    return D3DERR_INVALIDCALL;
  Level& level = levels_[index];
  if (level.locked) return D3DERR_INVALIDCALL;
  RECT whole{0, 0, static_cast<LONG>(level.width),
             static_cast<LONG>(level.height)};
  const RECT& r = rect ? *rect : whole;
  if (r.left < 0 || r.top < 0 || r.left >= r.right || r.top >= r.bottom ||
      r.right > whole.right || r.bottom > whole.bottom)
    return D3DERR_INVALIDCALL;
  level.locked = true;
  level.lockFlags = flags;
  locked->Pitch = static_cast<INT>(level.width * 4);
  locked->pBits =
      level.pixels.data() + static_cast<size_t>(r.top) * level.width + r.left;
  return S_OK;
}

HRESULT Texture::UnlockRect(UINT index) {
  if (index >= levels_.size() || !levels_[index].locked)
    return D3DERR_INVALIDCALL;
  Level& level = levels_[index];
  level.locked = false;
  // A read-only lock leaves the GL copy valid.
  if (!(level.lockFlags & D3DLOCK_READONLY)) {
    level.dirty = true;
    level.coverageValid = false;
    anyDirty_ = true;
  }
  return S_OK;
}

const AlphaCoverage* Texture::Coverage(UINT index) {
  if (isRenderTarget() || index >= levels_.size()) return nullptr;
  Level& level = levels_[index];
  if (!level.coverageValid) {
    level.coverage.Build(level.pixels.data(), level.width, level.height,
                         format_ == D3DFMT_X8R8G8B8);
    level.coverageValid = true;
  }
  return &level.coverage;
}

void Texture::PreLoad() {
  if (!isRenderTarget() && needsPrepare()) device()->PreLoadTexture(this);
}

BOOL Texture::AnyTexelVisible(UINT level, const RECT* texels) {
  if (!texels || level >= levels_.size()) return TRUE;
  const AlphaCoverage* coverage = Coverage(level);
  if (!coverage) return TRUE;
  return coverage->AnyVisible(texels->left, texels->top, texels->right - 1,
                              texels->bottom - 1)
             ? TRUE
             : FALSE;
}

bool Texture::opaque() {
  if (isRenderTarget()) return false;
  if (format_ == D3DFMT_X8R8G8B8) return true;
  for (UINT i = 0; i < levels_.size(); ++i)
    if (!Coverage(i)->opaque()) return false;
  return true;
}

GLuint Texture::Prepare(GlStateCache* cache, int unit) {
  bool create = texture_ == 0;
  if (create) GL_CHECK(glGenTextures(1, &texture_));
  if (!create && !anyDirty_) {
    cache->BindTexture(unit, texture_);
    return texture_;
  }
  // Creating or uploading edits the texture on the active unit.
  cache->SelectTexture(unit, texture_);
  if (create) {
    // Every level from 0 to levels - 1 exists, so the texture is complete
    // for any mip filter (a single-level render target included).
    GL_CHECK(glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0));
    GL_CHECK(glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL,
                             static_cast<GLint>(levels_.size()) - 1));
    if (format_ == D3DFMT_X8R8G8B8)
      GL_CHECK(glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, GL_ONE));
    for (UINT i = 0; i < levels_.size(); ++i) {
      const Level& level = levels_[i];
      GL_CHECK(glTexImage2D(
          GL_TEXTURE_2D, static_cast<GLint>(i), GL_RGBA8, level.width,
          level.height, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
          level.pixels.empty() ? nullptr : level.pixels.data()));
    }
    for (Level& level : levels_) level.dirty = false;
    anyDirty_ = false;
    return texture_;
  }
  if (anyDirty_) {
    GL_CHECK(glPixelStorei(GL_UNPACK_ALIGNMENT, 4));
    for (UINT i = 0; i < levels_.size(); ++i) {
      Level& level = levels_[i];
      if (!level.dirty || level.pixels.empty()) continue;
      GL_CHECK(glTexSubImage2D(
          GL_TEXTURE_2D, static_cast<GLint>(i), 0, 0, level.width, level.height,
          GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, level.pixels.data()));
      level.dirty = false;
    }
    anyDirty_ = false;
  }
  return texture_;
}

}  // namespace gfx
