// A 2D texture with its mip levels. Managed (and system-memory) textures
// keep every level on the CPU, locked with LockRect and uploaded at the
// next draw that samples them; render targets live only in GL.
#pragma once

#include <epoxy/gl.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gfx/alpha_coverage.h"
#include "platform/gfx/device_child.h"
#include "platform/gfx/surface.h"

namespace gfx {

class GlStateCache;

class Texture : public DeviceChild<IDirect3DTexture9> {
 public:
  // levels 0 asks for the full chain down to 1 x 1.
  Texture(Device* device, UINT width, UINT height, UINT levels, DWORD usage,
          D3DFORMAT format, D3DPOOL pool);

  HRESULT GetDevice(IDirect3DDevice9** device) override;
  D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
  DWORD GetLevelCount() override { return static_cast<DWORD>(levels_.size()); }
  HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
  HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) override;
  HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect,
                   DWORD flags) override;
  HRESULT UnlockRect(UINT level) override;
  BOOL AnyTexelVisible(UINT level, const RECT* texels) override;
  void PreLoad() override;

  bool isRenderTarget() const { return (usage_ & D3DUSAGE_RENDERTARGET) != 0; }
  UINT width() const { return levels_[0].width; }
  UINT height() const { return levels_[0].height; }
  Surface* surface(UINT level) { return levels_[level].surface.get(); }
  const std::vector<uint32_t>& pixels(UINT level) const {
    return levels_[level].pixels;
  }

  // Window thread: makes the GL texture current on `unit` and uploads the
  // levels written since the last upload. Returns the GL name.
  GLuint Prepare(GlStateCache* cache, int unit);
  // Whether Prepare has GL work to do: creation, or levels written since
  // the last upload.
  bool needsPrepare() const { return texture_ == 0 || anyDirty_; }
  GLuint glTexture() const { return texture_; }
  // Every texel of every level has alpha 255 (X8R8G8B8 always; never a
  // render target, whose texels the CPU does not know).
  bool opaque();

 private:
  struct Level {
    UINT width;
    UINT height;
    std::vector<uint32_t> pixels;  // 0xAARRGGBB, top row first
    std::unique_ptr<Surface> surface;
    bool locked = false;
    DWORD lockFlags = 0;
    bool dirty = true;
    // Where the texels are not clear; made when first asked for after
    // the level was last written.
    AlphaCoverage coverage;
    bool coverageValid = false;
  };

  // The level's coverage, brought up to date; null for render targets.
  const AlphaCoverage* Coverage(UINT level);

  ~Texture() override;

  DWORD usage_;
  D3DFORMAT format_;
  D3DPOOL pool_;
  std::vector<Level> levels_;
  GLuint texture_ = 0;
  bool anyDirty_ = true;
};

// Mip levels of a full chain for a width x height texture.
UINT FullMipChainLength(UINT width, UINT height);

}  // namespace gfx
