// What the device does where it knowingly differs from Direct3D 9: one
// test for each entry of gl_differences.h (the entry's name is in the
// test's name or its parameter's), showing what is drawn instead.
//
// States the device ignores are shown by drawing one scene twice, without
// and with the state set, and finding the same pixels; the scene contains
// what each ignored state would change in Direct3D (blending, a depth tie,
// magnified texels, a wireframe triangle, a coordinate range a wrap state
// would take the short way round).
#include <cmath>
#include <cstring>
#include <string>

#include "platform/gfx/gl_differences.h"
#include "test_scene.h"

namespace {

DWORD Bits(float f) {
  DWORD d;
  std::memcpy(&d, &f, sizeof d);
  return d;
}

struct StateValue {
  enum Kind { kRender, kSampler, kStage } kind;
  DWORD state;
  DWORD value;
};

void Apply(IDirect3DDevice9* d, const std::vector<StateValue>& states) {
  for (const StateValue& s : states) {
    switch (s.kind) {
      case StateValue::kRender:
        EXPECT_EQ(d->SetRenderState(static_cast<D3DRENDERSTATETYPE>(s.state),
                                    s.value),
                  S_OK);
        break;
      case StateValue::kSampler:
        EXPECT_EQ(d->SetSamplerState(
                      0, static_cast<D3DSAMPLERSTATETYPE>(s.state), s.value),
                  S_OK);
        break;
      case StateValue::kStage:
        EXPECT_EQ(
            d->SetTextureStageState(
                0, static_cast<D3DTEXTURESTAGESTATETYPE>(s.state), s.value),
            S_OK);
        break;
    }
  }
}

struct SameSceneCase {
  const char* name;  // the gl_differences.h entry
  std::vector<StateValue> reference;
  std::vector<StateValue> changed;
};

// Lets gtest print a case by its entry's name.
void PrintTo(const SameSceneCase& c, std::ostream* out) { *out << c.name; }

class SameSceneTest : public DeviceTest,
                      public ::testing::WithParamInterface<SameSceneCase> {
 protected:
  // The scene:
  //  - a lit, textured quad (NDC -0.6..0.6: pixels 160..640 x 120..480)
  //    at depth 0.5, blended SRCALPHA / INVSRCALPHA with the material's
  //    alpha 0.75, a 16 x 16 texture magnified 30 times, u and v from
  //    0.1 to 0.9;
  //  - a magenta screen-space quad (pixels 300..700 x 200..400) at the same
  //    depth 0.5 with Z func LESS: it loses the tie where the first quad
  //    is and shows at 640..700;
  //  - a wireframe triangle at (20, 520), (150, 520), (20, 590).
  std::vector<uint32_t> DrawScene(const std::vector<StateValue>& states) {
    IDirect3DDevice9* d = device();
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    d->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
    d->SetRenderState(D3DRS_LIGHTING, TRUE);
    d->SetRenderState(D3DRS_AMBIENT, 0x00202020);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1, 1, 1, 1};
    light.Direction = {0.3f, 0.0f, 1.0f};
    d->SetLight(0, &light);
    d->LightEnable(0, TRUE);
    D3DMATERIAL9 material{};
    material.Diffuse = {1.0f, 0.8f, 0.6f, 0.75f};
    material.Ambient = {1, 1, 1, 1};
    d->SetMaterial(&material);
    d->SetTexture(0, texture_);
    d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    Apply(d, states);

    d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF406080, 1.0f,
             0);
    NormalVertex lit[6] = {{-0.6f, -0.6f, 0.5f, 0, 0, -1, 0.1f, 0.9f},
                           {-0.6f, 0.6f, 0.5f, 0, 0, -1, 0.1f, 0.1f},
                           {0.6f, 0.6f, 0.5f, 0, 0, -1, 0.9f, 0.1f},
                           {-0.6f, -0.6f, 0.5f, 0, 0, -1, 0.1f, 0.9f},
                           {0.6f, 0.6f, 0.5f, 0, 0, -1, 0.9f, 0.1f},
                           {0.6f, -0.6f, 0.5f, 0, 0, -1, 0.9f, 0.9f}};
    d->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
    EXPECT_EQ(d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, lit, sizeof lit[0]),
              S_OK);
    DrawScreenRect(300, 200, 700, 400, 0xFFFF00FF, 0.5f);
    d->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
    ScreenVertex triangle[3] = {{20, 520, 0.2f, 1, 0xFFFFFF00, 0, 0},
                                {150, 520, 0.2f, 1, 0xFFFFFF00, 1, 0},
                                {20, 590, 0.2f, 1, 0xFFFFFF00, 0, 1}};
    EXPECT_EQ(
        d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle, sizeof triangle[0]),
        S_OK);
    d->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    return Read();
  }

  void SetUp() override {
    DeviceTest::SetUp();
    if (HasFatalFailure()) return;
    texture_ = MakeTexture(16, 16, [](UINT x, UINT y) {
      return 0xFF000000u | (x * 16) << 16 | (y * 16) << 8 | ((x ^ y) & 1) * 255;
    });
  }
  void TearDown() override {
    device()->SetTexture(0, nullptr);
    if (texture_) texture_->Release();
    DeviceTest::TearDown();
  }

  IDirect3DTexture9* texture_ = nullptr;
};

