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
