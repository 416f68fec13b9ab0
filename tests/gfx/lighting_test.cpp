// Vertex lighting with one point light: attenuation, range, ambient,
// emissive, specular; worked out from the Direct3D lighting equations.
//
// The scene: camera at the origin looking along +z (identity view), a
// quad of half-size 1 at z = 10 facing the camera (normals (0, 0, -1)),
// the light at the origin. All four corners are sqrt(102) from the light
// with N.L = 10 / sqrt(102), so every vertex gets the same colour and the
// centre pixel shows it unchanged.
#include <cmath>

#include "test_scene.h"

namespace {

class LightingTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    if (HasFatalFailure()) return;
    NormalVertex quad[4] = {{-1, -1, 10, 0, 0, -1, 0, 0},
                            {-1, 1, 10, 0, 0, -1, 0, 0},
                            {1, 1, 10, 0, 0, -1, 0, 0},
                            {1, -1, 10, 0, 0, -1, 0, 0}};
    vb_ = MakeVertexBuffer(quad, sizeof quad,
                           D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
    ib_ = MakeIndexBuffer({0, 1, 2, 0, 2, 3});
    D3DMATRIX projection = PerspectiveFovLH(0.785398f, 4.0f / 3.0f, 1, 100);
    device()->SetTransform(D3DTS_PROJECTION, &projection);
    device()->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device()->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
    device()->SetStreamSource(0, vb_, 0, sizeof(NormalVertex));
    device()->SetIndices(ib_);
    light_.Type = D3DLIGHT_POINT;
    light_.Diffuse = {1, 1, 1, 1};
    light_.Position = {0, 0, 0};
    light_.Range = 100;
    light_.Attenuation1 = 1;  // atten = 1 / d
  }
  void TearDown() override {
    if (vb_) vb_->Release();
    if (ib_) ib_->Release();
    DeviceTest::TearDown();
  }

  uint32_t DrawAndReadCentre() {
    device()->SetLight(0, &light_);
    device()->LightEnable(0, TRUE);
    device()->SetMaterial(&material_);
    device()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000,
                    1.0f, 0);
    device()->BeginScene();
    EXPECT_EQ(device()->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2),
              S_OK);
    device()->EndScene();
    return PixelAt(Read(), 400, 300);
  }

  IDirect3DVertexBuffer9* vb_ = nullptr;
  IDirect3DIndexBuffer9* ib_ = nullptr;
  D3DLIGHT9 light_{};
  D3DMATERIAL9 material_{};
  const float d_ = std::sqrt(102.0f);
};

TEST_F(LightingTest, DiffuseIsAttenuatedByDistance) {
  material_.Diffuse = {1.0f, 1.0f, 0.25f, 1.0f};
  material_.Emissive = {0.0f, 0.2f, 0.0f, 0.0f};
  // diffuse = Ld * N.L * atten * Cd = (10 / d) * (1 / d) * Cd = 10/102 Cd.
  float lit = (10.0f / d_) * (1.0f / d_);
  EXPECT_TRUE(ColorNear(DrawAndReadCentre(),
                        ArgbFromFloats(1.0f, lit, lit + 0.2f, lit * 0.25f)));
}

TEST_F(LightingTest, BeyondRangeOnlyEmissiveAndGlobalAmbientRemain) {
  material_.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
  material_.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
  material_.Emissive = {0.0f, 0.2f, 0.0f, 0.0f};
  light_.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
  light_.Range = 10.05f;  // the corners are 10.0995 away
  device()->SetRenderState(D3DRS_AMBIENT, 0x00595959);
  float ga = 0x59 / 255.0f;
  EXPECT_TRUE(
      ColorNear(DrawAndReadCentre(), ArgbFromFloats(1.0f, ga, ga + 0.2f, ga)));
}

