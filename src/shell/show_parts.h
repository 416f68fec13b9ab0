// How the shell reaches the shared show objects: the texture bank, the glow
// object and the sections. The real objects by default; tests override the
// calls to inject failures and record the order of events without a GPU.
#pragma once

#include <cstdint>

#include "platform/gfx/d3d9.h"

class BaseSection;
class GlowEffect;
class TextureBank;

class ShowParts {
 public:
  virtual ~ShowParts() = default;

  virtual TextureBank* NewTextureBank();
  // SetDevice, then LoadAll.
  virtual HRESULT LoadTextures(TextureBank* bank, IDirect3DDevice9* device);
  virtual void DestroyTextures(TextureBank* bank);

  virtual GlowEffect* NewGlow();
  virtual HRESULT InitGlow(GlowEffect* glow, IDirect3DDevice9* device,
                           TextureBank* bank);
  virtual void ReleaseGlow(GlowEffect* glow);
  virtual void Flash(GlowEffect* glow);
  virtual void UpdateFlash(GlowEffect* glow, uint32_t elapsed, uint32_t delta);
  virtual void DrawFlash(GlowEffect* glow);

  virtual BaseSection* NewSection(int index);
};
