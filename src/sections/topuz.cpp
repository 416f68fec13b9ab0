#include "sections/topuz.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "glow/glow_effect.h"
#include "resources/texture_bank.h"

namespace {

constexpr uint16_t kMeshResource = 104;
// Position, one blend weight, normal, one texture coordinate set.
constexpr DWORD kBlendFvf = D3DFVF_XYZB1 | D3DFVF_NORMAL | D3DFVF_TEX1;
constexpr DWORD kBlendVertexBytes = 36;
constexpr UINT kWeightOffsetFloats = 3;  // after x, y, z

// Texture-bank slots.
constexpr int kSolidSlot = 1;
constexpr int kWireSlot = 2;
constexpr int kBackdropSlot = 4;
constexpr int kPictureSlot = 6;
constexpr int kOverlaySlot = 8;

// The section gives way at this whole second of the show. Any tick at or
// past it ends the section: a stall that skips the whole second must not
// leave the show stuck here.
constexpr uint32_t kEndSecond = 27;
// The picture starts fading in with this half-second (13.5 s) and takes
// 1000 ms to reach full opacity.
constexpr uint32_t kFadeHalfSecond = 26;
constexpr double kFadePerMs = 0.001;

// Degrees to radians, the single-precision factor the animation is tuned
// with.
constexpr float kDegree = 0.017453292f;
// The camera drifts 0.04 units per ms towards -z and springs back 40 units
// on every new whole second.
constexpr double kDriftPerMs = 0.04;
constexpr double kSpringBack = 40.0;
// The mesh turns 0.005 degrees per tick about each axis, and 80 degrees more
// on every new whole second.
constexpr double kSpinPerTick = 0.005;
constexpr double kSpinPerSecond = 80.0;
// The backdrop sphere turns 0.05 degrees per ms, spread over the axes.
constexpr double kBackdropDegreesPerMs = 0.05;

constexpr float kFovY = 0.7853982f;  // pi / 4
constexpr float kAspect = 1.3f;
constexpr float kBackdropFovY = 2.385f;
constexpr D3DCOLOR kClearColor = 0x0000FF00;
constexpr float kGlowPixelSize = 0.01f;

}  // namespace

void topuz::ResetAnimation() {
  fade_ = 0.0f;
  lastSecond_ = 0;
  glow->Flash();  // the show opens on a full flash
  eye_ = D3DXVECTOR3(0.0f, 0.0f, -225.0f);
  target_ = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
  up_ = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
  D3DXMatrixIdentity(&twist_);
  D3DXMatrixIdentity(&mesh_.world);
  Publish();
}

HRESULT topuz::Reset() {
  ResetAnimation();
  HRESULT hr = mesh_.LoadFromResource(device, kMeshResource);
  if (FAILED(hr)) return hr;
  // The weights can only be written into the blend layout; a mesh that
  // cannot be converted cannot bend.
  hr = mesh_.CloneToFVF(kBlendFvf);
  if (FAILED(hr)) return hr;
  hr = WriteBlendWeights();
  if (FAILED(hr)) return hr;
  mesh_.useMaterials = 0;
  // Render sets the world from the published copy of mesh_.world, which
  // belongs to the timer thread.
  mesh_.applyWorld = 0;

  hr = RecordStates();
  if (FAILED(hr)) return hr;
  Publish();
  return S_OK;
}

HRESULT topuz::WriteBlendWeights() {
  if (mesh_.mesh->GetNumBytesPerVertex() != kBlendVertexBytes) return E_FAIL;
  float* vertices = static_cast<float*>(mesh_.LockVertices());
  if (!vertices) {
    mesh_.UnlockVertices();
    return E_FAIL;
  }
  constexpr UINT kStride = kBlendVertexBytes / sizeof(float);
  const uint32_t count = mesh_.vertexCount;
  float nearest = 1e10f;
  float farthest = -1e10f;
  for (uint32_t i = 0; i < count; ++i) {
    const float* p = vertices + i * kStride;
    const float length = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
    if (length < nearest) nearest = length;
    if (length > farthest) farthest = length;
  }
  // The vertices halfway between the nearest and the farthest take a
  // quarter of their position from the twist matrix; both ends follow the
  // world matrix alone. A mesh with every vertex at one distance does not
  // bend at all.
  const float range = farthest - nearest;
  for (uint32_t i = 0; i < count; ++i) {
    float* p = vertices + i * kStride;
    const float length = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
    const float u = range > 0.0f ? (length - nearest) / range : 0.0f;
    p[kWeightOffsetFloats] =
        static_cast<float>(1.0 - 0.25 * std::sin(3.1415927 * u));
  }
  mesh_.UnlockVertices();
  return S_OK;
}

HRESULT topuz::RecordStates() {
  if (stateBlock_) {
    stateBlock_->Release();
    stateBlock_ = nullptr;
  }
  HRESULT hr = device->BeginStateBlock();
  if (FAILED(hr)) return hr;
  device->SetRenderState(D3DRS_AMBIENT, 0x00595959);
  device->SetRenderState(D3DRS_ZENABLE, TRUE);
  device->SetRenderState(D3DRS_CLIPPING, TRUE);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
  device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  device->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
  device->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_DISABLE);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
  // Both passes map the textures by the camera-space normals.
  device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX,
                               D3DTSS_TCI_CAMERASPACENORMAL);
  device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS,
                               D3DTTFF_DISABLE);
  return device->EndStateBlock(&stateBlock_);
}

