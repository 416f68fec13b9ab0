#include "glow/glow_effect.h"

#include "resource_ids.h"
#include "resources/texture_bank.h"
#include "toolkit/camera.h"
#include "toolkit/device_settings.h"

namespace {

// The glow works at a fixed size whatever the screen size.
constexpr UINT kTargetSize = 256;
// Each blur pass shrinks its source a little toward the screen centre, so
// the halo trails inward; the composition enlarges the result again.
constexpr float kShrinkScale = 0.985f;
constexpr float kComposeScale = 1.015f;
// Sprites are drawn at 0.8 x 0.6 of their texture: an 800 x 600 image in its
// 1024 x 1024 texture then covers the 800 x 600 screen.
const D3DXVECTOR2 kSpriteScaling(0.8f, 0.6f);

// The backdrop camera sits just off the sphere's centre and looks at the
// inside; the near and far planes keep the whole sphere.
const D3DXVECTOR3 kBackdropEye(0.0f, 0.0f, 0.1f);
const D3DXVECTOR3 kBackdropTarget(0.0f, 0.0f, 0.0f);
const D3DXVECTOR3 kBackdropUp(0.0f, 1.0f, 0.0f);
constexpr float kBackdropNear = 1.0f;
constexpr float kBackdropFar = 1000.0f;

// The backdrop blends over what is there by its texture's alpha, without
// writing depth. Lighting is set off and then on again: the second value
// is the one that counts (the sphere's material then lights it), and the
// list keeps both on purpose.
constexpr DeviceSetting kBackdropStates[] = {
    RenderState(D3DRS_LIGHTING, FALSE),
    RenderState(D3DRS_ZFUNC, D3DCMP_LESS),
    RenderState(D3DRS_ZWRITEENABLE, FALSE),
    RenderState(D3DRS_ALPHABLENDENABLE, TRUE),
    RenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD),
    RenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA),
    RenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA),
    RenderState(D3DRS_CLIPPING, TRUE),
    RenderState(D3DRS_LIGHTING, TRUE),
    RenderState(D3DRS_CULLMODE, D3DCULL_NONE),
    RenderState(D3DRS_FILLMODE, D3DFILL_SOLID),
    RenderState(D3DRS_VERTEXBLEND, D3DVBF_DISABLE),
    // Colour and alpha from the texture alone.
    StageState(D3DTSS_COLOROP, D3DTOP_SELECTARG1),
    StageState(D3DTSS_COLORARG1, D3DTA_TEXTURE),
    StageState(D3DTSS_ALPHAOP, D3DTOP_SELECTARG1),
    StageState(D3DTSS_ALPHAARG1, D3DTA_TEXTURE),
    StageState(D3DTSS_TEXCOORDINDEX, 0),
    StageState(D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE),
};

// The composition reads no depth and writes none.
constexpr DeviceSetting kComposeStates[] = {
    RenderState(D3DRS_ZENABLE, FALSE),
    RenderState(D3DRS_ZFUNC, D3DCMP_LESS),
    RenderState(D3DRS_ZWRITEENABLE, FALSE),
};

// The quad's own placement, as the glow passes draw it.
D3DXMATRIX QuadTransform(const ScreenQuad& quad) {
  D3DXMATRIX transform;
  D3DXMatrixMultiply(&transform, &quad.world, &quad.view);
  D3DXMatrixMultiply(&transform, &transform, &quad.projection);
  return transform;
}

}  // namespace

HRESULT GlowEffect::CreateRenderTexture(UINT width, UINT height,
                                        IDirect3DTexture9** out) {
  return device->CreateTexture(width, height, 1, D3DUSAGE_RENDERTARGET,
                               D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, out, nullptr);
}

HRESULT GlowEffect::Init(IDirect3DDevice9* device_, TextureBank* textureBank_) {
  flashDecay = 0.002f;
  device = device_;
  textureBank = textureBank_;

  HRESULT hr =
      backdropMesh.LoadFromResource(device, resource_id::kBackdropMesh);
  if (FAILED(hr)) return hr;
  hr = quad.Init(device);
  if (FAILED(hr)) return hr;
  hr = D3DXCreateEffectFromResourceA(
      device, nullptr, MAKEINTRESOURCE(resource_id::kGlowResource), nullptr,
      nullptr, 0, nullptr, effect.Receive(), nullptr);
  if (FAILED(hr)) return hr;
  for (int i = 0; i < 2; ++i) {
    hr = CreateRenderTexture(kTargetSize, kTargetSize,
                             targetTextures[i].Receive());
    if (FAILED(hr)) return hr;
    hr = targetTextures[i]->GetSurfaceLevel(0, targetSurfaces[i].Receive());
    if (FAILED(hr)) return hr;
  }
  // Without its state block ComposeGlow and DrawBackdrop could not put the
  // device back as they found it, and every later draw would inherit their
  // states: a failure here fails start-up like any other.
  hr = device->CreateStateBlock(D3DSBT_ALL, stateBlock.Receive());
  if (FAILED(hr)) return hr;
  return D3DXCreateSprite(device, sprite.Receive());
}

void GlowEffect::Release() {
  effect.Reset();
  for (int i = 0; i < 2; ++i) {
    targetSurfaces[i].Reset();
    targetTextures[i].Reset();
  }
  savedBackBuffer.Reset();
  quad.Release();
  stateBlock.Reset();
  sprite.Reset();
  backdropMesh.Release();
}

void GlowEffect::BeginGlowTarget(D3DCOLOR clearColor, bool clear) {
  // At most one back-buffer reference is held between frames.
  device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO,
                        savedBackBuffer.Receive());
  device->SetRenderTarget(0, targetSurfaces[0].get());
  if (clear) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, clearColor,
                  1.0f, 0);
  }
}

