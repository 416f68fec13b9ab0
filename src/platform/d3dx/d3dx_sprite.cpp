#include "platform/d3dx/d3dx_sprite.h"

#include <cstring>
#include <new>

#include "platform/d3dx/last_error.h"
#include "platform/d3dx/sprite_regions.h"
#include "platform/system/fault_injection.h"

namespace {

// Position, colour, one texture coordinate set.
constexpr DWORD kSpriteFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;

struct SpriteVertex {
  float x, y, z;
  D3DCOLOR color;
  float u, v;
};
static_assert(sizeof(SpriteVertex) == 24);

// OrthoOffCenterLH.
D3DXMATRIX Ortho(float l, float r, float b, float t, float zn, float zf) {
  D3DXMATRIX m;
  D3DXMatrixIdentity(&m);
  m._11 = 2.0f / (r - l);
  m._22 = 2.0f / (t - b);
  m._33 = 1.0f / (zf - zn);
  m._41 = (l + r) / (l - r);
  m._42 = (t + b) / (b - t);
  m._43 = zn / (zn - zf);
  return m;
}

}  // namespace

HRESULT D3DXSpriteImpl::Create(IDirect3DDevice9* device,
                               D3DXSpriteImpl** sprite) {
  *sprite = nullptr;
  auto* impl = new (std::nothrow) D3DXSpriteImpl();
  if (!impl) return E_OUTOFMEMORY;
  impl->device = device;
  device->AddRef();
  HRESULT hr = device->CreateStateBlock(D3DSBT_ALL, &impl->saved);
  if (FAILED(hr)) {
    impl->Release();
    return D3DXFail(hr, "sprite: no state block");
  }
  *sprite = impl;
  return S_OK;
}

HRESULT D3DXCreateSprite(IDirect3DDevice9* device, ID3DXSprite** sprite) {
  if (!device || !sprite) return D3DERR_INVALIDCALL;
  if (InjectedFailure("D3DXCreateSprite")) return E_OUTOFMEMORY;
  D3DXSpriteImpl* impl = nullptr;
  HRESULT hr = D3DXSpriteImpl::Create(device, &impl);
  *sprite = impl;
  return hr;
}

D3DXSpriteImpl::~D3DXSpriteImpl() {
  if (begun) saved->Apply();
  if (saved) saved->Release();
  if (device) device->Release();
}

ULONG D3DXSpriteImpl::Release() {
  const ULONG left = --refs;
  if (left == 0) delete this;
  return left;
}

void D3DXSpriteImpl::SetSpriteStates() {
  static const struct {
    D3DRENDERSTATETYPE state;
    DWORD value;
  } kRender[] = {
      {D3DRS_ALPHABLENDENABLE, TRUE},
      {D3DRS_SRCBLEND, D3DBLEND_SRCALPHA},
      {D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA},
      {D3DRS_BLENDOP, D3DBLENDOP_ADD},
      {D3DRS_SEPARATEALPHABLENDENABLE, FALSE},
      {D3DRS_ALPHATESTENABLE, TRUE},
      {D3DRS_ALPHAFUNC, D3DCMP_GREATER},
      {D3DRS_ALPHAREF, 0},
      // Overlays stack: no depth test, no depth writes.
      {D3DRS_ZENABLE, D3DZB_FALSE},
      {D3DRS_ZWRITEENABLE, FALSE},
      {D3DRS_CULLMODE, D3DCULL_NONE},
      {D3DRS_FILLMODE, D3DFILL_SOLID},
      {D3DRS_SHADEMODE, D3DSHADE_GOURAUD},
      {D3DRS_LIGHTING, FALSE},
      {D3DRS_SPECULARENABLE, FALSE},
      {D3DRS_FOGENABLE, FALSE},
      {D3DRS_VERTEXBLEND, D3DVBF_DISABLE},
      {D3DRS_INDEXEDVERTEXBLENDENABLE, FALSE},
      {D3DRS_CLIPPING, TRUE},
      {D3DRS_CLIPPLANEENABLE, 0},
      {D3DRS_SCISSORTESTENABLE, FALSE},
      {D3DRS_COLORWRITEENABLE, 0xF},
      {D3DRS_STENCILENABLE, FALSE},
      {D3DRS_SRGBWRITEENABLE, FALSE},
      {D3DRS_WRAP0, 0},
      {D3DRS_POINTSPRITEENABLE, FALSE},
      {D3DRS_COLORVERTEX, TRUE},
      {D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1},
  };
  for (const auto& s : kRender) device->SetRenderState(s.state, s.value);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
  device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
  device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
  device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS,
                               D3DTTFF_DISABLE);
  device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
  device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
  device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
  device->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
  device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
  device->SetSamplerState(0, D3DSAMP_MAXMIPLEVEL, 0);
  device->SetSamplerState(0, D3DSAMP_MIPMAPLODBIAS, 0);
  device->SetShaderProgram(nullptr);
  // Screen pixels: sprite coordinate x lands half a pixel left of Direct3D
  // screen x, so texel centres fall on pixel centres.
  D3DVIEWPORT9 vp{};
  device->GetViewport(&vp);
  const D3DXMATRIX projection =
      Ortho(vp.X + 0.5f, vp.X + vp.Width + 0.5f, vp.Y + vp.Height + 0.5f,
            vp.Y + 0.5f, vp.MinZ, vp.MaxZ);
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  device->SetTransform(D3DTS_WORLD, &identity);
  device->SetTransform(D3DTS_VIEW, &identity);
  device->SetTransform(D3DTS_PROJECTION, &projection);
  device->SetFVF(kSpriteFvf);
}

