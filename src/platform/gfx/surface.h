// A surface: one level of a texture, or the device's back buffer. A
// surface has no count of its own; AddRef and Release go to its container
// (the texture, or the device for the back buffer), as in Direct3D.
#pragma once

#include <epoxy/gl.h>

#include "platform/gfx/d3d9.h"

namespace gfx {

class Device;
class Texture;

class Surface : public IDirect3DSurface9 {
 public:
  Surface(Texture* texture, UINT level, UINT width, UINT height);
  Surface(Device* backBufferOwner, UINT width, UINT height);
  ~Surface() override = default;

  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT GetDevice(IDirect3DDevice9** device) override;
  D3DRESOURCETYPE GetType() override { return D3DRTYPE_SURFACE; }
  HRESULT GetDesc(D3DSURFACE_DESC* desc) override;

  Texture* texture() const { return texture_; }
  Device* owningDevice() const;
  UINT level() const { return level_; }
  UINT width() const { return width_; }
  UINT height() const { return height_; }

  // The framebuffer that renders into this surface; 0 until the device
  // makes one (render-target levels only).
  GLuint framebuffer() const { return framebuffer_; }
  void setFramebuffer(GLuint framebuffer) { framebuffer_ = framebuffer; }

 private:
  Texture* texture_ = nullptr;
  Device* backBufferOwner_ = nullptr;
  UINT level_ = 0;
  UINT width_;
  UINT height_;
  GLuint framebuffer_ = 0;
};

}  // namespace gfx