TEST_F(LightingTest, LightAmbientIsAttenuatedWithinRange) {
  material_.Ambient = {1.0f, 0.5f, 1.0f, 1.0f};
  light_.Diffuse = {0, 0, 0, 0};
  light_.Ambient = {2.0f, 2.0f, 0.0f, 1.0f};
  // Ca * (Ga + La * atten), Ga = 0.
  float la = 2.0f / d_;
  EXPECT_TRUE(ColorNear(DrawAndReadCentre(),
                        ArgbFromFloats(0.0f, la, la * 0.5f, 0.0f)));
}

TEST_F(LightingTest, OutputAlphaIsMaterialDiffuseAlpha) {
  material_.Diffuse = {0.0f, 0.0f, 0.0f, 0.4f};
  uint32_t pixel = DrawAndReadCentre();
  EXPECT_NEAR(Alpha(pixel), 102, 1);
}

TEST_F(LightingTest, SpecularIsAddedOnlyWhenEnabled) {
  // Local viewer at the origin with the light there too: H = Ldir, so
  // N.H = N.L = 10 / d; spec = N.H ^ Power * atten * Ls * Cs.
  material_.Specular = {1.0f, 0.5f, 1.0f, 1.0f};
  material_.Power = 4.0f;
  light_.Diffuse = {0, 0, 0, 0};
  light_.Specular = {5.0f, 5.0f, 0.0f, 1.0f};
  float spec = std::pow(10.0f / d_, 4.0f) * (1.0f / d_) * 5.0f;
  EXPECT_TRUE(ColorNear(DrawAndReadCentre(), 0x00000000));
  device()->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
  EXPECT_TRUE(ColorNear(DrawAndReadCentre(),
                        ArgbFromFloats(0.0f, spec, spec * 0.5f, 0.0f)));
}

TEST_F(LightingTest, SpecularIsAddedEvenWhenTheStageSelectsTheTexture) {
  IDirect3DTexture9* texture =
      MakeTexture(1, 1, [](UINT, UINT) { return 0xFF000040u; });
  device()->SetTexture(0, texture);
  device()->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  material_.Specular = {1.0f, 1.0f, 1.0f, 1.0f};
  material_.Power = 0.0f;  // N.H ^ 0 = 1 on the whole lit side
  light_.Specular = {2.0f, 0.0f, 0.0f, 1.0f};
  device()->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
  float spec = 2.0f / d_;
  EXPECT_TRUE(ColorNear(DrawAndReadCentre(),
                        ArgbFromFloats(1.0f, spec, 0.0f, 0x40 / 255.0f)));
  texture->Release();
}

TEST_F(LightingTest, UnnormalisedNormalSaturatesNdotL) {
  // NORMALIZENORMALS stays FALSE: a world scaled by 1/5 lengthens the
  // normal five times, so N.L = 5 * 10 / d clamps to 1.
  D3DMATRIX world = Scaling(0.2f, 0.2f, 0.2f);
  D3DMATRIX view = Translation(0, 0, 8);
  device()->SetTransform(D3DTS_WORLD, &world);
  device()->SetTransform(D3DTS_VIEW, &view);
  // World quad at z = 2 becomes camera z = 10 with half-size 0.2.
  material_.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
  light_.Attenuation1 = 0.0f;
  light_.Attenuation0 = 4.0f;  // atten = 0.25 everywhere
  EXPECT_TRUE(ColorNear(DrawAndReadCentre(),
                        ArgbFromFloats(1.0f, 0.25f, 0.25f, 0.25f)));
}