HRESULT D3DXSpriteImpl::Begin() {
  if (begun) return D3DERR_INVALIDCALL;
  HRESULT hr = saved->Capture();
  if (FAILED(hr)) return hr;
  SetSpriteStates();
  begun = true;
  return S_OK;
}

HRESULT D3DXSpriteImpl::End() {
  if (!begun) return D3DERR_INVALIDCALL;
  begun = false;
  return saved->Apply();
}

HRESULT D3DXSpriteImpl::DrawQuad(IDirect3DTexture9* texture,
                                 const RECT* sourceRect, const D3DXMATRIX& m,
                                 D3DCOLOR color) {
  if (!texture) return D3DERR_INVALIDCALL;
  D3DSURFACE_DESC desc;
  HRESULT hr = texture->GetLevelDesc(0, &desc);
  if (FAILED(hr)) return hr;
  RECT r = {0, 0, static_cast<LONG>(desc.Width),
            static_cast<LONG>(desc.Height)};
  if (sourceRect) r = *sourceRect;
  const float w = float(r.right - r.left), h = float(r.bottom - r.top);
  const float u0 = float(r.left) / desc.Width, u1 = float(r.right) / desc.Width;
  const float v0 = float(r.top) / desc.Height,
              v1 = float(r.bottom) / desc.Height;
  const float corners[4][4] = {
      {0, 0, u0, v0}, {w, 0, u1, v0}, {0, h, u0, v1}, {w, h, u1, v1}};
  SpriteVertex quad[4];
  for (int i = 0; i < 4; ++i) {
    const float x = corners[i][0], y = corners[i][1];
    quad[i] = {x * m._11 + y * m._21 + m._41,
               x * m._12 + y * m._22 + m._42,
               0.0f,
               color,
               corners[i][2],
               corners[i][3]};
  }
  device->SetTexture(0, texture);
  if (!DrawsOnlyVisibleTexels()) {
    return device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad,
                                   sizeof(SpriteVertex));
  }
  SpriteSampling sampling;
  sampling.width = desc.Width;
  sampling.height = desc.Height;
  sampling.levels = texture->GetLevelCount();
  DWORD lodBias = 0;
  device->GetSamplerState(0, D3DSAMP_MIPFILTER, &sampling.mipFilter);
  device->GetSamplerState(0, D3DSAMP_MAXMIPLEVEL, &sampling.maxMipLevel);
  device->GetSamplerState(0, D3DSAMP_MIPMAPLODBIAS, &lodBias);
  std::memcpy(&sampling.lodBias, &lodBias, sizeof lodBias);
  D3DVIEWPORT9 viewport{};
  device->GetViewport(&viewport);
  const SpriteRegions regions = FindSpriteRegions(
      m, r, sampling, viewport,
      [texture](UINT level, const RECT& texels) {
        return texture->AnyTexelVisible(level, &texels) != FALSE;
      },
      &regions_);
  if (regions == SpriteRegions::kNothing) return S_OK;
  if (regions == SpriteRegions::kWhole) {
    return device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad,
                                   sizeof(SpriteVertex));
  }
  RECT scissor{};
  device->GetScissorRect(&scissor);
  device->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
  hr = S_OK;
  for (const RECT& rect : regions_) {
    device->SetScissorRect(&rect);
    hr = device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad,
                                 sizeof(SpriteVertex));
    if (FAILED(hr)) break;
  }
  device->SetRenderState(D3DRS_SCISSORTESTENABLE, FALSE);
  device->SetScissorRect(&scissor);
  return hr;
}

