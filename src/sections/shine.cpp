#include "sections/shine.h"

#include <cmath>

#include "glow/glow_effect.h"
#include "resource_ids.h"
#include "sections/blend_weights.h"
#include "sections/shared_maths.h"
#include "toolkit/camera.h"

namespace {

// The camera stands still on the z axis, 90 units in front of the tube,
// and looks through a very wide lens (2.3 radians vertically). The aspect
// is 1.3, not 4:3, everywhere in the show: deliberate.
constexpr D3DXVECTOR3 kEye(0.0f, 0.0f, -90.0f);
const D3DXVECTOR3 kTarget(0.0f, 0.0f, 0.0f);
const D3DXVECTOR3 kUp(0.0f, 1.0f, 0.0f);
constexpr Lens kLens{2.3f, 1.3f, 1.0f, 1000.0f};
constexpr float kBackdropFovY = 2.385f;

// The backdrop drifts as in the opening section. The tube tumbles at up
// to 0.05 (the backdrop's rate), 0.04 and 0.07 degrees per ms about x, y
// and z, each axis swinging back and forth with the clock.
constexpr double kTumbleYDegreesPerMs = 0.04;
constexpr double kTumbleZDegreesPerMs = 0.07;
// The second blend matrix turns a little on every tick (radians, not
// scaled by the delta: the bend follows the tick rate).
constexpr float kTwistX = 0.001f;
constexpr float kTwistY = 0.001f;
constexpr float kTwistZ = 0.002f;

// The overlay changes to the barred frame at 53 s and to the frame with
// tick marks at 68 s.
constexpr uint32_t kBarsSecond = 53;
constexpr uint32_t kTicksSecond = 68;

// The wireframe is drawn 1 % larger than the solid tube, so that its lines
// lie just outside the surface instead of fighting it in the depth buffer.
constexpr float kWireScale = 1.01f;
// Blend factor of the wireframe, taken inverted as the destination factor:
// its colour bytes are 0xFF, so 1 - factor drops the colour behind the
// lines and they show the flash picture (an opaque image) undimmed.
constexpr DWORD kWireBlendFactor = 0x7FFFFFFF;

constexpr D3DCOLOR kClearColor = 0x00000000;
constexpr float kGlowPixelSize = 0.01f;

// A point light at the eye, strongly over-bright and falling off as
// 1 / distance. Lighting stays off while the tube is drawn, so it changes
// nothing here; it stays set on the device afterwards.
constexpr D3DLIGHT9 kLight = [] {
  D3DLIGHT9 light{};  // everything not set here is 0
  light.Type = D3DLIGHT_POINT;
  light.Diffuse = {255.0f, 255.0f, 255.0f, 0.0f};
  light.Position = kEye;
  light.Range = 450.0f;
  light.Attenuation1 = 1.0f;
  return light;
}();

const DeviceSetting kStates[] = {
    RenderState(D3DRS_AMBIENT, 0x00595959),
    RenderState(D3DRS_ZENABLE, TRUE),
    RenderState(D3DRS_CLIPPING, TRUE),
    RenderState(D3DRS_CULLMODE, D3DCULL_NONE),
    RenderState(D3DRS_LIGHTING, FALSE),
    RenderState(D3DRS_ZFUNC, D3DCMP_LESS),
    RenderState(D3DRS_ZWRITEENABLE, TRUE),
    RenderState(D3DRS_ALPHABLENDENABLE, TRUE),
    RenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD),
    RenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA),
    RenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA),
    RenderState(D3DRS_FILLMODE, D3DFILL_SOLID),
    StageState(D3DTSS_COLOROP, D3DTOP_SELECTARG1),
    StageState(D3DTSS_COLORARG1, D3DTA_TEXTURE),
    StageState(D3DTSS_COLORARG2, D3DTA_DIFFUSE),
    StageState(D3DTSS_ALPHAOP, D3DTOP_SELECTARG1),
    StageState(D3DTSS_ALPHAARG1, D3DTA_TEXTURE),
    StageState(D3DTSS_TEXCOORDINDEX, 0),
    StageState(D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE),
    // Every Apply restores the wide lens.
    ProjectionState(kLens),
};

