#include "sections/greets.h"

#include <algorithm>
#include <cmath>

#include "glow/glow_effect.h"
#include "resource_ids.h"
#include "sections/shared_maths.h"
#include "toolkit/camera.h"

namespace {

// The camera starts 250 units above the rings, looking down on them, and
// the lens is wide (2.3 radians).
const D3DXVECTOR3 kStartEye(0.0f, 250.0f, -1.0f);
const D3DXVECTOR3 kTarget(0.0f, 0.0f, 0.0f);
const D3DXVECTOR3 kUp(0.0f, 1.0f, 0.0f);
constexpr Lens kLens{2.3f, 1.3f, 1.0f, 1000.0f};

// The descent: each tick moves the camera down (and back) by delta times
// the descent speed, which grows by 0.00001 per tick (not per ms) from the
// show's second 2 on, up to 1 unit per ms. It moves back until it is
// 200 units away (no clamp: it stops within one step past that).
constexpr float kDescentAcceleration = 0.00001f;
constexpr float kMaxDescentSpeed = 1.0f;
constexpr uint32_t kLastStillSecond = 1;
constexpr float kFarthestZ = -200.0f;
// Once at height 0 it bobs by 30 units, 0.002 radians per ms.
constexpr double kBobHeight = 30.0;
constexpr double kBobRatePerMs = 0.002;

// The rings turn about y by these angles per ms; the card carrier turns
// with the outer ring.
constexpr double kInnerRingTurn = 0.002;
constexpr double kMiddleRingTurn = -0.001;
constexpr double kOuterRingTurn = 0.0006;

// A new card on every two-second mark of the show's clock, cycling through
// the eight card slots.
constexpr uint32_t kCardPeriodMs = 2000;
constexpr int kCardCount = slot::kCard8 - slot::kCard1 + 1;

// The overlay starts at (850, 350) pixels and scrolls 0.05 pixels per ms
// to the left, drawn at 0x66 alpha.
constexpr float kOverlayStartX = 850.0f;
constexpr float kOverlayStartY = 350.0f;
constexpr double kOverlayScrollPerMs = 0.05;
constexpr D3DCOLOR kOverlayColor = 0x66FFFFFF;

constexpr float kBackdropFovY = 2.385f;
constexpr D3DCOLOR kClearColor = 0x00000000;
constexpr float kGlowPixelSize = 0.01f;

const DeviceSetting kStates[] = {
    RenderState(D3DRS_AMBIENT, 0x00595959),
    RenderState(D3DRS_ZENABLE, TRUE),
    RenderState(D3DRS_CLIPPING, TRUE),
    RenderState(D3DRS_CULLMODE, D3DCULL_NONE),
    RenderState(D3DRS_LIGHTING, FALSE),
    RenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL),
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
};

}  // namespace

Greets::Animation Greets::Start() const {
  Animation a;
  a.eye = kStartEye;
  a.overlay.Translate(kOverlayStartX, kOverlayStartY, 0.0f);
  return a;
}

HRESULT Greets::Load() {
  HRESULT hr = innerRing_.LoadFromResource(device, resource_id::kRingInnerMesh);
  if (FAILED(hr)) return hr;
  hr = middleRing_.LoadFromResource(device, resource_id::kRingMiddleMesh);
  if (FAILED(hr)) return hr;
  hr = outerRing_.LoadFromResource(device, resource_id::kRingOuterMesh);
  if (FAILED(hr)) return hr;
  hr = cardCarrier_.LoadFromResource(device, resource_id::kCardCarrierMesh);
  if (FAILED(hr)) return hr;
  return states_.Record(device, kStates);
}

void Greets::Advance(Animation& a, const Tick& tick) const {
  const float d = tick.d();

  // The backdrop's turn accumulates in the glow object across sections.
  DriftBackdrop(glow, tick);

  const float step = d * a.descentSpeed;
  if (!a.bobbing && a.eye.y > 0.0f) a.eye.y -= step;
  if (!a.bobbing && a.eye.y <= 0.0f) {
    a.bobbing = true;
    a.bobPhase = 0.0f;
  }
  // Also on the tick that reached height 0: the camera bobs at once.
  if (a.bobbing) {
    a.bobPhase = static_cast<float>(a.bobPhase + kBobRatePerMs * d);
    a.eye.y = static_cast<float>(kBobHeight * std::sin(a.bobPhase));
  }
  if (a.eye.z > kFarthestZ) a.eye.z -= step;

  a.innerRingWorld.RotateY(static_cast<float>(kInnerRingTurn * d));
  a.middleRingWorld.RotateY(static_cast<float>(kMiddleRingTurn * d));
  a.outerRingWorld.RotateY(static_cast<float>(kOuterRingTurn * d));

  if (tick.second() > kLastStillSecond && a.descentSpeed < kMaxDescentSpeed) {
    a.descentSpeed += kDescentAcceleration;
  }

  // Every two-second mark passed since the previous tick (elapsed - delta)
  // shows the next card. With a tick every millisecond that is the tick on
  // the mark itself; a late tick that jumps over a mark still turns the
  // card, so the cards keep time with the clock.
  const uint32_t previous = tick.elapsed - std::min(tick.delta, tick.elapsed);
  const uint32_t marks =
      tick.elapsed / kCardPeriodMs - previous / kCardPeriodMs;
  a.greetingSlot =
      slot::kCard1 +
      static_cast<int>((a.greetingSlot - slot::kCard1 + marks) % kCardCount);

  a.overlay.Translate(static_cast<float>(-kOverlayScrollPerMs * d), 0.0f, 0.0f);
}

void Greets::ScenePass(Pass pass, const Animation& frame) {
  states_.Apply();
  SetProjection(device, kLens);
  SetView(device, frame.eye, kTarget, kUp);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX,
                               D3DTSS_TCI_CAMERASPACENORMAL);
  device->SetTexture(0, Texture(slot::kRingGold));
  innerRing_.Draw(frame.innerRingWorld);
  middleRing_.Draw(frame.middleRingWorld);
  outerRing_.Draw(frame.outerRingWorld);
  // Only the rings glow; the cards are seen, not lit up.
  if (pass == Pass::BackBuffer) {
    device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
    device->SetTexture(0, Texture(frame.greetingSlot));
    cardCarrier_.Draw(frame.outerRingWorld);
  }
}

void Greets::Draw(const Animation& frame) {
  device->BeginScene();
  glow->BeginGlowTarget(0x00000000, true);
  ScenePass(Pass::GlowSource, frame);
  glow->ProcessGlow(kGlowPixelSize, true);
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClearColor,
                1.0f, 0);
  glow->DrawBackdrop(Texture(slot::kNebula), kBackdropFovY, kLens.aspect);
  // Before the visible pass, so that the halo lies under the meshes.
  glow->ComposeGlow();
  ScenePass(Pass::BackBuffer, frame);
  glow->DrawSpriteTransformed(Texture(slot::kBanner4), &frame.overlay,
                              kOverlayColor);
  glow->DrawSpritePlain(Texture(slot::kFrame));
  device->EndScene();
}

void Greets::Release() {
  states_.Release();
  innerRing_.Release();
  middleRing_.Release();
  outerRing_.Release();
  cardCarrier_.Release();
}
