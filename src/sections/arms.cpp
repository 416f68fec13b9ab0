#include "sections/arms.h"

#include <cmath>
#include <cstring>

#include "glow/glow_effect.h"
#include "resource_ids.h"
#include "sections/shared_maths.h"
#include "toolkit/camera.h"
#include "toolkit/expect_ok.h"

namespace {

const D3DXVECTOR3 kEye(0.0f, 0.0f, -340.0f);
const D3DXVECTOR3 kTarget(0.0f, 0.0f, 0.0f);
const D3DXVECTOR3 kUp(0.0f, 1.0f, 0.0f);
constexpr Lens kLens{1.4f, 1.3f, 1.0f, 1000.0f};

// The head runs on a Lissajous curve of radius 180 units: x at 0.002 and
// y at 0.001 radians per ms of the show.
constexpr float kHeadRadius = 180.0f;
constexpr double kHeadRateX = 0.002;
constexpr double kHeadRateY = 0.001;
// Units between neighbouring points of the starting star; also the unit
// of the push, which grows by one step per place along the chain.
constexpr float kSpacing = 0.01f;
// Each tick a point closes 1/50.0001 of its gap to its predecessor and is
// pushed outwards by 0.78 steps per place along its chain, so a settled
// link is about 50 pushes long.
constexpr float kCatchUp = 50.0001f;
constexpr float kPush = 0.78f;
// Sizes shrink by 0.04 per place: 1.12 next to the root, 0 at the tip
// (which the device still draws as one pixel).
constexpr float kSizeStep = 0.04f;
// Size of the head and the roots, and of every point of the starting star.
constexpr float kStartSize = 1.0f;
constexpr D3DCOLOR kPointColor = 0xFFFFFFFF;

// The swarm tumbles by these angles per ms about y, x and z.
constexpr double kTumbleY = 0.0003;
constexpr double kTumbleX = 0.0002;
constexpr double kTumbleZ = 0.0001;
// The mesh hangs at this offset from the swarm's centre and tumbles with
// it.
constexpr float kMeshOffsetX = -170.0f;
constexpr float kMeshOffsetY = -50.0f;
constexpr float kMeshOffsetZ = -180.0f;
// The backdrop sphere turns by up to 0.0004 radians per tick (not per ms).
constexpr double kBackdropTurnPerTick = 0.0004;

// The overlay starts at (850, 320) pixels and scrolls 0.05 pixels per ms
// to the left, drawn at 0x66 alpha.
constexpr float kOverlayStartX = 850.0f;
constexpr float kOverlayStartY = 320.0f;
constexpr double kOverlayScrollPerMs = 0.05;
constexpr D3DCOLOR kOverlayColor = 0x66FFFFFF;

// The backdrop is drawn twice: a near and a wider field of view.
constexpr float kBackdropFovY = 2.385f;
constexpr float kWideBackdropFovY = 2.985f;
constexpr D3DCOLOR kClearColor = 0x00000000;
constexpr float kGlowPixelSize = 0.01f;

constexpr UINT kPointBytes = kArmPointCount * sizeof(PointVertex);  // 18000
constexpr UINT kIndexBytes = kArmPointCount * sizeof(uint32_t);     // 3600
// The point buffer is created with the screen quad's vertex format, which
// has the same 20-byte stride; the points are drawn as kPointVertexFvf.
// Usage 0: the buffer is written in whole every frame, never read back.
constexpr DWORD kPointBufferFvf = D3DFVF_XYZ | D3DFVF_TEX1;

const DeviceSetting kStates[] = {
    RenderState(D3DRS_AMBIENT, 0x00595959),
    RenderState(D3DRS_ZENABLE, FALSE),
    RenderState(D3DRS_CLIPPING, TRUE),
    RenderState(D3DRS_LIGHTING, TRUE),
    RenderState(D3DRS_ZFUNC, D3DCMP_LESS),
    RenderState(D3DRS_ZWRITEENABLE, TRUE),
    // The points add their light: source alpha onto what is there.
    RenderState(D3DRS_ALPHABLENDENABLE, TRUE),
    RenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD),
    RenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA),
    RenderState(D3DRS_DESTBLEND, D3DBLEND_ONE),
    RenderState(D3DRS_CULLMODE, D3DCULL_NONE),
    RenderState(D3DRS_FILLMODE, D3DFILL_SOLID),
    RenderState(D3DRS_VERTEXBLEND, D3DVBF_DISABLE),
    // Each point is a textured square whose side follows its own size and
    // its distance: Vh * size / sqrt(1 + distance) pixels (A and C keep
    // their defaults 1 and 0). The vertices carry sizes, so POINTSIZE is
    // never used.
    RenderState(D3DRS_POINTSPRITEENABLE, TRUE),
    RenderState(D3DRS_POINTSCALEENABLE, TRUE),
    RenderState(D3DRS_POINTSIZE, FloatToDword(3.0f)),
    RenderState(D3DRS_POINTSCALE_B, FloatToDword(1.0f)),
    StageState(D3DTSS_COLOROP, D3DTOP_SELECTARG1),
    StageState(D3DTSS_COLORARG1, D3DTA_TEXTURE),
    StageState(D3DTSS_ALPHAOP, D3DTOP_SELECTARG1),
    StageState(D3DTSS_ALPHAARG1, D3DTA_TEXTURE),
    StageState(D3DTSS_TEXCOORDINDEX, 0),
    StageState(D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE),
    ProjectionState(kLens),
};