void GlowEffect::ProcessGlow(float pixelSize, bool shrink) {
  D3DXMATRIX transform = QuadTransform(quad);
  D3DXMATRIX shrinkScale;
  D3DXMatrixScaling(&shrinkScale, kShrinkScale, kShrinkScale, kShrinkScale);

  D3DXHANDLE technique = effect->GetTechnique(0);
  if (SUCCEEDED(effect->SetTechnique(technique))) {
    UINT passCount = 0;
    effect->Begin(&passCount, 0);
    effect->SetFloat("pSize", pixelSize);
    // Every pass but the last blurs, ping-ponging between the two targets;
    // with four blur passes the result ends in target 0.
    int source = 0;
    for (UINT pass = 0; pass + 1 < passCount; ++pass) {
      if (shrink) {
        // Applied after the projection, so each pass shrinks the image
        // toward the screen centre, cumulatively.
        D3DXMatrixMultiply(&transform, &transform, &shrinkScale);
      }
      effect->SetTexture("glowTexture", targetTextures[source].get());
      effect->SetMatrix("texTrans", &transform);
      const int destination = 1 - source;
      device->SetRenderTarget(0, targetSurfaces[destination].get());
      device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00000000,
                    1.0f, 0);
      effect->Pass(pass);
      quad.Draw(nullptr);
      source = destination;
    }
    effect->End();
  }
  device->SetRenderTarget(0, savedBackBuffer.get());
}

void GlowEffect::ComposeGlow() {
  if (stateBlock) stateBlock->Capture();
  ApplySettings(device, kComposeStates);

  D3DXHANDLE technique = effect->GetTechnique(0);
  D3DXMATRIX transform = QuadTransform(quad);
  D3DXMATRIX composeScale;
  D3DXMatrixScaling(&composeScale, kComposeScale, kComposeScale, kComposeScale);
  D3DXMatrixMultiply(&transform, &transform, &composeScale);

  if (SUCCEEDED(effect->SetTechnique(technique))) {
    UINT passCount = 0;
    effect->Begin(&passCount, 0);
    effect->SetTexture("glowTexture", targetTextures[0].get());
    effect->SetMatrix("texTrans", &transform);
    // The last pass lays the glow over the frame with a per-channel maximum.
    if (passCount > 0) {
      effect->Pass(passCount - 1);
      quad.Draw(nullptr);
    }
    effect->End();
  }
  if (stateBlock) stateBlock->Apply();
}

void GlowEffect::TurnBackdrop(float ax, float ay, float az) {
  backdropTurn_.RotateXYZ(ax, ay, az);
  backdropWorld_.Publish(backdropTurn_);
}

void GlowEffect::DrawBackdrop(IDirect3DTexture9* texture, float fovY,
                              float aspect) {
  if (stateBlock) stateBlock->Capture();
  ApplySettings(device, kBackdropStates);
  SetCamera(device, kBackdropEye, kBackdropTarget, kBackdropUp,
            {fovY, aspect, kBackdropNear, kBackdropFar});
  device->SetTexture(0, texture);
  // Every subset with its material, under the turn the ticks published.
  backdropMesh.Draw(backdropWorld_.Read());
  if (stateBlock) stateBlock->Apply();
}

HRESULT GlowEffect::DrawSprite(IDirect3DTexture9* texture, D3DCOLOR color) {
  return sprite->Draw(texture, nullptr, &kSpriteScaling, nullptr, 0.0f, nullptr,
                      color);
}

HRESULT GlowEffect::DrawSpritePlain(IDirect3DTexture9* texture) {
  return DrawSprite(texture, 0xFFFFFFFF);
}

HRESULT GlowEffect::DrawSpriteRotated(IDirect3DTexture9* texture,
                                      const D3DXVECTOR2* center, float rotation,
                                      D3DCOLOR color) {
  return sprite->Draw(texture, nullptr, &kSpriteScaling, center, rotation,
                      nullptr, color);
}

HRESULT GlowEffect::DrawSpriteTransformed(IDirect3DTexture9* texture,
                                          const D3DXMATRIX* transform,
                                          D3DCOLOR color) {
  sprite->Begin();
  sprite->DrawTransform(texture, nullptr, transform, color);
  return sprite->End();
}

void GlowEffect::Flash() { flashLevel.store(1.0f); }

void GlowEffect::UpdateFlash(unsigned elapsedMs, unsigned deltaMs) {
  (void)elapsedMs;
  const float level = flashLevel.load();
  if (level > 0.0f) {
    float next = level - flashDecay * static_cast<float>(deltaMs);
    if (next < 0.0f) next = 0.0f;
    // A Flash from the window thread between the load and this store is
    // overwritten only if it came within this one tick; compare-exchange
    // keeps it instead.
    float expected = level;
    flashLevel.compare_exchange_strong(expected, next);
  }
}

void GlowEffect::DrawFlash() {
  const float level = flashLevel.load();
  // A fully transparent sprite changes nothing, and on a CPU renderer it
  // would cost a full-screen pass.
  if (level <= 0.0f) return;
  IDirect3DTexture9* picture =
      textureBank ? textureBank->Texture(slot::kFlash) : nullptr;
  if (!picture) return;
  device->BeginScene();
  DrawSprite(picture, FlashColor(level));
  device->EndScene();
}

D3DCOLOR GlowEffect::FlashColor(float level) {
  // Truncated toward zero in double precision: 0.5 gives 127, not 128.
  const DWORD n =
      static_cast<DWORD>(static_cast<double>(level) * 255.0) & 0xFFu;
  return n * 0x01010101u;
}
