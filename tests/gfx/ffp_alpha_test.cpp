// What the device knows of the fixed-function alpha, and the draws it
// therefore sends to GL without blending or alpha test: the pixels must be
// those of the blended, tested draw.
#include "platform/gfx/ffp_alpha.h"

#include <epoxy/gl.h>

#include "platform/gfx/device_state.h"
#include "test_scene.h"

namespace {

using gfx::AlphaFacts;
using gfx::FixedFunctionKey;

// A key with stage 0 set up as given and stage 1 disabled.
FixedFunctionKey StageKey0(DWORD alphaOp, DWORD arg1, DWORD arg2,
                           bool texture) {
  FixedFunctionKey key;
  key.stages[0].colorOp = D3DTOP_SELECTARG1;
  key.stages[0].colorArg1 = D3DTA_TEXTURE;
  key.stages[0].alphaOp = alphaOp;
  key.stages[0].alphaArg1 = arg1;
  key.stages[0].alphaArg2 = arg2;
  key.stages[0].hasTexture = texture;
  key.stages[1].colorOp = D3DTOP_DISABLE;
  return key;
}

class FfpAlphaTest : public ::testing::Test {
 protected:
  void SetUp() override { gfx::InitDefaultState(&state, 800, 600); }
  gfx::DeviceState state;
};

TEST_F(FfpAlphaTest, OpaqueTextureSelectedAsAlphaGivesOne) {
  AlphaFacts facts;
  facts.textureOpaque[0] = true;
  const auto key = StageKey0(D3DTOP_SELECTARG1, D3DTA_TEXTURE, 0, true);
  EXPECT_TRUE(FixedFunctionAlphaIsOne(key, state, facts));
  facts.textureOpaque[0] = false;
  EXPECT_FALSE(FixedFunctionAlphaIsOne(key, state, facts));
}

TEST_F(FfpAlphaTest, DiffuseAlphaComesFromTheMaterialWhenLit) {
  AlphaFacts facts;
  facts.textureOpaque[0] = true;
  auto key = StageKey0(D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, true);
  key.vertex.lighting = 1;
  key.vertex.diffuseSource = gfx::kSourceMaterial;
  state.material.Diffuse.a = 1.0f;
  EXPECT_TRUE(FixedFunctionAlphaIsOne(key, state, facts));
  state.material.Diffuse.a = 0.5f;
  EXPECT_FALSE(FixedFunctionAlphaIsOne(key, state, facts));
  // From the vertices: known only when the draw says so.
  key.vertex.diffuseSource = gfx::kSourceVertexDiffuse;
  key.vertex.hasDiffuse = 1;
  EXPECT_FALSE(FixedFunctionAlphaIsOne(key, state, facts));
  facts.vertexDiffuseOpaque = true;
  EXPECT_TRUE(FixedFunctionAlphaIsOne(key, state, facts));
}

TEST_F(FfpAlphaTest, UnlitDiffuseIsOneWithoutVertexColours) {
  AlphaFacts facts;
  auto key = StageKey0(D3DTOP_SELECTARG1, D3DTA_DIFFUSE, 0, false);
  EXPECT_TRUE(FixedFunctionAlphaIsOne(key, state, facts));
  key.vertex.hasDiffuse = 1;
  EXPECT_FALSE(FixedFunctionAlphaIsOne(key, state, facts));
}

TEST_F(FfpAlphaTest, TextureFactorComplementAndUnfollowedArguments) {
  AlphaFacts facts;
  auto key = StageKey0(D3DTOP_SELECTARG1, D3DTA_TFACTOR, 0, false);
  state.renderStates[D3DRS_TEXTUREFACTOR] = 0xFF102030;
  EXPECT_TRUE(FixedFunctionAlphaIsOne(key, state, facts));
  state.renderStates[D3DRS_TEXTUREFACTOR] = 0xFE102030;
  EXPECT_FALSE(FixedFunctionAlphaIsOne(key, state, facts));
  // The complement of a one is zero.
  facts.textureOpaque[0] = true;
  key = StageKey0(D3DTOP_SELECTARG1, D3DTA_TEXTURE | D3DTA_COMPLEMENT, 0, true);
  EXPECT_FALSE(FixedFunctionAlphaIsOne(key, state, facts));
  // Replicating alpha into alpha changes nothing.
  key = StageKey0(D3DTOP_SELECTARG1, D3DTA_TEXTURE | D3DTA_ALPHAREPLICATE, 0,
                  true);
  EXPECT_TRUE(FixedFunctionAlphaIsOne(key, state, facts));
  // ADD, SUBTRACT and the rest are not followed.
  key = StageKey0(D3DTOP_ADD, D3DTA_TEXTURE, D3DTA_TEXTURE, true);
  EXPECT_FALSE(FixedFunctionAlphaIsOne(key, state, facts));
  key = StageKey0(D3DTOP_SELECTARG1, D3DTA_SPECULAR, 0, true);
  EXPECT_FALSE(FixedFunctionAlphaIsOne(key, state, facts));
}

TEST_F(FfpAlphaTest, StageWithoutItsTexturePassesTheDiffuseAlphaOn) {
  AlphaFacts facts;
  facts.textureOpaque[0] = true;  // (no texture bound: not asked)
  auto key = StageKey0(D3DTOP_SELECTARG1, D3DTA_TEXTURE, 0, false);
  EXPECT_TRUE(FixedFunctionAlphaIsOne(key, state, facts));  // diffuse one
  key.vertex.hasDiffuse = 1;
  EXPECT_FALSE(FixedFunctionAlphaIsOne(key, state, facts));
}

TEST_F(FfpAlphaTest, SecondStageCanTakeTheOneAway) {
  AlphaFacts facts;
  facts.textureOpaque[0] = true;
  auto key = StageKey0(D3DTOP_SELECTARG1, D3DTA_TEXTURE, 0, true);
  key.stages[1].colorOp = D3DTOP_SELECTARG1;
  key.stages[1].colorArg1 = D3DTA_CURRENT;
  key.stages[1].alphaOp = D3DTOP_MODULATE;
  key.stages[1].alphaArg1 = D3DTA_CURRENT;
  key.stages[1].alphaArg2 = D3DTA_TFACTOR;
  state.renderStates[D3DRS_TEXTUREFACTOR] = 0x80FFFFFF;
  EXPECT_FALSE(FixedFunctionAlphaIsOne(key, state, facts));
  state.renderStates[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFF;
  EXPECT_TRUE(FixedFunctionAlphaIsOne(key, state, facts));
}

TEST(AlphaTestPassesOpaqueTest, ComparesTheReferenceLowByteWith255) {
  EXPECT_TRUE(gfx::AlphaTestPassesOpaque(D3DCMP_GREATER, 0));
  EXPECT_TRUE(gfx::AlphaTestPassesOpaque(D3DCMP_GREATER, 254));
  EXPECT_FALSE(gfx::AlphaTestPassesOpaque(D3DCMP_GREATER, 255));
  EXPECT_TRUE(gfx::AlphaTestPassesOpaque(D3DCMP_GREATER, 0x1FE));  // low byte
  EXPECT_TRUE(gfx::AlphaTestPassesOpaque(D3DCMP_GREATEREQUAL, 255));
  EXPECT_TRUE(gfx::AlphaTestPassesOpaque(D3DCMP_EQUAL, 255));
  EXPECT_FALSE(gfx::AlphaTestPassesOpaque(D3DCMP_EQUAL, 128));
  EXPECT_FALSE(gfx::AlphaTestPassesOpaque(D3DCMP_NOTEQUAL, 255));
  EXPECT_FALSE(gfx::AlphaTestPassesOpaque(D3DCMP_LESS, 255));
  EXPECT_TRUE(gfx::AlphaTestPassesOpaque(D3DCMP_LESSEQUAL, 255));
  EXPECT_FALSE(gfx::AlphaTestPassesOpaque(D3DCMP_NEVER, 0));
  EXPECT_TRUE(gfx::AlphaTestPassesOpaque(D3DCMP_ALWAYS, 0));
}

TEST(BlendCopiesOpaqueSourceTest, SourceAlphaBlendsAndTheirShorthand) {
  EXPECT_TRUE(gfx::BlendCopiesOpaqueSource(
      D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DBLENDOP_ADD));
  EXPECT_TRUE(gfx::BlendCopiesOpaqueSource(D3DBLEND_BOTHSRCALPHA, D3DBLEND_ZERO,
                                           D3DBLENDOP_ADD));
  EXPECT_FALSE(gfx::BlendCopiesOpaqueSource(
      D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DBLENDOP_MAX));
  EXPECT_FALSE(
      gfx::BlendCopiesOpaqueSource(D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_ADD));
  EXPECT_FALSE(gfx::BlendCopiesOpaqueSource(
      D3DBLEND_SRCALPHA, D3DBLEND_INVBLENDFACTOR, D3DBLENDOP_ADD));
}

// On the device: an opaque texture drawn with source-alpha blending and a
// GREATER 0 alpha test over a picture gives the pixels of the same draw
// with blending and test (read with a texture whose alpha is 254 the draw
// must blend), and the device leaves GL's blending off for it.
TEST_F(DeviceTest, OpaqueSourceDrawsUnblendedWithTheSamePixels) {
  PlainStates();
  auto texel = [](UINT x, UINT y) {
    return 0xFF000000u | ((x * 37) & 0xFF) << 16 | ((y * 11) & 0xFF) << 8 |
           0x40;
  };
  IDirect3DTexture9* opaque = MakeTexture(64, 64, texel, 7);
  ASSERT_NE(opaque, nullptr);
  device()->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device()->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device()->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  device()->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
  device()->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
  device()->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  device()->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  device()->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
  device()->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
  auto draw = [&](IDirect3DTexture9* texture, D3DCOLOR color) {
    device()->SetTexture(0, nullptr);
    device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF204060, 1.0f, 0);
    DrawScreenRect(0, 0, 800, 600, 0xC0A0B0C0);  // a half-covered background
    device()->SetTexture(0, texture);
    DrawScreenRect(10.3f, 20.6f, 700.2f, 500.9f, color);
    return Read();
  };
  const std::vector<uint32_t> unblended = draw(opaque, 0xFFFFFFFF);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  // The same texture under a diffuse alpha of 254/255 blends: it differs,
  // so the comparison below would see a blend that went wrong.
  const std::vector<uint32_t> blended = draw(opaque, 0xFEFFFFFF);
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  EXPECT_NE(blended, unblended);
  // Reference: what GL's blending makes of alpha 255 in a draw the device
  // cannot prove opaque (vertex colours from a buffer are not looked at).
  device()->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device()->SetTexture(0, nullptr);
  device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF204060, 1.0f, 0);
  DrawScreenRect(0, 0, 800, 600, 0xC0A0B0C0);
  device()->SetTexture(0, opaque);
  // DrawScreenRect's two triangles, from a vertex buffer.
  const float x0 = 10.3f - 0.5f, y0 = 20.6f - 0.5f;
  const float x1 = 700.2f - 0.5f, y1 = 500.9f - 0.5f;
  const ScreenVertex quad[6] = {{x0, y0, 0.5f, 1.0f, 0xFFFFFFFF, 0.0f, 0.0f},
                                {x1, y0, 0.5f, 1.0f, 0xFFFFFFFF, 1.0f, 0.0f},
                                {x0, y1, 0.5f, 1.0f, 0xFFFFFFFF, 0.0f, 1.0f},
                                {x1, y0, 0.5f, 1.0f, 0xFFFFFFFF, 1.0f, 0.0f},
                                {x1, y1, 0.5f, 1.0f, 0xFFFFFFFF, 1.0f, 1.0f},
                                {x0, y1, 0.5f, 1.0f, 0xFFFFFFFF, 0.0f, 1.0f}};
  IDirect3DVertexBuffer9* buffer =
      MakeVertexBuffer(quad, sizeof quad, kScreenFvf);
  device()->SetFVF(kScreenFvf);
  device()->SetStreamSource(0, buffer, 0, sizeof(ScreenVertex));
  device()->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2);
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  const std::vector<uint32_t> reference = Read();
  int differing = 0;
  for (size_t i = 0; i < reference.size(); ++i)
    differing += reference[i] != unblended[i];
  EXPECT_EQ(differing, 0);
  buffer->Release();
  opaque->Release();
}

}  // namespace