float Sin(double angle) { return static_cast<float>(std::sin(angle)); }
float Cos(double angle) { return static_cast<float>(std::cos(angle)); }

}  // namespace

Arms::Animation Arms::Start() const {
  Animation a;
  // A star: arm i leaves the origin at i * 360 / 29 degrees in the xy
  // plane, tilted in z by the sine of 360 times that angle.
  for (int i = 0; i < kArmCount; ++i) {
    const float angle =
        static_cast<float>(i * 360 / static_cast<double>(kArmCount - 1));
    const float r = angle * kDegree;
    const float r2 = angle * 360.0f * kDegree;
    const float sr2 = Sin(r2), sr = Sin(r), cr = Cos(r);
    for (int j = 0; j < kPointsPerArm; ++j) {
      const float s = j * kSpacing;
      SetPointVertex(a.points.data(), i * kPointsPerArm + j, cr * s, sr * s,
                     sr2 * s, kPointColor, kStartSize);
    }
  }
  a.overlay.Translate(kOverlayStartX, kOverlayStartY, 0.0f);
  return a;
}

HRESULT Arms::Load() {
  HRESULT hr = mesh_.LoadFromResource(device, resource_id::kBentTubeMesh);
  if (FAILED(hr)) return hr;
  hr = device->CreateVertexBuffer(kPointBytes, 0, kPointBufferFvf,
                                  D3DPOOL_DEFAULT, pointBuffer_.Receive(),
                                  nullptr);
  if (FAILED(hr)) return hr;
  hr = device->CreateIndexBuffer(kIndexBytes, D3DUSAGE_WRITEONLY,
                                 D3DFMT_INDEX32, D3DPOOL_DEFAULT,
                                 indexBuffer_.Receive(), nullptr);
  if (FAILED(hr)) return hr;
  // The points are drawn in their own order. (The points themselves reach
  // the buffer with every frame.)
  void* data = nullptr;
  if (!QUORBEL_EXPECT_OK(indexBuffer_->Lock(0, 0, &data, 0))) return E_FAIL;
  uint32_t* indices = static_cast<uint32_t*>(data);
  if (indices) {
    for (int n = 0; n < kArmPointCount; ++n) indices[n] = n;
  }
  if (!QUORBEL_EXPECT_OK(indexBuffer_->Unlock()) || !indices) return E_FAIL;
  return states_.Record(device, kStates);
}

