// Render targets, clearing and reading pixels back.
#include <algorithm>

#include "platform/gfx/device.h"
#include "platform/gfx/gl_check.h"
#include "platform/gfx/surface.h"
#include "platform/gfx/texture.h"

namespace gfx {

UINT Device::targetWidth() const { return renderTarget_->width(); }
UINT Device::targetHeight() const { return renderTarget_->height(); }

GLuint Device::FramebufferFor(Surface* surface) {
  if (surface->framebuffer()) return surface->framebuffer();
  Texture* texture = surface->texture();
  GLuint framebuffer = 0;
  GL_CHECK(glGenFramebuffers(1, &framebuffer));
  cache_.BindDrawFramebuffer(framebuffer);
  GL_CHECK(glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0,
                                  GL_TEXTURE_2D, texture->glTexture(),
                                  static_cast<GLint>(surface->level())));
  // The back buffer's depth buffer stays bound, as Direct3D keeps its
  // depth surface for a smaller target; GL renders into the overlap.
  GL_CHECK(glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_DEPTH_ATTACHMENT,
                                     GL_RENDERBUFFER, backDepth_));
  surface->setFramebuffer(framebuffer);
  targetDirty_ = true;
  return framebuffer;
}

void Device::BindRenderTargetFramebuffer() {
  cache_.BindDrawFramebuffer(FramebufferFor(renderTarget_));
  targetDirty_ = false;
}

HRESULT Device::GetBackBuffer(UINT swapChain, UINT index,
                              D3DBACKBUFFER_TYPE type,
                              IDirect3DSurface9** out) {
  if (!out || swapChain != 0 || index != 0 || type != D3DBACKBUFFER_TYPE_MONO)
    return D3DERR_INVALIDCALL;
  backBuffer_->AddRef();
  *out = backBuffer_.get();
  return S_OK;
}

HRESULT Device::SetRenderTarget(DWORD index, IDirect3DSurface9* base) {
  if (index != 0 || !base) return D3DERR_INVALIDCALL;
  auto* surface = static_cast<Surface*>(base);
  if (surface->owningDevice() != this) return D3DERR_INVALIDCALL;
  Texture* texture = surface->texture();
  if (texture && !texture->isRenderTarget()) return D3DERR_INVALIDCALL;
  if (surface != renderTarget_) {
    if (texture) texture->AddInternalRef();
    Texture* old = renderTarget_->texture();
    renderTarget_ = surface;
    if (old) old->ReleaseInternal();
    targetDirty_ = true;
  }
  // Setting a target makes the viewport and the scissor rectangle the
  // whole target.
  state_.viewport = {0, 0, surface->width(), surface->height(), 0.0f, 1.0f};
  state_.scissorRect = {0, 0, static_cast<LONG>(surface->width()),
                        static_cast<LONG>(surface->height())};
  dirty_ |= kViewportGroups | kScissorRectGroups;
  return S_OK;
}

HRESULT Device::GetRenderTarget(DWORD index, IDirect3DSurface9** out) {
  if (index != 0 || !out) return D3DERR_INVALIDCALL;
  renderTarget_->AddRef();
  *out = renderTarget_;
  return S_OK;
}

HRESULT Device::Clear(DWORD count, const RECT* rects, DWORD flags,
                      D3DCOLOR color, float z, DWORD /*stencil*/) {
  // The D16 depth buffer has no stencil.
  if (flags == 0 || (flags & ~(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER)))
    return D3DERR_INVALIDCALL;
  if (count > 0 && !rects) return D3DERR_INVALIDCALL;
  if (!(z >= 0.0f && z <= 1.0f)) return D3DERR_INVALIDCALL;
  if (targetDirty_) BindRenderTargetFramebuffer();
  GLbitfield mask = 0;
  if (flags & D3DCLEAR_TARGET) {
    float rgba[4];
    ColorToFloats(color, rgba);
    GL_CHECK(glClearColor(rgba[0], rgba[1], rgba[2], rgba[3]));
    cache_.ColorMask(0xF);
    mask |= GL_COLOR_BUFFER_BIT;
  }
  if (flags & D3DCLEAR_ZBUFFER) {
    GL_CHECK(glClearDepth(z));
    cache_.DepthMask(true);
    mask |= GL_DEPTH_BUFFER_BIT;
  }
  // Direct3D clears the viewport (and the rectangles inside it); targets
  // are stored top row first, so its rectangles are GL's.
  const D3DVIEWPORT9& v = state_.viewport;
  LONG vx0 = static_cast<LONG>(v.X), vy0 = static_cast<LONG>(v.Y);
  LONG vx1 = vx0 + static_cast<LONG>(v.Width);
  LONG vy1 = vy0 + static_cast<LONG>(v.Height);
  cache_.ScissorTest(true);
  DWORD passes = count > 0 ? count : 1;
  for (DWORD i = 0; i < passes; ++i) {
    LONG x0 = vx0, y0 = vy0, x1 = vx1, y1 = vy1;
    if (count > 0) {
      x0 = std::max(x0, rects[i].left);
      y0 = std::max(y0, rects[i].top);
      x1 = std::min(x1, rects[i].right);
      y1 = std::min(y1, rects[i].bottom);
      if (x0 >= x1 || y0 >= y1) continue;
    }
    cache_.Scissor(x0, y0, x1 - x0, y1 - y0);
    GL_CHECK(glClear(mask));
  }
  // The masks and scissor above are not the draw state.
  dirty_ |= kDirtyRaster | kDirtyDepth;
  return S_OK;
}

namespace {
void ReadFramebuffer(GlStateCache* cache, GLuint framebuffer, UINT width,
                     UINT height, std::vector<uint32_t>* pixels) {
  pixels->resize(static_cast<size_t>(width) * height);
  cache->BindReadFramebuffer(framebuffer);
  // Row 0 of a target is Direct3D's top row, so GL's order is the one
  // wanted.
  GL_CHECK(glReadPixels(0, 0, static_cast<GLsizei>(width),
                        static_cast<GLsizei>(height), GL_BGRA,
                        GL_UNSIGNED_INT_8_8_8_8_REV, pixels->data()));
}
}  // namespace

HRESULT Device::ReadBackBuffer(std::vector<uint32_t>* pixels) {
  if (!pixels || inScene_) return D3DERR_INVALIDCALL;
  ReadFramebuffer(&cache_, backFramebuffer_, width_, height_, pixels);
  return S_OK;
}

HRESULT Device::ReadTexture(IDirect3DTexture9* base,
                            std::vector<uint32_t>* pixels) {
  if (!base || !pixels) return D3DERR_INVALIDCALL;
  auto* texture = static_cast<Texture*>(base);
  if (texture->device() != this) return D3DERR_INVALIDCALL;
  if (texture->isRenderTarget()) {
    GLuint framebuffer = FramebufferFor(texture->surface(0));
    targetDirty_ = true;
    ReadFramebuffer(&cache_, framebuffer, texture->width(), texture->height(),
                    pixels);
  } else {
    *pixels = texture->pixels(0);
  }
  return S_OK;
}

}  // namespace gfx
