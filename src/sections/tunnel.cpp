#include "sections/tunnel.h"

#include <cmath>

#include "glow/glow_effect.h"
#include "resource_ids.h"
#include "sections/shared_maths.h"
#include "toolkit/camera.h"

namespace {

// The eye sits on the tunnel's centre line, 140 units from the tunnel's
// centre. The tunnel is seen through a very wide lens (2.4 radians) whose
// aim wanders around x = 200; the blob through a normal one (pi / 4) aimed
// at a fixed point. The aspect is 1.3, not 4:3, everywhere in the show:
// deliberate.
constexpr D3DXVECTOR3 kEye(0.0f, 0.0f, -140.0f);
const D3DXVECTOR3 kStartTunnelTarget(180.0f, 0.0f, 0.0f);
const D3DXVECTOR3 kObjectTarget(180.0f, 0.0f, 0.0f);
const D3DXVECTOR3 kUp(0.0f, 1.0f, 0.0f);
constexpr Lens kTunnelLens{2.4f, 1.3f, 1.0f, 1000.0f};
constexpr Lens kObjectLens{0.7853982f, 1.3f, 1.0f, 1000.0f};

// The tunnel turns 0.05 degrees per ms about its vertical axis, which
// streams its walls past the eye.
constexpr double kTunnelDegreesPerMs = 0.05;

// The aim wanders 30 units either side of x = 200 and 40 units in y (about
// y = -20) and z, with phases that run at 0.002, 0.003 and 0.0005 radians
// per ms.
constexpr double kAimPhaseAPerMs = 0.002;
constexpr double kAimPhaseBPerMs = 0.003;
constexpr double kAimPhaseGPerMs = 0.0005;

// The blob: 0.03 of its size, rocking up to 5 degrees about x with the aim,
// turned 150 degrees about y and -5 about z, 5 units in front of the eye.
constexpr float kObjectScale = 0.03f;
constexpr double kObjectRockDegrees = 5.0;
constexpr float kObjectTurnY = 2.6179938f;    // 150 degrees
constexpr float kObjectTurnZ = -0.08726646f;  // -5 degrees
const D3DXVECTOR3 kObjectPosition(3.0f, -1.2f, -135.0f);

// The strip starts 50 pixels from the left edge at the top and scrolls up;
// the banner starts just right of the 800-pixel-wide screen, 180 pixels
// down, and scrolls left at 40 % opacity. Both move 0.05 pixels per ms (50
// per second).
constexpr float kStripX = 50.0f;
constexpr float kBannerStartX = 850.0f;
constexpr float kBannerY = 180.0f;
constexpr double kOverlayPixelsPerMs = 0.05;
constexpr D3DCOLOR kStripColor = 0xFFFFFFFF;
constexpr D3DCOLOR kBannerColor = 0x66FFFFFF;

constexpr D3DCOLOR kClearColor = 0x00000000;
constexpr float kGlowPixelSize = 0.01f;

// A point light at the eye, strongly over-bright (255) but falling off
// with distance and its square (attenuation 0, 1, 0.7), so the blob 5 units
// away is lit without washing out.
constexpr D3DLIGHT9 kLight = [] {
  D3DLIGHT9 light{};  // everything not set here is 0
  light.Type = D3DLIGHT_POINT;
  light.Diffuse = {255.0f, 255.0f, 255.0f, 0.0f};
  light.Specular = {255.0f, 255.0f, 255.0f, 0.0f};
  light.Position = kEye;
  light.Range = 230.0f;
  light.Attenuation0 = 0.0f;
  light.Attenuation1 = 1.0f;
  light.Attenuation2 = 0.7f;
  return light;
}();

const DeviceSetting kStates[] = {
    RenderState(D3DRS_AMBIENT, 0x00595959),
    RenderState(D3DRS_ZENABLE, TRUE),
    RenderState(D3DRS_CLIPPING, TRUE),
    RenderState(D3DRS_CULLMODE, D3DCULL_NONE),
    RenderState(D3DRS_LIGHTING, TRUE),
    RenderState(D3DRS_ZFUNC, D3DCMP_LESS),
    RenderState(D3DRS_ZWRITEENABLE, TRUE),
    RenderState(D3DRS_ALPHABLENDENABLE, TRUE),
    RenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD),
    RenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA),
    RenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA),
    RenderState(D3DRS_FILLMODE, D3DFILL_SOLID),
    RenderState(D3DRS_VERTEXBLEND, D3DVBF_DISABLE),
    StageState(D3DTSS_COLOROP, D3DTOP_SELECTARG1),
    StageState(D3DTSS_COLORARG1, D3DTA_TEXTURE),
    StageState(D3DTSS_COLORARG2, D3DTA_DIFFUSE),
    StageState(D3DTSS_ALPHAOP, D3DTOP_SELECTARG1),
    StageState(D3DTSS_ALPHAARG1, D3DTA_TEXTURE),
    StageState(D3DTSS_TEXCOORDINDEX, 0),
    StageState(D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE),
};

}  // namespace