bool D3DXSpriteImpl::DrawsOnlyVisibleTexels() {
  // A pixel reading only texels of alpha zero must end with alpha zero and
  // be dropped by the alpha test: the states the sprite sets, checked in
  // case the caller changed them between Begin and Draw. (The scissor
  // test must be the sprite's own, off.)
  DWORD value[9] = {};
  device->GetRenderState(D3DRS_ALPHATESTENABLE, &value[0]);
  device->GetRenderState(D3DRS_ALPHAFUNC, &value[1]);
  device->GetRenderState(D3DRS_ALPHAREF, &value[2]);
  device->GetRenderState(D3DRS_SCISSORTESTENABLE, &value[3]);
  device->GetTextureStageState(0, D3DTSS_ALPHAOP, &value[4]);
  device->GetTextureStageState(0, D3DTSS_ALPHAARG1, &value[5]);
  device->GetSamplerState(0, D3DSAMP_ADDRESSU, &value[6]);
  device->GetSamplerState(0, D3DSAMP_ADDRESSV, &value[7]);
  device->GetSamplerState(0, D3DSAMP_MINFILTER, &value[8]);
  IDirect3DShaderProgram9* program = nullptr;
  device->GetShaderProgram(&program);
  if (program) {
    program->Release();
    return false;
  }
  // Texture alpha times the diffuse alpha, or texture alpha alone, with
  // clamped coordinates (a wrapped footprint would reach across the
  // texture) and no anisotropic footprint.
  return value[0] == TRUE && value[1] == D3DCMP_GREATER && value[2] == 0 &&
         value[3] == FALSE &&
         (value[4] == D3DTOP_MODULATE || value[4] == D3DTOP_SELECTARG1) &&
         value[5] == D3DTA_TEXTURE && value[6] == D3DTADDRESS_CLAMP &&
         value[7] == D3DTADDRESS_CLAMP && value[8] != D3DTEXF_ANISOTROPIC;
}

HRESULT D3DXSpriteImpl::DrawTransform(IDirect3DTexture9* texture,
                                      const RECT* sourceRect,
                                      const D3DXMATRIX* transform,
                                      D3DCOLOR color) {
  D3DXMATRIX m;
  if (transform) {
    m = *transform;
  } else {
    D3DXMatrixIdentity(&m);
  }
  if (begun) return DrawQuad(texture, sourceRect, m, color);
  HRESULT hr = Begin();
  if (FAILED(hr)) return hr;
  hr = DrawQuad(texture, sourceRect, m, color);
  const HRESULT end = End();
  return FAILED(hr) ? hr : end;
}

HRESULT D3DXSpriteImpl::Draw(IDirect3DTexture9* texture, const RECT* sourceRect,
                             const D3DXVECTOR2* scaling,
                             const D3DXVECTOR2* rotationCenter, float rotation,
                             const D3DXVECTOR2* translation, D3DCOLOR color) {
  // Scaling, then rotation about the centre (in screen pixels, after the
  // scaling), then translation.
  D3DXMATRIX m, step;
  D3DXMatrixScaling(&m, scaling ? scaling->x : 1.0f,
                    scaling ? scaling->y : 1.0f, 1.0f);
  if (rotation != 0.0f) {
    const float cx = rotationCenter ? rotationCenter->x : 0.0f;
    const float cy = rotationCenter ? rotationCenter->y : 0.0f;
    D3DXMatrixTranslation(&step, -cx, -cy, 0.0f);
    D3DXMatrixMultiply(&m, &m, &step);
    D3DXMatrixRotationZ(&step, rotation);
    D3DXMatrixMultiply(&m, &m, &step);
    D3DXMatrixTranslation(&step, cx, cy, 0.0f);
    D3DXMatrixMultiply(&m, &m, &step);
  }
  if (translation) {
    D3DXMatrixTranslation(&step, translation->x, translation->y, 0.0f);
    D3DXMatrixMultiply(&m, &m, &step);
  }
  return DrawTransform(texture, sourceRect, &m, color);
}
