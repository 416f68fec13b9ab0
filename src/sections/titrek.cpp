#include "sections/titrek.h"

#include <cmath>

#include "glow/glow_effect.h"
#include "resource_ids.h"
#include "toolkit/camera.h"

namespace {

// The camera looks at a point 10 units below the rings' centre. Before
// the first tick it stands 15.1 units from it on the -z side; the ticks
// then sway it 15 units either way in x (period 31 s) and y (21 s), and
// between 7 and 13 units out on the +z side.
const D3DXVECTOR3 kTarget(0.0f, -10.0f, 0.0f);
const D3DXVECTOR3 kUp(0.0f, 1.0f, 0.0f);
const D3DXVECTOR3 kStartEye(0.0f, -10.0f, -15.1f);
constexpr double kSwayRadius = 15.0;
constexpr double kSwayDepth = 3.0;
constexpr double kSwayDistance = 10.0;
constexpr double kSwaySlowPerMs = 0.0002;  // radians of the sway per ms
constexpr double kSwayFastPerMs = 0.0003;

// The lens breathes between 0.7 and 2.7 radians about 1.7, once every
// 4 pi seconds (12.6 s); until the first tick it is 1.585.
constexpr float kStartFovY = 1.585f;
constexpr double kFovMiddle = 1.7;
constexpr double kFovPerMs = 0.0005;
// The aspect is 1.3, not 4:3, everywhere in the show: deliberate.
constexpr float kAspect = 1.3f;
constexpr float kNear = 1.0f;
constexpr float kFar = 1000.0f;

// Both meshes turn about the world's vertical axis, 0.0005 radians per ms
// (one turn in 12.6 s).
constexpr double kTurnPerMs = 0.0005;

// The blob hangs upside down at a fifth of its size: placed at (0, -50,
// -30) and scaled with its place, it ends up 10 units below and 6 in front
// of the rings' centre.
constexpr float kUpsideDown = 3.1415927f;
constexpr float kSmallScale = 0.2f;

// The banner's top-left corner starts just right of the 800-pixel-wide
// screen, 380 pixels down, and moves left 0.08 pixels per ms (80 per
// second); it is drawn at 40 % opacity.
constexpr float kBannerStartX = 850.0f;
constexpr float kBannerY = 380.0f;
constexpr double kBannerPixelsPerMs = 0.08;
constexpr D3DCOLOR kBannerColor = 0x66FFFFFF;

constexpr D3DCOLOR kClearColor = 0x00000000;
constexpr float kGlowPixelSize = 0.01f;

// A point light at the rings' centre. Its diffuse is 255, not 1: strongly
// over-bright, falling off as 1 / distance, so the inner faces saturate.
constexpr D3DLIGHT9 kLight = [] {
  D3DLIGHT9 light{};  // everything not set here is 0
  light.Type = D3DLIGHT_POINT;
  light.Diffuse = {255.0f, 255.0f, 255.0f, 0.0f};
  light.Position = {0.0f, 0.0f, 0.0f};
  light.Range = 660.0f;
  light.Attenuation1 = 1.0f;
  return light;
}();

const DeviceSetting kStates[] = {
    RenderState(D3DRS_CLIPPING, TRUE),
    RenderState(D3DRS_LIGHTING, TRUE),
    RenderState(D3DRS_CULLMODE, D3DCULL_NONE),
    RenderState(D3DRS_ZENABLE, TRUE),
    RenderState(D3DRS_ZFUNC, D3DCMP_LESS),
    RenderState(D3DRS_ZWRITEENABLE, TRUE),
    RenderState(D3DRS_ALPHABLENDENABLE, TRUE),
    RenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD),
    RenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA),
    RenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA),
    RenderState(D3DRS_AMBIENT, 0x00A55959),
    RenderState(D3DRS_FILLMODE, D3DFILL_SOLID),
    StageState(D3DTSS_TEXCOORDINDEX, 0),
    StageState(D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE),
    // The texture lit by the vertex colour; alpha from the texture alone.
    StageState(D3DTSS_COLOROP, D3DTOP_MODULATE),
    StageState(D3DTSS_COLORARG1, D3DTA_TEXTURE),
    StageState(D3DTSS_COLORARG2, D3DTA_DIFFUSE),
    StageState(D3DTSS_ALPHAOP, D3DTOP_SELECTARG1),
    StageState(D3DTSS_ALPHAARG1, D3DTA_TEXTURE),
};

}  // namespace

