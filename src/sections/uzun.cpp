#include "sections/uzun.h"

#include <cmath>

#include "glow/glow_effect.h"
#include "resource_ids.h"
#include "sections/shared_maths.h"
#include "toolkit/camera.h"

namespace {

constexpr float kQuarterTurn = 1.5707964f;  // 90 degrees

// The glider starts 1000 units down the z axis, turned so that its nose
// (model +x) points at the viewer, and comes 0.039 units per ms closer: it
// passes the column after about 25.6 s and keeps going.
constexpr float kGliderStartZ = 1000.0f;
constexpr double kGliderUnitsPerMs = 0.039;

// The camera circles the z axis at radius 16, once every 2 pi / 0.0002 ms
// (31.4 s), while it swings along it between z = -75 and z = 25 (period
// 2 pi / 0.0007 ms, 9 s); it always looks at the origin. Before the first
// tick it stands at its own start point.
const D3DXVECTOR3 kStartEye(-10.0f, 18.0f, -25.0f);
constexpr double kCameraRadius = 16.0;
constexpr double kCircleRadiansPerMs = 0.0002;
constexpr double kSwingRadiansPerMs = 0.0007;
constexpr double kSwingHalfLength = 50.0;
constexpr double kSwingCentreZ = -25.0;
const D3DXVECTOR3 kTarget(0.0f, 0.0f, 0.0f);
const D3DXVECTOR3 kUp(0.0f, 1.0f, 0.0f);
// Far plane 2000: the glider starts 1000 units away. The aspect is 1.3,
// not 4:3, everywhere in the show: deliberate.
constexpr Lens kLens{0.785f, 1.3f, 1.0f, 2000.0f};
constexpr float kBackdropFovY = 0.785f;

// The banners start right of the screen and scroll leftwards, in pixels
// and pixels per ms; they are drawn white at 40 % opacity.
constexpr float kFirstBannerX = 850.0f, kFirstBannerY = 150.0f;
constexpr float kSecondBannerX = 1050.0f, kSecondBannerY = 350.0f;
constexpr double kFirstBannerPixelsPerMs = 0.05;
constexpr double kSecondBannerPixelsPerMs = 0.03;
constexpr D3DCOLOR kBannerColour = 0x66FFFFFF;

constexpr D3DCOLOR kClearColour = 0x00000000;

// The point light at the eye, one setting per mesh. Its colours are far
// above 1 and it falls off as 1 / distance, so the diffuse light saturates
// near the camera; the highlight (specular 10, scaled by each material's
// specular colour and power) shows only within a few tens of units.
// Range in units, level: the diffuse colour in every channel.
constexpr float kGliderLightRange = 420.0f, kGliderLightLevel = 255.0f;
constexpr float kBandedLightRange = 260.0f, kBandedLightLevel = 220.0f;
constexpr float kLightSpecular = 10.0f;

const DeviceSetting kStates[] = {
    RenderState(D3DRS_AMBIENT, 0x00F2F2F2),
    RenderState(D3DRS_ZENABLE, TRUE),
    RenderState(D3DRS_CLIPPING, TRUE),
    RenderState(D3DRS_LIGHTING, TRUE),
    RenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL),
    RenderState(D3DRS_ZWRITEENABLE, TRUE),
    RenderState(D3DRS_ALPHABLENDENABLE, FALSE),
    RenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD),
    RenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA),
    RenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA),
    RenderState(D3DRS_CULLMODE, D3DCULL_NONE),
    RenderState(D3DRS_FILLMODE, D3DFILL_SOLID),
    RenderState(D3DRS_SPECULARENABLE, TRUE),
    // Phong shading is asked for; the device shades it as Gouraud, as
    // Direct3D 9 drivers do.
    RenderState(D3DRS_SHADEMODE, D3DSHADE_PHONG),
    // The textures are modulated by the lit colour.
    StageState(D3DTSS_COLOROP, D3DTOP_MODULATE),
    StageState(D3DTSS_COLORARG1, D3DTA_TEXTURE),
    StageState(D3DTSS_COLORARG2, D3DTA_DIFFUSE),
    StageState(D3DTSS_ALPHAOP, D3DTOP_SELECTARG1),
    StageState(D3DTSS_ALPHAARG1, D3DTA_TEXTURE),
    StageState(D3DTSS_TEXCOORDINDEX, 0),
    StageState(D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE),
    ProjectionState(kLens),
};

}  // namespace

