// The glow, backdrop, sprite and flash object every section draws through.
#pragma once

#include <atomic>

#include "platform/d3dx/d3dx9.h"
#include "toolkit/mesh_object.h"
#include "toolkit/screen_quad.h"

class TextureBank;

class GlowEffect {
 public:
  ID3DXEffect* effect = nullptr;
  IDirect3DTexture9* targetTextures[2] = {nullptr, nullptr};
  IDirect3DSurface9* targetSurfaces[2] = {nullptr, nullptr};
  IDirect3DDevice9* device = nullptr;  // not owned
  IDirect3DSurface9* savedBackBuffer = nullptr;
  ScreenQuad quad;
  IDirect3DStateBlock9* stateBlock = nullptr;
  ID3DXSprite* sprite = nullptr;
  TextureBank* textureBank = nullptr;  // not owned
  std::atomic<float> flashLevel{0.0f};
  float flashDecay = 0.002f;  // per millisecond: a full flash fades in 500 ms
  // Turned by sections' Update on the timer thread (under the shell's tick
  // lock); DrawBackdrop reads the copy CaptureBackdrop takes.
  MeshObject backdropMesh;

  HRESULT Init(IDirect3DDevice9* device_, TextureBank* textureBank_);
  void Release();

  void BeginGlowTarget(D3DCOLOR clearColor, int clear);
  void ProcessGlow(float pixelSize, int shrink);
  void ComposeGlow();
  void DrawBackdrop(IDirect3DTexture9* texture, float fovY, float aspect);

  HRESULT DrawSprite(IDirect3DTexture9* texture, D3DCOLOR color);
  HRESULT DrawSpritePlain(IDirect3DTexture9* texture);
  HRESULT DrawSpriteRotated(IDirect3DTexture9* texture,
                            const D3DXVECTOR2* center, float rotation,
                            D3DCOLOR color);
  HRESULT DrawSpriteTransformed(IDirect3DTexture9* texture,
                                const D3DXMATRIX* transform, D3DCOLOR color);

  void Flash();
  void UpdateFlash(unsigned elapsedMs, unsigned deltaMs);
  void DrawFlash();
  // The sprite colour DrawFlash uses at a level: the level times 255,
  // truncated, in all four bytes (0.5 gives 0x7F7F7F7F).
  static D3DCOLOR FlashColor(float level);

  // Window thread, under the shell's tick lock: copies the backdrop's world
  // matrix for the frame about to be drawn.
  void CaptureBackdrop();

  HRESULT CreateRenderTexture(UINT width, UINT height, IDirect3DTexture9** out);

 private:
  D3DXMATRIX backdropWorldForFrame_{};
};
