// The glow, backdrop, sprite and flash object every section draws through.
//
// Threads: everything runs on the window thread except Flash, UpdateFlash
// and TurnBackdrop, which ticks call on the timer thread. The flash level
// is an atomic; the backdrop's turn is kept by the timer thread and handed
// to DrawBackdrop as a published copy.
#pragma once

#include <atomic>

#include "platform/d3dx/d3dx9.h"
#include "platform/gfx/com_ptr.h"
#include "toolkit/mesh_object.h"
#include "toolkit/published_state.h"
#include "toolkit/screen_quad.h"
#include "toolkit/world_matrix.h"

class TextureBank;

class GlowEffect {
 public:
  ComPtr<ID3DXEffect> effect;
  ComPtr<IDirect3DTexture9> targetTextures[2];
  ComPtr<IDirect3DSurface9> targetSurfaces[2];
  IDirect3DDevice9* device = nullptr;  // not owned
  ComPtr<IDirect3DSurface9> savedBackBuffer;
  ScreenQuad quad;
  ComPtr<IDirect3DStateBlock9> stateBlock;  // D3DSBT_ALL
  ComPtr<ID3DXSprite> sprite;
  TextureBank* textureBank = nullptr;  // not owned
  std::atomic<float> flashLevel{0.0f};
  float flashDecay = 0.002f;  // per millisecond: a full flash fades in 500 ms
  // The backdrop sphere, drawn from inside. Its turn is not kept in the
  // mesh's world matrix but by TurnBackdrop.
  MeshObject backdropMesh;

  HRESULT Init(IDirect3DDevice9* device_, TextureBank* textureBank_);
  void Release();

  // Draws into glow target 0 from now on, cleared to `clearColor` first
  // when `clear` is set.
  void BeginGlowTarget(D3DCOLOR clearColor, bool clear);
  // The blur passes; with `shrink` each pass also pulls the image in toward
  // the screen centre. Ends with the back buffer as render target.
  void ProcessGlow(float pixelSize, bool shrink);
  // Lays the blurred glow over the current target, the maximum of both per
  // channel.
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

  // Timer thread: turns the backdrop sphere by RotateX(ax), RotateY(ay),
  // RotateZ(az) after the turns so far. The turn accumulates over the whole
  // show: each section starts with the turn the sections before it left.
  void TurnBackdrop(float ax, float ay, float az);
  // The backdrop's world matrix as the next DrawBackdrop will use it.
  D3DXMATRIX BackdropWorld() const { return backdropWorld_.Read(); }

  HRESULT CreateRenderTexture(UINT width, UINT height, IDirect3DTexture9** out);

 private:
  WorldMatrix backdropTurn_;  // timer thread only
  PublishedState<D3DXMATRIX> backdropWorld_{WorldMatrix()};
};
