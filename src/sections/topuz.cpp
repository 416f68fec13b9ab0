#include "sections/topuz.h"

#include <cmath>

#include "glow/glow_effect.h"
#include "resource_ids.h"
#include "sections/blend_weights.h"
#include "sections/shared_maths.h"
#include "toolkit/camera.h"

namespace {

// The camera circles once every 2 pi seconds around (-250, -280), drifts
// 0.04 units per ms towards -z and springs back 40 units on every new whole
// second.
constexpr double kDriftPerMs = 0.04;
constexpr double kSpringBack = 40.0;
const D3DXVECTOR3 kTarget(0.0f, 1.0f, 0.0f);
const D3DXVECTOR3 kUp(0.0f, 1.0f, 0.0f);
// The aspect is 1.3, not 4:3, everywhere in the show: deliberate.
constexpr Lens kLens{0.7853982f, 1.3f, 1.0f, 1000.0f};  // pi / 4

// The mesh turns 0.005 degrees per tick about each axis, and 80 degrees
// more on every new whole second.
constexpr double kSpinPerTick = 0.005;
constexpr double kSpinPerSecond = 80.0;
// The picture starts fading in with this half-second (13.5 s) and takes
// 1000 ms to reach full opacity.
constexpr uint32_t kFadeHalfSecond = 26;
constexpr double kFadePerMs = 0.001;

constexpr float kBackdropFovY = 2.385f;
// The back buffer is cleared to green, which the backdrop covers: a frame
// that shows green shows a missing backdrop. Deliberate.
constexpr D3DCOLOR kClearColor = 0x0000FF00;
constexpr float kGlowPixelSize = 0.01f;

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
    RenderState(D3DRS_VERTEXBLEND, D3DVBF_DISABLE),
    StageState(D3DTSS_COLOROP, D3DTOP_SELECTARG1),
    StageState(D3DTSS_COLORARG1, D3DTA_TEXTURE),
    StageState(D3DTSS_ALPHAOP, D3DTOP_SELECTARG1),
    StageState(D3DTSS_ALPHAARG1, D3DTA_TEXTURE),
    // Both passes map the textures by the camera-space normals.
    StageState(D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACENORMAL),
    StageState(D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE),
};

// The blend weight follows the distance from the mesh's centre.
float DistanceFromOrigin(const float* p) {
  return std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
}

}  // namespace

topuz::Animation topuz::Start() const {
  Animation a;
  a.eye = D3DXVECTOR3(0.0f, 0.0f, -225.0f);
  return a;
}

HRESULT topuz::Load() {
  glow->Flash();  // the show opens on a full flash
  HRESULT hr = mesh_.LoadFromResource(device, resource_id::kKnotMesh);
  if (FAILED(hr)) return hr;
  hr = PrepareBlendWeights(mesh_, DistanceFromOrigin);
  if (FAILED(hr)) return hr;
  mesh_.useMaterials = false;
  return states_.Record(device, kStates);
}

void topuz::Advance(Animation& a, const Tick& tick) const {
  const float t = tick.t();
  const float d = tick.d();
  const uint32_t second = tick.second();

  // Before the first whole second the last second stays 0 ("not seen"), so
  // neither 0 -> 1 nor the jump to 1 counts as a new second.
  if (a.lastSecond == 0) a.lastSecond = second;
  if (second != a.lastSecond) glow->Flash();
  const uint32_t newSeconds = second - a.lastSecond;

  const double s = t / 1000.0;
  a.eye.x = static_cast<float>(150.0 * std::cos(s) - 250.0);
  a.eye.y = static_cast<float>(150.0 * std::sin(s) - 280.0);
  a.eye.z = static_cast<float>((a.eye.z - kDriftPerMs * d) +
                               kSpringBack * newSeconds);
  a.lastSecond = second;

  if (tick.elapsed / 500 > kFadeHalfSecond) {
    a.fade = static_cast<float>(a.fade + kFadePerMs * d);
  }
  if (a.fade > 1.0f) a.fade = 1.0f;

  // The backdrop's turn accumulates in the glow object across sections.
  DriftBackdrop(glow, tick);

  // Per tick, not per millisecond: the spin follows the tick rate.
  const float spin = static_cast<float>(
      (kSpinPerSecond * newSeconds + kSpinPerTick) * kDegree);
  a.meshWorld.RotateZ(spin);
  a.meshWorld.RotateY(spin);
  a.meshWorld.RotateX(spin);

  a.twist.RotateX(0.0005f);
  a.twist.RotateY(0.0002f);
  a.twist.RotateZ(0.0003f);
}

void topuz::ScenePass(Pass pass, const Animation& frame) {
  states_.Apply();
  device->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_1WEIGHTS);
  device->SetTransform(D3DTS_WORLDMATRIX(1), &frame.twist);
  SetCamera(device, frame.eye, kTarget, kUp, kLens);
  if (pass == Pass::GlowSource) {
    device->SetTexture(0, Texture(slot::kKnotSolid));
  } else {
    // Stays set after the pass; the next pass's state block undoes it.
    device->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
    device->SetTexture(0, Texture(slot::kKnotWire));
  }
  mesh_.Draw(frame.meshWorld);
  device->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_DISABLE);

  if (pass == Pass::BackBuffer && frame.fade > 0.0f) {
    const DWORD alpha = static_cast<DWORD>(frame.fade * 255);
    glow->DrawSprite(Texture(slot::kTitle), (alpha << 24) | 0x00FFFFFF);
  }
}

void topuz::Draw(const Animation& frame) {
  device->BeginScene();
  glow->BeginGlowTarget(0x00000000, true);
  ScenePass(Pass::GlowSource, frame);
  glow->ProcessGlow(kGlowPixelSize, true);
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClearColor,
                1.0f, 0);
  glow->DrawBackdrop(Texture(slot::kNebula), kBackdropFovY, kLens.aspect);
  glow->ComposeGlow();
  ScenePass(Pass::BackBuffer, frame);
  glow->DrawSpritePlain(Texture(slot::kFrame));
  device->EndScene();
}

void topuz::Release() {
  states_.Release();
  mesh_.Release();
}
