// ID3DXSprite with the DirectX 9.0 interface. Each Draw goes to the device
// at once: a sprite is a textured quad in screen pixels, the texture
// modulated by the colour and blended by source alpha, with depth test and
// depth writes off so stacked overlays all stay visible. Begin captures
// the device state (D3DSBT_ALL) and End applies it back; a Draw outside
// Begin/End does both around itself.
#pragma once

#include <atomic>
#include <vector>

#include "platform/d3dx/d3dx9core.h"
#include "platform/d3dx/d3dx9math.h"

class D3DXSpriteImpl final : public ID3DXSprite {
 public:
  static HRESULT Create(IDirect3DDevice9* device, D3DXSpriteImpl** sprite);

  ULONG AddRef() override { return ++refs; }
  ULONG Release() override;

  HRESULT Begin() override;
  HRESULT Draw(IDirect3DTexture9* texture, const RECT* sourceRect,
               const D3DXVECTOR2* scaling, const D3DXVECTOR2* rotationCenter,
               float rotation, const D3DXVECTOR2* translation,
               D3DCOLOR color) override;
  HRESULT DrawTransform(IDirect3DTexture9* texture, const RECT* sourceRect,
                        const D3DXMATRIX* transform, D3DCOLOR color) override;
  HRESULT End() override;

 private:
  D3DXSpriteImpl() = default;
  ~D3DXSpriteImpl();
  void SetSpriteStates();
  HRESULT DrawQuad(IDirect3DTexture9* texture, const RECT* sourceRect,
                   const D3DXMATRIX& transform, D3DCOLOR color);
  // Whether the current states make a pixel that reads only clear texels
  // write nothing (the alpha test drops it), so that the quad may be drawn
  // only where its texture is visible.
  bool DrawsOnlyVisibleTexels();

  std::atomic<ULONG> refs{1};
  IDirect3DDevice9* device = nullptr;
  IDirect3DStateBlock9* saved = nullptr;
  bool begun = false;
  std::vector<RECT> regions_;  // reused by every draw
};
