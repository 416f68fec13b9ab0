// Texture-coordinate transforms: D3DTSS_TEXTURETRANSFORMFLAGS with and
// without D3DTTFF_PROJECTED, worked out from Direct3D's rules:
//   - COUNT2..4: the set, as (u, v, 1, 0), goes through D3DTS_TEXTUREn;
//   - COUNT1 (and DISABLE): the coordinates stay as they are;
//   - PROJECTED: u and v are divided by the last coordinate, per pixel:
//     the COUNTth one after a transform, the set's own last one (v of a
//     two-float set) when nothing transformed it.
//
// Every vertex of a quad carries the same (u, v), so the whole quad shows
// one texel of a 64 x 64 gradient whose texel (x, y) is
// 0xFF000000 | 4x << 16 | 4y << 8, sampled with point filtering and CLAMP
// addressing (a coordinate of exactly 1 reads the last texel).
#include "test_scene.h"

namespace {

constexpr UINT kSize = 64;

uint32_t Texel(UINT x, UINT y) {
  return 0xFF000000u | (x * 4) << 16 | (y * 4) << 8;
}

class TextureTransformTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    if (HasFatalFailure()) return;
    texture_ = MakeTexture(kSize, kSize, Texel);
    PlainStates();
    device()->SetTexture(0, texture_);
    device()->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device()->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    device()->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    // Scale by 1/2 and move by (0.27, 0.125): a two-float set enters as
    // (u, v, 1, 0), so the third row is the translation.
    D3DMATRIX matrix = Scaling(0.5f, 0.5f, 1.0f);
    matrix._31 = 0.27f;
    matrix._32 = 0.125f;
    device()->SetTransform(D3DTS_TEXTURE0, &matrix);
    // World, view and projection identity: the quad spans NDC -0.5..0.5,
    // pixels 200..600 across and 150..450 down.
    device()->SetFVF(D3DFVF_XYZ | D3DFVF_TEX1);
  }
  void TearDown() override {
    if (texture_) texture_->Release();
    DeviceTest::TearDown();
  }

  // Left edge with (u0, v0), right edge with (u1, v1).
  std::vector<uint32_t> Draw(DWORD flags, float u0, float v0, float u1,
                             float v1) {
    device()->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, flags);
    TexVertex quad[6] = {
        {-0.5f, -0.5f, 0.5f, u0, v0}, {-0.5f, 0.5f, 0.5f, u0, v0},
        {0.5f, 0.5f, 0.5f, u1, v1},   {-0.5f, -0.5f, 0.5f, u0, v0},
        {0.5f, 0.5f, 0.5f, u1, v1},   {0.5f, -0.5f, 0.5f, u1, v1}};
    device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
    EXPECT_EQ(
        device()->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, sizeof quad[0]),
        S_OK);
    return Read();
  }
  uint32_t DrawOne(DWORD flags, float u, float v) {
    return PixelAt(Draw(flags, u, v, u, v), 400, 300);
  }

  IDirect3DTexture9* texture_ = nullptr;
};

// (u, v) = (0.2, 0.55) throughout.

TEST_F(TextureTransformTest, Count2TransformsTheSet) {
  // (0.5 * 0.2 + 0.27, 0.5 * 0.55 + 0.125) = (0.37, 0.4)
  // -> (23.68, 25.6) texels -> texel (23, 25).
  EXPECT_EQ(DrawOne(D3DTTFF_COUNT2, 0.2f, 0.55f), Texel(23, 25));
}

TEST_F(TextureTransformTest, DisableAndCount1LeaveTheSetAlone) {
  // (0.2, 0.55) -> (12.8, 35.2) texels -> texel (12, 35), matrix unused.
  EXPECT_EQ(DrawOne(D3DTTFF_DISABLE, 0.2f, 0.55f), Texel(12, 35));
  EXPECT_EQ(DrawOne(D3DTTFF_COUNT1, 0.2f, 0.55f), Texel(12, 35));
}

TEST_F(TextureTransformTest, ProjectedWithoutTransformDividesByTheSetsLast) {
  // Untransformed (0.2, 0.55) divided by v: (0.363636, 1.0)
  // -> u 23.27 texels, v clamped to the last row -> texel (23, 63).
  EXPECT_EQ(DrawOne(D3DTTFF_DISABLE | D3DTTFF_PROJECTED, 0.2f, 0.55f),
            Texel(23, 63));
  EXPECT_EQ(DrawOne(D3DTTFF_COUNT1 | D3DTTFF_PROJECTED, 0.2f, 0.55f),
            Texel(23, 63));
}

TEST_F(TextureTransformTest, ProjectedCount2DividesByTheTransformedV) {
  // (0.37, 0.4) / 0.4 = (0.925, 1.0) -> u 59.2 texels -> texel (59, 63).
  EXPECT_EQ(DrawOne(D3DTTFF_COUNT2 | D3DTTFF_PROJECTED, 0.2f, 0.55f),
            Texel(59, 63));
}

TEST_F(TextureTransformTest, ProjectedDivisionHappensPerPixel) {
  // Untransformed, divided by v. Left edge (0.1, 0.2), right edge
  // (0.9, 1.0); the identity projection keeps w = 1, so u and v
  // interpolate linearly. Pixel 400 (Direct3D samples pixel centres at
  // integers) sits halfway: (0.5, 0.6) -> u / v = 0.8333 -> 53.33 texels.
  // Dividing at the vertices instead (0.5 and 0.9) and interpolating would
  // give 0.7 -> texel 44.
  std::vector<uint32_t> pixels =
      Draw(D3DTTFF_DISABLE | D3DTTFF_PROJECTED, 0.1f, 0.2f, 0.9f, 1.0f);
  EXPECT_EQ(PixelAt(pixels, 400, 300), Texel(53, 63));
  // Near the left edge (x = 200), pixel 212: t = 12 / 400 = 0.03,
  // (0.124, 0.224) -> 0.5536 -> 35.43 texels (0.26 texels a pixel here).
  EXPECT_EQ(PixelAt(pixels, 212, 300), Texel(35, 63));
}

}  // namespace