Tunnel::Animation Tunnel::Start() const {
  Animation a;
  a.tunnelTarget = kStartTunnelTarget;
  a.verticalOverlay.Translate(kStripX, 0.0f, 0.0f);
  a.horizontalOverlay.Translate(kBannerStartX, kBannerY, 0.0f);
  return a;
}

HRESULT Tunnel::Load() {
  HRESULT hr = tunnelMesh_.LoadFromResource(device, resource_id::kTunnelMesh);
  if (FAILED(hr)) return hr;
  hr = objectMesh_.LoadFromResource(device, resource_id::kBlobMesh);
  if (FAILED(hr)) return hr;
  return states_.Record(device, kStates);
}

void Tunnel::Advance(Animation& a, const Tick& tick) const {
  const float t = tick.t();
  const float d = tick.d();

  a.tunnelWorld.RotateY(static_cast<float>(d * kTunnelDegreesPerMs * kDegree));

  const float phaseA = static_cast<float>(kAimPhaseAPerMs * t);
  const float phaseB = static_cast<float>(kAimPhaseBPerMs * t);
  const float phaseG = static_cast<float>(kAimPhaseGPerMs * t);
  a.tunnelTarget.x = static_cast<float>(30.0 * std::sin(phaseA) + 200.0);
  a.tunnelTarget.y =
      static_cast<float>(40.0 * std::cos(phaseA) * std::sin(phaseB) - 20.0);
  a.tunnelTarget.z =
      static_cast<float>(40.0 * std::cos(phaseG) * std::sin(phaseB));

  // Rebuilt from the identity on every tick: it depends on the clock alone.
  WorldMatrix object;
  object.Scale(kObjectScale, kObjectScale, kObjectScale);
  object.RotateX(
      static_cast<float>(kObjectRockDegrees * kDegree * std::sin(phaseA)));
  object.RotateY(kObjectTurnY);
  object.RotateZ(kObjectTurnZ);
  object.Translate(kObjectPosition.x, kObjectPosition.y, kObjectPosition.z);
  a.objectWorld = object;

  const float scroll = static_cast<float>(-kOverlayPixelsPerMs * d);
  a.verticalOverlay.Translate(0.0f, scroll, 0.0f);
  a.horizontalOverlay.Translate(scroll, 0.0f, 0.0f);
}

void Tunnel::ScenePass(const Animation& frame) {
  states_.Apply();
  SetCamera(device, kEye, frame.tunnelTarget, kUp, kTunnelLens);
  // The walls show the panel texture alone, unlit.
  device->SetTexture(0, Texture(slot::kPanels));
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  tunnelMesh_.Draw(frame.tunnelWorld);

  // The blob: the sky reflected through sphere-mapped coordinates, lit.
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  device->LightEnable(0, TRUE);
  device->SetLight(0, &kLight);
  SetCamera(device, kEye, kObjectTarget, kUp, kObjectLens);
  // Sphere-mapped coordinates stay selected on stage 0 after the pass,
  // deliberately: the next pass's state block Apply selects set 0 again.
  device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_SPHEREMAP);
  device->SetTexture(0, Texture(slot::kSkyBall));
  objectMesh_.Draw(frame.objectWorld);
}

void Tunnel::Draw(const Animation& frame) {
  device->BeginScene();
  glow->BeginGlowTarget(0x00000000, true);
  ScenePass(frame);
  glow->ProcessGlow(kGlowPixelSize, true);
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClearColor,
                1.0f, 0);
  ScenePass(frame);
  glow->ComposeGlow();
  glow->DrawSpriteTransformed(Texture(slot::kStrip), &frame.verticalOverlay,
                              kStripColor);
  glow->DrawSpriteTransformed(Texture(slot::kBanner2), &frame.horizontalOverlay,
                              kBannerColor);
  glow->DrawSpritePlain(Texture(slot::kHud));
  device->EndScene();
}

void Tunnel::Release() {
  states_.Release();
  tunnelMesh_.Release();
  objectMesh_.Release();
}