void Arms::SimulatePoints(ArmPoints& v, float t) {
  PointVertex& head = v[0];
  head.x = Sin(kHeadRateX * t) * kHeadRadius;
  head.y = Cos(kHeadRateY * t) * kHeadRadius;
  // The head's z and size stay as the star left them (0 and 1).

  for (int i = 0; i < kArmCount; ++i) {
    PointVertex* arm = &v[i * kPointsPerArm];
    arm[0].x = head.x;
    arm[0].y = head.y;
    arm[0].z = head.z;
    arm[0].size = head.size;

    // The arm's angle: i * 360 / 29 degrees, rounded once. Its points are
    // pushed against (cos a, sin a, cos 360a), so the arm trails from the
    // head the opposite way; arms 0 and 29 (0 and 360 degrees) differ only
    // in z.
    const float a = static_cast<float>(i * (360.0 / (kArmCount - 1)) * kDegree);
    const float cosA = Cos(a);
    const float sinA = Sin(a);
    const float cosZ = Cos(a * 360.0f * kDegree);

    for (int j = 1; j < kPointsPerArm; ++j) {
      const PointVertex& q = arm[j - 1];  // already moved this tick
      PointVertex& p = arm[j];
      const double s = static_cast<double>(kSpacing) * (j + 1);
      const float qx = (q.x - p.x) / kCatchUp;
      const float qy = (q.y - p.y) / kCatchUp;
      const float qz = (q.z - p.z) / kCatchUp;
      const float dx = static_cast<float>(qx - cosA * s * kPush);
      const float dy = static_cast<float>(qy - sinA * s * kPush);
      const float dz = static_cast<float>(qz - cosZ * s * kPush);
      p.x += dx;
      p.y += dy;
      p.z += dz;
      p.size = (kPointsPerArm - j - 1) * kSizeStep;
    }
  }
}

void Arms::Advance(Animation& a, const Tick& tick) const {
  const float t = tick.t();
  const float d = tick.d();

  // Per tick, not per millisecond: the backdrop follows the tick rate.
  glow->TurnBackdrop(
      static_cast<float>(kBackdropTurnPerTick * std::sin(0.0002 * t)),
      static_cast<float>(kBackdropTurnPerTick * std::cos(0.0001 * t)),
      static_cast<float>(kBackdropTurnPerTick * std::sin(0.0003 * t)));

  a.swarmWorld.RotateY(static_cast<float>(kTumbleY * d));
  a.swarmWorld.RotateX(static_cast<float>(kTumbleX * d));
  a.swarmWorld.RotateZ(static_cast<float>(kTumbleZ * d));
  a.meshWorld = a.swarmWorld;
  a.meshWorld.Translate(kMeshOffsetX, kMeshOffsetY, kMeshOffsetZ);

  a.overlay.Translate(static_cast<float>(-kOverlayScrollPerMs * d), 0.0f, 0.0f);

  SimulatePoints(a.points, t);
}

bool Arms::UploadPoints(const ArmPoints& points) {
  void* data = nullptr;
  if (!QUORBEL_EXPECT_OK(pointBuffer_->Lock(0, 0, &data, 0))) return false;
  if (data) std::memcpy(data, points.data(), kPointBytes);
  return QUORBEL_EXPECT_OK(pointBuffer_->Unlock()) && data;
}

// Without its points (a failed upload) the pass still sets everything up,
// so the mesh that follows draws as usual.
void Arms::DrawPoints(const Animation& frame, bool uploaded) {
  states_.Apply();
  SetView(device, kEye, kTarget, kUp);
  device->SetTransform(D3DTS_WORLD, &frame.swarmWorld);
  device->SetTexture(0, Texture(slot::kDot));
  device->SetStreamSource(0, pointBuffer_.get(), 0, sizeof(PointVertex));
  device->SetIndices(indexBuffer_.get());
  device->SetFVF(kPointVertexFvf);
  if (uploaded) {
    device->DrawIndexedPrimitive(D3DPT_POINTLIST, 0, 0, kArmPointCount, 0,
                                 kArmPointCount);
  }
}

void Arms::Draw(const Animation& frame) {
  const bool uploaded = UploadPoints(frame.points);
  device->BeginScene();
  glow->BeginGlowTarget(0x00000000, true);
  DrawPoints(frame, uploaded);
  glow->ProcessGlow(kGlowPixelSize, true);
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClearColor,
                1.0f, 0);
  glow->DrawBackdrop(Texture(slot::kDeepSpace), kBackdropFovY, kLens.aspect);
  glow->DrawBackdrop(Texture(slot::kDeepSpace), kWideBackdropFovY,
                     kLens.aspect);
  DrawPoints(frame, uploaded);
  mesh_.Draw(frame.meshWorld);  // lit and textured as the points left it
  glow->ComposeGlow();
  glow->DrawSpriteTransformed(Texture(slot::kBanner3), &frame.overlay,
                              kOverlayColor);
  glow->DrawSpritePlain(Texture(slot::kFrame));
  device->EndScene();
}

void Arms::Release() {
  states_.Release();
  mesh_.Release();
  pointBuffer_.Reset();
  indexBuffer_.Reset();
}