// D3DSHADE_PHONG is accepted and shades as Gouraud: lighting per vertex,
// colours interpolated. A directional light towards the camera (Ldir =
// (0, 0, -1)) lights a quad over NDC -0.5..0.5 (pixels 200..600, identity
// transforms) whose left vertices face it (n = (0, 0, -1), N.L = 1) and
// whose right vertices face away (n = (0.8, 0, 0.6), N.L = -0.6 -> 0).
// Pixel x samples t = (x - 200) / 400 of the way across: Gouraud gives
// 255 (1 - t): 127.5 at pixel 400, 191.25 at pixel 300. Lighting the
// interpolated normal per pixel would give N.L = 0.2 (51) unnormalised or
// 0.447 (114) normalised at pixel 400.
TEST_F(DeviceTest, PhongShadeModeShadesAsGouraud) {
  device()->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  D3DLIGHT9 light{};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = {1, 1, 1, 1};
  light.Direction = {0.0f, 0.0f, 1.0f};
  device()->SetLight(0, &light);
  device()->LightEnable(0, TRUE);
  D3DMATERIAL9 material{};
  material.Diffuse = {1, 1, 1, 1};
  device()->SetMaterial(&material);
  device()->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
  const NormalVertex left = {-0.5f, 0, 0.5f, 0, 0, -1, 0, 0};
  const NormalVertex right = {0.5f, 0, 0.5f, 0.8f, 0, 0.6f, 0, 0};
  auto at = [](NormalVertex v, float y) {
    v.y = y;
    return v;
  };
  NormalVertex quad[6] = {at(left, -0.5f), at(left, 0.5f),  at(right, 0.5f),
                          at(left, -0.5f), at(right, 0.5f), at(right, -0.5f)};
  auto draw = [&](DWORD shade) {
    device()->SetRenderState(D3DRS_SHADEMODE, shade);
    device()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FF,
                    1.0f, 0);
    EXPECT_EQ(
        device()->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, sizeof quad[0]),
        S_OK);
    return Read();
  };
  std::vector<uint32_t> phong = draw(D3DSHADE_PHONG);
  KeepPicture("phong", phong);
  EXPECT_TRUE(ColorNear(PixelAt(phong, 400, 300), 0xFF808080));
  EXPECT_TRUE(ColorNear(PixelAt(phong, 300, 300), 0xFFBFBFBF));
  EXPECT_TRUE(ColorNear(PixelAt(phong, 202, 300), 0xFFFEFEFE, 2));
  std::vector<uint32_t> gouraud = draw(D3DSHADE_GOURAUD);
  EXPECT_EQ(phong, gouraud);
  DWORD stored = 0;
  device()->GetRenderState(D3DRS_SHADEMODE, &stored);
  EXPECT_EQ(stored, static_cast<DWORD>(D3DSHADE_GOURAUD));
}

// The Uzun light: a point light at the eye with diffuse (255, 255, 255),
// specular (10, 10, 10), attenuation (0, 1, 0) and a range of 420 or 260;
// D3DRS_AMBIENT 0x00F2F2F2, specular added, Z func LESSEQUAL, no blending.
// A quad of half-size 30 at z = 300 faces the eye: its corners are
// d = sqrt(300^2 + 30^2 + 30^2) = sqrt(91800) = 302.985 away with
// N.L = 300 / d. All corners light alike, so the centre shows the vertex
// colour. Local viewer with the light at the eye: H = Ldir, N.H = N.L.
//   Ld * N.L * atten = 255 * (300 / d) / d = 76500 / 91800 = 0.833333
//   Ga = 242 / 255 = 0.949020, Ca = (0.2, 0.1, 0), Cd = (0.5, 0.6, 0.7)
//   diffuse = Ca * Ga + Cd * 0.833333 = (0.606471, 0.594902, 0.583333)
//   specular = (N.H)^20 * atten * Ls * Cs
//            = 0.990148^20 * (10 / 302.985) = 0.820346 * 0.0330049
//            = 0.027075 per channel (Cs = 1)
//   sum * 255 = (161.6, 158.6, 155.7); alpha = Cd.a = 1.
// With the range 260 < d the light is gone (diffuse, specular and its
// ambient): only Ca * Ga = (0.189804, 0.094902, 0) -> (48.4, 24.2, 0).
TEST_F(DeviceTest, UzunLightSpecularWithPowerAndRangeCutOff) {
  NormalVertex quad[6] = {
      {-30, -30, 300, 0, 0, -1, 0, 0}, {-30, 30, 300, 0, 0, -1, 0, 0},
      {30, 30, 300, 0, 0, -1, 0, 0},   {-30, -30, 300, 0, 0, -1, 0, 0},
      {30, 30, 300, 0, 0, -1, 0, 0},   {30, -30, 300, 0, 0, -1, 0, 0}};
  D3DMATRIX projection = PerspectiveFovLH(0.785398f, 4.0f / 3.0f, 1, 1000);
  device()->SetTransform(D3DTS_PROJECTION, &projection);
  device()->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device()->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
  device()->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  device()->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
  device()->SetRenderState(D3DRS_AMBIENT, 0x00F2F2F2);
  D3DMATERIAL9 material{};
  material.Diffuse = {0.5f, 0.6f, 0.7f, 1.0f};
  material.Ambient = {0.2f, 0.1f, 0.0f, 1.0f};
  material.Specular = {1, 1, 1, 1};
  material.Power = 20.0f;
  device()->SetMaterial(&material);
  D3DLIGHT9 light{};
  light.Type = D3DLIGHT_POINT;
  light.Diffuse = {255, 255, 255, 1};
  light.Specular = {10, 10, 10, 1};
  light.Attenuation1 = 1.0f;
  device()->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
  auto draw = [&](float range) {
    light.Range = range;
    device()->SetLight(0, &light);
    device()->LightEnable(0, TRUE);
    device()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000,
                    1.0f, 0);
    EXPECT_EQ(
        device()->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, sizeof quad[0]),
        S_OK);
    return PixelAt(Read(), 400, 300);
  };
  EXPECT_TRUE(ColorNear(draw(420.0f), 0xFFA29F9C));
  EXPECT_TRUE(ColorNear(draw(260.0f), 0xFF301800));
  // Specular off: the diffuse part alone, (154.7, 151.7, 148.8).
  device()->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
  EXPECT_TRUE(ColorNear(draw(420.0f), 0xFF9B9895));
}