void topuz::Publish() {
  Animation animation;
  animation.eye = eye_;
  animation.fade = fade_;
  animation.meshWorld = mesh_.world;
  animation.twist = twist_;
  published_.Publish(animation);
}

void topuz::Update(uint32_t elapsed, uint32_t delta) {
  const float t = static_cast<float>(elapsed);
  const float d = static_cast<float>(delta);
  const uint32_t second = elapsed / 1000;

  // Before the first whole second the last second stays 0 ("not seen"), so
  // neither 0 -> 1 nor the jump to 1 counts as a new second.
  if (lastSecond_ == 0) lastSecond_ = second;
  if (second != lastSecond_) glow->Flash();
  const uint32_t newSeconds = second - lastSecond_;

  // The camera circles once every 2 pi seconds, drifts away and springs
  // back on every new second.
  const double s = t / 1000.0;
  eye_.x = static_cast<float>(150.0 * std::cos(s) - 250.0);
  eye_.y = static_cast<float>(150.0 * std::sin(s) - 280.0);
  eye_.z =
      static_cast<float>((eye_.z - kDriftPerMs * d) + kSpringBack * newSeconds);
  lastSecond_ = second;

  if (elapsed / 500 > kFadeHalfSecond) {
    fade_ = static_cast<float>(fade_ + kFadePerMs * d);
  }
  if (fade_ > 1.0f) fade_ = 1.0f;

  if (second >= kEndSecond) done.store(1);

  // The backdrop's turn accumulates in the glow object across sections.
  const double turn = d * kBackdropDegreesPerMs * kDegree;
  glow->backdropMesh.RotateXYZ(static_cast<float>(turn * std::sin(0.0004 * t)),
                               static_cast<float>(turn * std::sin(0.0003 * t)),
                               static_cast<float>(turn * std::cos(0.0002 * t)));

  // Per tick, not per millisecond: the spin follows the tick rate.
  const float spin = static_cast<float>(
      (kSpinPerSecond * newSeconds + kSpinPerTick) * kDegree);
  mesh_.RotateZ(spin);
  mesh_.RotateY(spin);
  mesh_.RotateX(spin);

  D3DXMATRIX rotation;
  D3DXMatrixRotationX(&rotation, 0.0005f);
  D3DXMatrixMultiply(&twist_, &twist_, &rotation);
  D3DXMatrixRotationY(&rotation, 0.0002f);
  D3DXMatrixMultiply(&twist_, &twist_, &rotation);
  D3DXMatrixRotationZ(&rotation, 0.0003f);
  D3DXMatrixMultiply(&twist_, &twist_, &rotation);

  Publish();
}

void topuz::ScenePass(int glowSource, const Animation& frame) {
  if (FAILED(stateBlock_->Apply())) {
    // Recorded once by Reset; failing to apply it means the device lost it.
    std::fprintf(stderr, "topuz: applying the state block failed\n");
    std::abort();
  }
  device->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_1WEIGHTS);
  device->SetTransform(D3DTS_WORLDMATRIX(1), &frame.twist);
  D3DXMatrixLookAtLH(&view_, &frame.eye, &target_, &up_);
  D3DXMatrixPerspectiveFovLH(&projection_, kFovY, kAspect, 1.0f, 1000.0f);
  device->SetTransform(D3DTS_VIEW, &view_);
  device->SetTransform(D3DTS_PROJECTION, &projection_);

  int slot = kSolidSlot;
  if (glowSource == 0) {
    // Stays set after the pass; the next pass's state block undoes it.
    device->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
    slot = kWireSlot;
  }
  device->SetTexture(0, textureBank->textures[slot]);
  device->SetTransform(D3DTS_WORLD, &frame.meshWorld);
  mesh_.Draw();
  device->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_DISABLE);

  if (glowSource == 0 && frame.fade > 0.0f) {
    const DWORD alpha = static_cast<DWORD>(frame.fade * 255);
    glow->DrawSprite(textureBank->textures[kPictureSlot],
                     (alpha << 24) | 0x00FFFFFF);
  }
}

void topuz::Render() {
  const Animation frame = published_.Read();
  device->BeginScene();
  glow->BeginGlowTarget(0x00000000, 1);
  ScenePass(1, frame);
  glow->ProcessGlow(kGlowPixelSize, 1);
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClearColor,
                1.0f, 0);
  glow->DrawBackdrop(textureBank->textures[kBackdropSlot], kBackdropFovY,
                     kAspect);
  glow->ComposeGlow();
  ScenePass(0, frame);
  glow->DrawSpritePlain(textureBank->textures[kOverlaySlot]);
  device->EndScene();
}

void topuz::Release() {
  if (stateBlock_) {
    stateBlock_->Release();
    stateBlock_ = nullptr;
  }
  mesh_.Release();
}