TEST_P(SameSceneTest, DrawsWhatTheReferenceStatesDraw) {
  const SameSceneCase& c = GetParam();
  std::vector<uint32_t> reference = DrawScene(c.reference);
  KeepPicture("difference_scene", reference);
  // The scene is there: the blended quad, the second quad beyond it but
  // not over it (texels times magenta: no green), the wireframe's top
  // edge (texels times yellow: no blue), the clear colour elsewhere.
  const uint32_t clear = 0xFF406080;
  EXPECT_NE(PixelAt(reference, 400, 300), clear);
  EXPECT_NE(PixelAt(reference, 670, 300), clear);
  EXPECT_EQ(Green(PixelAt(reference, 670, 300)), 0);
  EXPECT_NE(Green(PixelAt(reference, 600, 300)), 0);
  EXPECT_NE(PixelAt(reference, 80, 520), clear);
  EXPECT_EQ(Blue(PixelAt(reference, 80, 520)), 0);
  EXPECT_EQ(PixelAt(reference, 80, 540), clear);
  EXPECT_EQ(PixelAt(reference, 50, 50), clear);
  std::vector<uint32_t> changed = DrawScene(c.changed);
  int differing = 0;
  for (size_t i = 0; i < reference.size(); ++i) {
    if (reference[i] != changed[i] && ++differing <= 3)
      ADD_FAILURE() << c.name << ": pixel " << i % 800 << "," << i / 800
                    << " 0x" << std::hex << changed[i] << " instead of 0x"
                    << reference[i];
  }
  EXPECT_EQ(differing, 0) << c.name;
}

using S = StateValue;
constexpr auto kR = StateValue::kRender;