// The Tunnel light: attenuation (0, 1, 0.7), range 230, diffuse 255, on
// an object whose world scales by 0.03. The quad's object corners
// (+-33.33, +-33.33, 666.67) land at (+-1, +-1, 20): d = sqrt(402) =
// 20.0499 from the light at the eye. The normal (0, 0, -1) comes out
// 1 / 0.03 = 33.3 long (no NORMALIZENORMALS), so N.L saturates to 1.
//   atten = 1 / (d + 0.7 d^2) = 1 / (20.0499 + 281.4) = 0.00331730
//   diffuse = 255 * atten * Cd = 0.845912 * (1, 0.5, 0.25)
//           -> (215.7, 107.9, 53.9)
// Without the quadratic term the light would saturate (255 / 20 > 1).
TEST_F(DeviceTest, TunnelLightQuadraticAttenuationOnAScaledObject) {
  const float k = 1.0f / 0.03f;
  NormalVertex quad[6] = {
      {-k, -k, 20 * k, 0, 0, -1, 0, 0}, {-k, k, 20 * k, 0, 0, -1, 0, 0},
      {k, k, 20 * k, 0, 0, -1, 0, 0},   {-k, -k, 20 * k, 0, 0, -1, 0, 0},
      {k, k, 20 * k, 0, 0, -1, 0, 0},   {k, -k, 20 * k, 0, 0, -1, 0, 0}};
  D3DMATRIX world = Scaling(0.03f, 0.03f, 0.03f);
  device()->SetTransform(D3DTS_WORLD, &world);
  D3DMATRIX projection = PerspectiveFovLH(0.785398f, 4.0f / 3.0f, 1, 1000);
  device()->SetTransform(D3DTS_PROJECTION, &projection);
  device()->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  D3DMATERIAL9 material{};
  material.Diffuse = {1.0f, 0.5f, 0.25f, 1.0f};
  device()->SetMaterial(&material);
  D3DLIGHT9 light{};
  light.Type = D3DLIGHT_POINT;
  light.Diffuse = {255, 255, 255, 1};
  light.Specular = {255, 255, 255, 1};
  light.Attenuation1 = 1.0f;
  light.Attenuation2 = 0.7f;
  light.Range = 230.0f;
  device()->SetLight(0, &light);
  device()->LightEnable(0, TRUE);
  device()->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
  device()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000,
                  1.0f, 0);
  ASSERT_EQ(
      device()->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, sizeof quad[0]),
      S_OK);
  EXPECT_TRUE(ColorNear(PixelAt(Read(), 400, 300), 0xFFD86C36));
}