Uzun::Animation Uzun::Start() const {
  Animation a;
  a.eye = kStartEye;
  a.gliderWorld.RotateY(kQuarterTurn);
  a.gliderWorld.Translate(0.0f, 0.0f, kGliderStartZ);
  // The column's axis (model x) along the world's z axis.
  a.bandedWorld.RotateY(-kQuarterTurn);
  a.firstBanner.Translate(kFirstBannerX, kFirstBannerY, 0.0f);
  a.secondBanner.Translate(kSecondBannerX, kSecondBannerY, 0.0f);
  return a;
}

HRESULT Uzun::Load() {
  HRESULT hr = glider_.LoadFromResource(device, resource_id::kGliderMesh);
  if (FAILED(hr)) return hr;
  hr = banded_.LoadFromResource(device, resource_id::kBandedMesh);
  if (FAILED(hr)) return hr;
  return states_.Record(device, kStates);
}

void Uzun::Advance(Animation& a, const Tick& tick) const {
  const float t = tick.t();
  const float d = tick.d();

  a.gliderWorld.Translate(0.0f, 0.0f,
                          static_cast<float>(-kGliderUnitsPerMs * d));

  // The backdrop's turn accumulates in the glow object across sections.
  DriftBackdrop(glow, tick);

  a.firstBanner.Translate(static_cast<float>(-kFirstBannerPixelsPerMs * d),
                          0.0f, 0.0f);
  a.secondBanner.Translate(static_cast<float>(-kSecondBannerPixelsPerMs * d),
                           0.0f, 0.0f);

  a.eye.x =
      static_cast<float>(kCameraRadius * std::sin(kCircleRadiansPerMs * t));
  a.eye.y =
      static_cast<float>(kCameraRadius * std::cos(kCircleRadiansPerMs * t));
  a.eye.z = static_cast<float>(
      kSwingHalfLength * std::sin(kSwingRadiansPerMs * t) + kSwingCentreZ);
}

void Uzun::SetCameraLight(const D3DXVECTOR3& eye, float range, float level) {
  D3DLIGHT9 light{};
  light.Type = D3DLIGHT_POINT;
  light.Diffuse = {level, level, level, 0.0f};
  light.Specular = {kLightSpecular, kLightSpecular, kLightSpecular, 0.0f};
  light.Position = {eye.x, eye.y, eye.z};
  light.Range = range;
  light.Attenuation0 = 0.0f;
  light.Attenuation1 = 1.0f;
  light.Attenuation2 = 0.0f;
  device->LightEnable(0, TRUE);
  device->SetLight(0, &light);
}

void Uzun::ScenePass(const Animation& frame) {
  states_.Apply();  // the projection too
  SetCameraLight(frame.eye, kGliderLightRange, kGliderLightLevel);
  SetView(device, frame.eye, kTarget, kUp);
  device->SetTexture(0, Texture(slot::kHull));
  glider_.Draw(frame.gliderWorld);

  // The column's bands take the three band textures in turn, each band
  // with its own material.
  SetCameraLight(frame.eye, kBandedLightRange, kBandedLightLevel);
  device->SetTransform(D3DTS_WORLD, &frame.bandedWorld);
  for (uint32_t i = 0; i < banded_.materialCount; ++i) {
    device->SetTexture(0,
                       Texture(slot::kBandStripes + static_cast<int>(i % 3)));
    banded_.DrawSubset(i);
  }
}

void Uzun::Draw(const Animation& frame) {
  device->BeginScene();
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClearColour,
                1.0f, 0);
  glow->DrawBackdrop(Texture(slot::kDeepSpace), kBackdropFovY, kLens.aspect);
  ScenePass(frame);
  glow->DrawSpriteTransformed(Texture(slot::kBanner5), &frame.firstBanner,
                              kBannerColour);
  glow->DrawSpriteTransformed(Texture(slot::kBanner6), &frame.secondBanner,
                              kBannerColour);
  glow->DrawSpritePlain(Texture(slot::kFrame));
  device->EndScene();
}

void Uzun::Release() {
  states_.Release();
  glider_.Release();
  banded_.Release();
}