Titrek::Animation Titrek::Start() const {
  Animation a;
  a.eye = kStartEye;
  a.fovY = kStartFovY;
  a.smallWorld.RotateZ(kUpsideDown);
  a.smallWorld.Translate(0.0f, -50.0f, -30.0f);
  a.smallWorld.Scale(kSmallScale, kSmallScale, kSmallScale);
  a.banner.Translate(kBannerStartX, kBannerY, 0.0f);
  return a;
}

HRESULT Titrek::Load() {
  HRESULT hr = mainMesh_.LoadFromResource(device, resource_id::kGyroRingsMesh);
  if (FAILED(hr)) return hr;
  mainMesh_.useMaterials = true;
  // The first material shows no diffuse light, only its ambient and
  // emissive colours: the rings' first subset stays dark against the lit
  // ones. Its diffuse alpha stays.
  if (!mainMesh_.materials.empty()) {
    D3DCOLORVALUE& diffuse = mainMesh_.materials[0].Diffuse;
    diffuse.r = diffuse.g = diffuse.b = 0.0f;
  }
  hr = smallMesh_.LoadFromResource(device, resource_id::kBlobMesh);
  if (FAILED(hr)) return hr;
  return states_.Record(device, kStates);
}

void Titrek::Advance(Animation& a, const Tick& tick) const {
  const float t = tick.t();
  const float d = tick.d();

  const float turn = static_cast<float>(kTurnPerMs * d);
  a.mainWorld.RotateY(turn);
  a.smallWorld.RotateY(turn);

  a.eye.x = static_cast<float>(kSwayRadius * std::sin(kSwaySlowPerMs * t));
  a.eye.y = static_cast<float>(kSwayRadius * std::cos(kSwayFastPerMs * t));
  a.eye.z = static_cast<float>(kSwayDepth * std::cos(kSwaySlowPerMs * t) +
                               kSwayDistance);

  a.fovY = static_cast<float>(std::sin(kFovPerMs * t) + kFovMiddle);

  a.banner.Translate(static_cast<float>(-kBannerPixelsPerMs * d), 0.0f, 0.0f);
}

void Titrek::MainMeshPass(Pass pass, const Animation& frame) {
  states_.Apply();
  if (pass == Pass::GlowSource) {
    // Set once per frame: the back-buffer pass draws under the same light.
    device->LightEnable(0, TRUE);
    device->SetLight(0, &kLight);
  }
  SetCamera(device, frame.eye, kTarget, kUp,
            Lens{frame.fovY, kAspect, kNear, kFar});
  device->SetTexture(0, Texture(slot::kMetal));
  mainMesh_.Draw(frame.mainWorld);
}

void Titrek::Draw(const Animation& frame) {
  device->BeginScene();
  glow->BeginGlowTarget(0x00000000, true);
  MainMeshPass(Pass::GlowSource, frame);
  glow->ProcessGlow(kGlowPixelSize, true);
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClearColor,
                1.0f, 0);
  MainMeshPass(Pass::BackBuffer, frame);
  glow->ComposeGlow();

  // The blob reflects the metal through sphere-mapped coordinates. They stay
  // selected on stage 0 after the frame, deliberately: the next frame's
  // first state block Apply selects set 0 again.
  device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_SPHEREMAP);
  device->SetTexture(0, Texture(slot::kMetal));
  smallMesh_.Draw(frame.smallWorld);

  glow->DrawSpriteTransformed(Texture(slot::kBanner1), &frame.banner,
                              kBannerColor);
  glow->DrawSpritePlain(Texture(slot::kFrame));
  device->EndScene();
}

void Titrek::Release() {
  states_.Release();
  mainMesh_.Release();
  smallMesh_.Release();
}