// Normals go through the inverse transpose of the whole 4 x 4 world-view
// matrix. The world here is projective:
//
//   M = | 1 0 0  0 |     p . M = (x, y, z + 3, -z)
//       | 0 1 0  0 |
//       | 0 0 1 -1 |     so the quad at z = -2 lands at (x, y, 1, 2):
//       | 0 0 3  0 |     with an identity projection, NDC (x/2, y/2, 1/2),
//                        pixels 200..600 across and 150..450 down.
//
// The lower-right 2 x 2 block [[1, -1], [3, 0]] inverts to
// [[0, 1/3], [-1, 1/3]], so inverse(M)^T has the upper 3 x 3 diag(1, 1, 0):
// a normal loses its z. With a directional light towards (0, 0.6, -0.8)
// (Direction (0, -0.6, 0.8)), Ld = Cd = 1 and no ambient:
//   n = (0, 0.6, -0.8) -> N = (0, 0.6, 0), N.L = 0.36 -> 0.36 * 255 = 91.8
//   n = (0, 0, -1)     -> N = 0,           N.L = 0    -> black
// where the upper 3 x 3 of M alone (identity) would give 1.0 and 0.8.
TEST_F(DeviceTest, NormalsFollowTheInverseTransposeOfAProjectiveWorld) {
  device()->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  D3DMATRIX world = Identity();
  world._34 = -1.0f;
  world._43 = 3.0f;
  world._44 = 0.0f;
  device()->SetTransform(D3DTS_WORLD, &world);
  D3DLIGHT9 light{};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = {1, 1, 1, 1};
  light.Direction = {0.0f, -0.6f, 0.8f};
  device()->SetLight(0, &light);
  device()->LightEnable(0, TRUE);
  D3DMATERIAL9 material{};
  material.Diffuse = {1, 1, 1, 1};
  device()->SetMaterial(&material);
  device()->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
  auto draw = [&](float nx, float ny, float nz) {
    NormalVertex quad[6] = {
        {-1, -1, -2, nx, ny, nz, 0, 0}, {-1, 1, -2, nx, ny, nz, 0, 0},
        {1, 1, -2, nx, ny, nz, 0, 0},   {-1, -1, -2, nx, ny, nz, 0, 0},
        {1, 1, -2, nx, ny, nz, 0, 0},   {1, -1, -2, nx, ny, nz, 0, 0}};
    device()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FF,
                    1.0f, 0);
    EXPECT_EQ(
        device()->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, sizeof quad[0]),
        S_OK);
    return Read();
  };
  std::vector<uint32_t> pixels = draw(0.0f, 0.6f, -0.8f);
  EXPECT_TRUE(ColorNear(PixelAt(pixels, 400, 300), 0xFF5C5C5C));
  EXPECT_TRUE(ColorNear(PixelAt(pixels, 210, 160), 0xFF5C5C5C));
  EXPECT_EQ(PixelAt(pixels, 190, 300), 0xFF0000FFu);  // outside the quad
  pixels = draw(0.0f, 0.0f, -1.0f);
  EXPECT_TRUE(ColorNear(PixelAt(pixels, 400, 300), 0xFF000000));
}

}  // namespace

TEST_F(DeviceTest, EnablingAnUnsetLightCreatesTheDefaultLight) {
  ASSERT_EQ(device()->LightEnable(3, TRUE), S_OK);
  D3DLIGHT9 light{};
  ASSERT_EQ(device()->GetLight(3, &light), S_OK);
  EXPECT_EQ(light.Type, D3DLIGHT_DIRECTIONAL);
  EXPECT_EQ(light.Diffuse.r, 1.0f);
  EXPECT_EQ(light.Diffuse.a, 0.0f);
  EXPECT_EQ(light.Direction.z, 1.0f);
  BOOL enabled = FALSE;
  device()->GetLightEnable(3, &enabled);
  EXPECT_TRUE(enabled);
}