// The tube bends along its length: the blend weight follows x.
float PositionX(const float* p) { return p[0]; }

// The stage due at a whole second of the show.
ShineStage StageAt(uint32_t second) {
  if (second >= kTicksSecond) return ShineStage::Ticks;
  if (second >= kBarsSecond) return ShineStage::Bars;
  return ShineStage::Frame;
}

int OverlaySlot(ShineStage stage) {
  switch (stage) {
    case ShineStage::Bars:
      return slot::kFrameBars;
    case ShineStage::Ticks:
      return slot::kFrameTicks;
    case ShineStage::Frame:
      break;
  }
  return slot::kFrame;
}

}  // namespace

Shine::Animation Shine::Start() const { return Animation{}; }

HRESULT Shine::Load() {
  HRESULT hr = mesh_.LoadFromResource(device, resource_id::kBentTubeMesh);
  if (FAILED(hr)) return hr;
  hr = PrepareBlendWeights(mesh_, PositionX);
  if (FAILED(hr)) return hr;
  return states_.Record(device, kStates);
}

void Shine::Advance(Animation& a, const Tick& tick) const {
  const float t = tick.t();
  const float d = tick.d();

  // The backdrop's turn accumulates in the glow object across sections.
  const double turn = DriftBackdrop(glow, tick);

  a.meshWorld.RotateXYZ(static_cast<float>(turn * std::cos(0.0001 * t)),
                        static_cast<float>(d * kTumbleYDegreesPerMs * kDegree *
                                           std::sin(0.0007 * t)),
                        static_cast<float>(d * kTumbleZDegreesPerMs * kDegree *
                                           std::cos(0.0003 * t)));

  a.twist.RotateXYZ(kTwistX, kTwistY, kTwistZ);

  // The first tick at or past a change's second makes it, so a stall that
  // skips the whole second still changes the overlay; a stall across both
  // changes goes straight to the last, with one flash.
  const ShineStage due = StageAt(tick.second());
  if (due > a.stage) {
    glow->Flash();
    a.stage = due;
  }
}

void Shine::ScenePass(const Animation& frame) {
  states_.Apply();
  device->LightEnable(0, TRUE);
  device->SetLight(0, &kLight);
  SetView(device, kEye, kTarget, kUp);
  device->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_1WEIGHTS);
  device->SetTransform(D3DTS_WORLDMATRIX(1), &frame.twist);

  device->SetTexture(0, Texture(slot::kMetal));
  mesh_.Draw(frame.meshWorld);

  WorldMatrix wire = frame.meshWorld;
  wire.Scale(kWireScale, kWireScale, kWireScale);
  device->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVBLENDFACTOR);
  device->SetRenderState(D3DRS_BLENDFACTOR, kWireBlendFactor);
  device->SetTexture(0, Texture(slot::kFlash));
  mesh_.Draw(wire);
  device->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
  // Vertex blending, the INVBLENDFACTOR destination blend and the blend
  // factor stay set after the pass, deliberately: the glow calls that
  // follow run with them (the blur passes draw into targets cleared to
  // black, so the destination factor changes nothing there), and the next
  // pass sets them again.
}

void Shine::Draw(const Animation& frame) {
  device->BeginScene();
  glow->BeginGlowTarget(0x00000000, true);
  glow->DrawBackdrop(Texture(slot::kPanels), kBackdropFovY, kLens.aspect);
  ScenePass(frame);
  glow->ProcessGlow(kGlowPixelSize, true);
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClearColor,
                1.0f, 0);
  glow->DrawBackdrop(Texture(slot::kPanels), kBackdropFovY, kLens.aspect);
  ScenePass(frame);
  glow->ComposeGlow();
  glow->DrawSpritePlain(Texture(OverlaySlot(frame.stage)));
  device->EndScene();
}

void Shine::Release() {
  states_.Release();
  mesh_.Release();
}