INSTANTIATE_TEST_SUITE_P(
    IgnoredStates, SameSceneTest,
    ::testing::Values(
        // Fully fogged red in Direct3D (pixel fog, linear 0..0.25 in depth).
        SameSceneCase{"kFogIgnored",
                      {},
                      {{kR, D3DRS_FOGENABLE, TRUE},
                       {kR, D3DRS_FOGCOLOR, 0xFFFF0000},
                       {kR, D3DRS_FOGTABLEMODE, 3},
                       {kR, D3DRS_FOGSTART, Bits(0.0f)},
                       {kR, D3DRS_FOGEND, Bits(0.25f)},
                       {kR, D3DRS_FOGDENSITY, Bits(2.0f)},
                       {kR, D3DRS_FOGVERTEXMODE, 3},
                       {kR, D3DRS_RANGEFOGENABLE, TRUE}}},
        SameSceneCase{
            "kClipPlanesIgnored", {}, {{kR, D3DRS_CLIPPLANEENABLE, 0x3F}}},
        SameSceneCase{"kAlwaysClips", {}, {{kR, D3DRS_CLIPPING, FALSE}}},
        SameSceneCase{"kNoStencilBuffer",
                      {},
                      {{kR, D3DRS_STENCILENABLE, TRUE},
                       {kR, D3DRS_STENCILFUNC, D3DCMP_NEVER},
                       {kR, D3DRS_TWOSIDEDSTENCILMODE, TRUE},
                       {kR, D3DRS_CCW_STENCILFUNC, D3DCMP_NEVER}}},
        SameSceneCase{"kWBufferIsZBuffer",
                      {{kR, D3DRS_ZENABLE, D3DZB_TRUE}},
                      {{kR, D3DRS_ZENABLE, D3DZB_USEW}}},
        // Direct3D would let the magenta quad win the depth tie.
        SameSceneCase{"kDepthBiasIgnored",
                      {},
                      {{kR, D3DRS_DEPTHBIAS, Bits(-0.25f)},
                       {kR, D3DRS_SLOPESCALEDEPTHBIAS, Bits(-4.0f)}}},
        SameSceneCase{"kWireframeUsesGlLines",
                      {},
                      {{kR, D3DRS_LASTPIXEL, FALSE},
                       {kR, D3DRS_ANTIALIASEDLINEENABLE, TRUE}}},
        // u and v run 0.1 .. 0.9: wrapping would take the 0.2 way round.
        // (One stage writing D3DTA_TEMP would leave the untextured diffuse
        // colour in Direct3D: kResultArgIgnored, last.)
        SameSceneCase{"kWrapStatesIgnored",
                      {},
                      {{kR, D3DRS_WRAP0, 3}, {kR, D3DRS_WRAP7, 3}}},
        SameSceneCase{"kSeparateAlphaBlendIgnored",
                      {},
                      {{kR, D3DRS_SEPARATEALPHABLENDENABLE, TRUE},
                       {kR, D3DRS_SRCBLENDALPHA, D3DBLEND_ZERO},
                       {kR, D3DRS_DESTBLENDALPHA, D3DBLEND_ONE},
                       {kR, D3DRS_BLENDOPALPHA, D3DBLENDOP_REVSUBTRACT}}},
        SameSceneCase{"kSrgbIgnored",
                      {},
                      {{kR, D3DRS_SRGBWRITEENABLE, TRUE},
                       {StateValue::kSampler, D3DSAMP_SRGBTEXTURE, TRUE}}},
        SameSceneCase{"kDitherIgnored", {}, {{kR, D3DRS_DITHERENABLE, TRUE}}},
        SameSceneCase{
            "kQuadFiltersArePoint",
            {{StateValue::kSampler, D3DSAMP_MAGFILTER, D3DTEXF_POINT},
             {StateValue::kSampler, D3DSAMP_MINFILTER, D3DTEXF_POINT}},
            {{StateValue::kSampler, D3DSAMP_MAGFILTER, D3DTEXF_PYRAMIDALQUAD},
             {StateValue::kSampler, D3DSAMP_MINFILTER, D3DTEXF_GAUSSIANQUAD}}},
        SameSceneCase{"kResultArgIgnored",
                      {},
                      {{StateValue::kStage, D3DTSS_RESULTARG, 5}}}),
    [](const ::testing::TestParamInfo<SameSceneCase>& info) {
      return std::string(info.param.name);
    });

// Stage tests: a screen rectangle of vertex colour blue, no texture, the
// texture factor red, and stage states set by the test.
class StageDifferenceTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    if (HasFatalFailure()) return;
    PlainStates();
    device()->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFFFF0000);
  }
  void Stage(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    device()->SetTextureStageState(stage, type, value);
  }
  uint32_t Draw() {
    device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    DrawScreenRect(0, 0, 100, 100, 0xFF0000FF);
    return PixelAt(Read(), 50, 50);
  }
};

TEST_F(StageDifferenceTest, kTextureStagesRun) {
  // Stage 0 takes the diffuse blue, stage 1 passes it, stage 2 would
  // select the red factor: only stages 0 and 1 run, so blue stays.
  static_assert(gfx::kTextureStagesRun == 2);
  Stage(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  Stage(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
  Stage(1, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  Stage(1, D3DTSS_COLORARG1, D3DTA_CURRENT);
  Stage(2, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  Stage(2, D3DTSS_COLORARG1, D3DTA_TFACTOR);
  EXPECT_EQ(Draw(), 0xFF0000FFu);
  // Stage 1 does run: there the factor shows.
  Stage(1, D3DTSS_COLORARG1, D3DTA_TFACTOR);
  EXPECT_EQ(Draw(), 0xFFFF0000u);
}

TEST_F(StageDifferenceTest, kUntexturedStagePassesCurrent) {
  // MODULATE(TEXTURE, TFACTOR) without a texture: the diffuse blue goes
  // on (the documentation would read the missing texture as white: red;
  // DXVK as zero: black).
  Stage(0, D3DTSS_COLORARG2, D3DTA_TFACTOR);
  EXPECT_EQ(Draw(), 0xFF0000FFu);
}

TEST_F(StageDifferenceTest, kTempAndConstantArgsReadZero) {
  Stage(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  Stage(0, D3DTSS_COLORARG1, 5);  // D3DTA_TEMP
  EXPECT_EQ(Draw(), 0xFF000000u);
  Stage(0, D3DTSS_CONSTANT, 0xFF00FF00);
  Stage(0, D3DTSS_COLORARG1, 6);  // D3DTA_CONSTANT
  EXPECT_EQ(Draw(), 0xFF000000u);
}

TEST_F(StageDifferenceTest, kResultArgIgnored) {
  // Stage 0 selects the red factor into TEMP; stage 1 selects CURRENT,
  // which in Direct3D is still the diffuse blue. Here stage 0 wrote
  // CURRENT: red.
  Stage(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  Stage(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
  Stage(0, D3DTSS_RESULTARG, 5);  // D3DTA_TEMP
  Stage(1, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  Stage(1, D3DTSS_COLORARG1, D3DTA_CURRENT);
  EXPECT_EQ(Draw(), 0xFFFF0000u);
}

TEST_F(StageDifferenceTest, kRareTextureOpsPassArg1) {
  // PREMODULATE (17) .. LERP (26) with arg1 = red factor, arg2 = blue
  // diffuse, arg0 = blue: each shows red.
  Stage(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
  Stage(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  Stage(0, D3DTSS_COLORARG0, D3DTA_DIFFUSE);
  for (DWORD op = 17; op <= 26; ++op) {
    Stage(0, D3DTSS_COLOROP, op);
    EXPECT_EQ(Draw(), 0xFFFF0000u) << "D3DTOP " << op;
  }
}

// Lights: the quad of half-size 1 at z = 10 facing the eye, lit from the
// eye; every corner is d = sqrt(102) away with N.L = 10 / d.
class LightDifferenceTest : public DeviceTest {
 protected:
  uint32_t Draw() {
    NormalVertex quad[6] = {
        {-1, -1, 10, 0, 0, -1, 0, 0}, {-1, 1, 10, 0, 0, -1, 0, 0},
        {1, 1, 10, 0, 0, -1, 0, 0},   {-1, -1, 10, 0, 0, -1, 0, 0},
        {1, 1, 10, 0, 0, -1, 0, 0},   {1, -1, 10, 0, 0, -1, 0, 0}};
    D3DMATRIX projection = PerspectiveFovLH(0.785398f, 4.0f / 3.0f, 1, 100);
    device()->SetTransform(D3DTS_PROJECTION, &projection);
    device()->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    D3DMATERIAL9 material{};
    material.Diffuse = {1, 1, 1, 1};
    device()->SetMaterial(&material);
    device()->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
    device()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FF,
                    1.0f, 0);
    EXPECT_EQ(
        device()->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, sizeof quad[0]),
        S_OK);
    return PixelAt(Read(), 400, 300);
  }
};

TEST_F(LightDifferenceTest, kSpotLightsLitAsPoint) {
  // A spot light at the eye whose 0.1-radian cone points away from the
  // quad (Direction -z) leaves it dark in Direct3D. Lit as a point light
  // with attenuation 1: N.L * Ld * Cd = 10 / sqrt(102) = 0.990148 -> 252.
  D3DLIGHT9 spot{};
  spot.Type = D3DLIGHT_SPOT;
  spot.Diffuse = {1, 1, 1, 1};
  spot.Direction = {0, 0, -1};
  spot.Range = 100;
  spot.Attenuation0 = 1;
  spot.Theta = 0.05f;
  spot.Phi = 0.1f;
  spot.Falloff = 1;
  device()->SetLight(0, &spot);
  device()->LightEnable(0, TRUE);
  EXPECT_TRUE(ColorNear(Draw(), 0xFFFCFCFC));
}

TEST_F(LightDifferenceTest, kLitLightCount) {
  // Light 1 (directional, straight at the quad) is enabled, light 0 is
  // not: only light 0 is lit, so the quad gets nothing (black, the
  // material having no ambient or emissive part).
  static_assert(gfx::kLitLightCount == 1);
  D3DLIGHT9 light{};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = {1, 1, 1, 1};
  light.Direction = {0, 0, 1};
  device()->SetLight(1, &light);
  device()->LightEnable(1, TRUE);
  EXPECT_EQ(Draw(), 0xFF000000u);
  // The same light in slot 0 lights it fully (directional, N.L = 1).
  device()->SetLight(0, &light);
  device()->LightEnable(0, TRUE);
  EXPECT_EQ(Draw(), 0xFFFFFFFFu);
}

// Blending: XYZB1 vertices with weight 0.5 between world 0 (identity) and
// world 1 (4 units right); the projection scales x and y by 0.1, so one
// unit is 40 pixels. Blended, the quad's centre is at pixel 480; world 0
// alone puts it at 400.
class BlendDifferenceTest : public DeviceTest {
 protected:
  std::vector<uint32_t> Draw() {
    PlainStates();
    D3DMATRIX world1 = Translation(4, 0, 0);
    device()->SetTransform(D3DTS_WORLD1, &world1);
    D3DMATRIX projection = Scaling(0.1f, 0.1f, 0.5f);
    device()->SetTransform(D3DTS_PROJECTION, &projection);
    device()->SetFVF(D3DFVF_XYZB1 | D3DFVF_NORMAL | D3DFVF_TEX1);
    BlendVertex quad[6] = {{-0.25f, -0.25f, 0.5f, 0.5f, 0, 0, -1, 0, 0},
                           {-0.25f, 0.25f, 0.5f, 0.5f, 0, 0, -1, 0, 0},
                           {0.25f, 0.25f, 0.5f, 0.5f, 0, 0, -1, 0, 0},
                           {-0.25f, -0.25f, 0.5f, 0.5f, 0, 0, -1, 0, 0},
                           {0.25f, 0.25f, 0.5f, 0.5f, 0, 0, -1, 0, 0},
                           {0.25f, -0.25f, 0.5f, 0.5f, 0, 0, -1, 0, 0}};
    device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    EXPECT_EQ(
        device()->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, sizeof quad[0]),
        S_OK);
    return Read();
  }
};

TEST_F(BlendDifferenceTest, kTweeningBlendsNothing) {
  device()->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_TWEENING);
  device()->SetRenderState(D3DRS_TWEENFACTOR, Bits(0.5f));
  std::vector<uint32_t> pixels = Draw();
  EXPECT_EQ(PixelAt(pixels, 400, 300), 0xFFFFFFFFu);
  EXPECT_EQ(PixelAt(pixels, 480, 300), 0xFF000000u);
}

TEST_F(BlendDifferenceTest, kIndexedBlendingIgnored) {
  device()->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_1WEIGHTS);
  std::vector<uint32_t> plain = Draw();
  EXPECT_EQ(PixelAt(plain, 480, 300), 0xFFFFFFFFu);
  device()->SetRenderState(D3DRS_INDEXEDVERTEXBLENDENABLE, TRUE);
  EXPECT_EQ(Draw(), plain);
}

TEST_F(DeviceTest, kTexCoordSetsRead) {
  // A three-float set (u, v, w) = (0.3, 0.4, 2) with COUNT3 | PROJECTED
  // and an identity matrix: Direct3D divides by w and samples
  // (0.15, 0.2); the device reads the set as (u, v, 1, 0), divides by 1
  // and samples (0.3, 0.4): of a 10 x 10 texture, texel (3, 4).
  PlainStates();
  IDirect3DTexture9* texture = MakeTexture(
      10, 10, [](UINT x, UINT y) { return 0xFF000000u | x << 20 | y << 12; });
  device()->SetTexture(0, texture);
  device()->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  device()->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS,
                                 D3DTTFF_COUNT3 | D3DTTFF_PROJECTED);
  struct Vertex {
    float x, y, z, u, v, w;
  };
  const DWORD size3 = 1u << 16;  // D3DFVF_TEXCOORDSIZE3(0)
  device()->SetFVF(D3DFVF_XYZ | D3DFVF_TEX1 | size3);
  Vertex quad[6] = {
      {-1, -1, 0.5f, 0.3f, 0.4f, 2}, {-1, 1, 0.5f, 0.3f, 0.4f, 2},
      {1, 1, 0.5f, 0.3f, 0.4f, 2},   {-1, -1, 0.5f, 0.3f, 0.4f, 2},
      {1, 1, 0.5f, 0.3f, 0.4f, 2},   {1, -1, 0.5f, 0.3f, 0.4f, 2}};
  ASSERT_EQ(
      device()->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, sizeof quad[0]),
      S_OK);
  EXPECT_EQ(PixelAt(Read(), 400, 300), 0xFF000000u | 3u << 20 | 4u << 12);
  device()->SetTexture(0, nullptr);
  texture->Release();
}

TEST_F(DeviceTest, kPointFillIsOnePixel) {
  // A solid-looking triangle in D3DFILL_POINT: its three vertices, one
  // pixel each (POINTSIZE 5 does not size them), nothing in between.
  PlainStates();
  device()->SetRenderState(D3DRS_FILLMODE, D3DFILL_POINT);
  device()->SetRenderState(D3DRS_POINTSIZE, Bits(5.0f));
  ScreenVertex triangle[3] = {{100, 100, 0.5f, 1, 0xFFFFFFFF, 0, 0},
                              {300, 100, 0.5f, 1, 0xFFFFFFFF, 0, 0},
                              {100, 300, 0.5f, 1, 0xFFFFFFFF, 0, 0}};
  device()->SetFVF(kScreenFvf);
  device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  ASSERT_EQ(device()->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle,
                                      sizeof triangle[0]),
            S_OK);
  std::vector<uint32_t> pixels = Read();
  int lit = 0;
  for (uint32_t p : pixels) lit += p != 0xFF000000u;
  EXPECT_EQ(lit, 3);
  EXPECT_EQ(PixelAt(pixels, 100, 100), 0xFFFFFFFFu);
  EXPECT_EQ(PixelAt(pixels, 300, 100), 0xFFFFFFFFu);
  EXPECT_EQ(PixelAt(pixels, 100, 300), 0xFFFFFFFFu);
}

TEST_F(DeviceTest, kMirrorOnceMirrors) {
  // Two texels, red and green; u runs 0..3 over 600 pixels (one texel per
  // 100 pixels). Mirror-once would clamp beyond u = 1 (green to the
  // right edge); the device mirrors again: u = 2.25 at pixel 450 is red,
  // as with D3DTADDRESS_MIRROR.
  PlainStates();
  IDirect3DTexture9* texture = MakeTexture(
      2, 1, [](UINT x, UINT) { return x == 0 ? 0xFFFF0000u : 0xFF00FF00u; });
  device()->SetTexture(0, texture);
  device()->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  auto draw = [&](DWORD address) {
    device()->SetSamplerState(0, D3DSAMP_ADDRESSU, address);
    ScreenVertex quad[6] = {
        {-0.5f, -0.5f, 0.5f, 1, 0, 0, 0}, {599.5f, -0.5f, 0.5f, 1, 0, 3, 0},
        {-0.5f, 9.5f, 0.5f, 1, 0, 0, 1},  {599.5f, -0.5f, 0.5f, 1, 0, 3, 0},
        {599.5f, 9.5f, 0.5f, 1, 0, 3, 1}, {-0.5f, 9.5f, 0.5f, 1, 0, 0, 1}};
    device()->SetFVF(kScreenFvf);
    device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    EXPECT_EQ(
        device()->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, sizeof quad[0]),
        S_OK);
    return Read();
  };
  std::vector<uint32_t> once = draw(D3DTADDRESS_MIRRORONCE);
  EXPECT_EQ(PixelAt(once, 450, 5), 0xFFFF0000u);
  EXPECT_EQ(PixelAt(once, 250, 5), 0xFF00FF00u);  // u = 1.25: mirrored
  EXPECT_EQ(once, draw(D3DTADDRESS_MIRROR));
  device()->SetTexture(0, nullptr);
  texture->Release();
}

TEST_F(DeviceTest, kAlphaTestFixedFunctionOnly) {
  // A program writing alpha 0.5 with the alpha test set to pass only
  // alpha 255: the fixed-function path would discard, the program draws.
  ShaderProgramDesc desc;
  desc.vertexSource = R"(#version 330 core
layout(location = 0) in vec4 position;
void main() { gl_Position = vec4(position.xy, 0.5, 1.0); }
)";
  desc.pixelSource = R"(#version 330 core
out vec4 color;
void main() { color = vec4(0.0, 1.0, 0.0, 0.5); }
)";
  desc.attributes = {{0, D3DDECLUSAGE_POSITION, 0}};
  IDirect3DShaderProgram9* program = nullptr;
  std::string log;
  ASSERT_EQ(device()->CreateShaderProgram(desc, &program, &log), S_OK) << log;
  PlainStates();
  device()->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
  device()->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_EQUAL);
  device()->SetRenderState(D3DRS_ALPHAREF, 0xFF);
  device()->SetShaderProgram(program);
  device()->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
  ColorVertex tri[3] = {{-1, -1, 0.5f, 0xFFFFFFFF},
                        {-1, 3, 0.5f, 0xFFFFFFFF},
                        {3, -1, 0.5f, 0xFFFFFFFF}};
  device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  ASSERT_EQ(
      device()->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, tri, sizeof tri[0]),
      S_OK);
  EXPECT_TRUE(ColorNear(PixelAt(Read(), 400, 300), 0x8000FF00));
  device()->SetShaderProgram(nullptr);
  // The same test on the fixed-function path discards: vertex alpha 255
  // passes, 128 does not.
  tri[0].color = tri[1].color = tri[2].color = 0x8000FF00;
  device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  device()->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, tri, sizeof tri[0]);
  EXPECT_EQ(PixelAt(Read(), 400, 300), 0xFF000000u);
  program->Release();
}

TEST_F(DeviceTest, RefusedInsteadOfDifferent) {
  // kVertexStreams, kRenderTargetLevels, kOnlyArgbTextures: refused.
  static_assert(gfx::kVertexStreams == 1 && gfx::kRenderTargetLevels == 1);
  EXPECT_EQ(device()->SetStreamSource(1, nullptr, 0, 0), D3DERR_INVALIDCALL);
  IDirect3DTexture9* texture = nullptr;
  EXPECT_EQ(
      device()->CreateTexture(64, 64, 2, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                              D3DPOOL_DEFAULT, &texture, nullptr),
      D3DERR_INVALIDCALL);
  const D3DFORMAT r5g6b5 = static_cast<D3DFORMAT>(23);
  EXPECT_EQ(device()->CreateTexture(64, 64, 1, 0, r5g6b5, D3DPOOL_MANAGED,
                                    &texture, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(texture, nullptr);
}

}  // namespace
