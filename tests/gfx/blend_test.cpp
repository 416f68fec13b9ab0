// Frame-buffer blending, depth, alpha test, culling and fill mode.
#include "test_scene.h"

TEST_F(DeviceTest, MaxBlendTakesPerChannelMaximum) {
  PlainStates();
  device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0x8040C020, 1.0f, 0);
  device()->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device()->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_MAX);
  device()->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
  device()->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  DrawScreenRect(0, 0, 800, 600, 0x10806010);
  EXPECT_EQ(PixelAt(Read(), 400, 300), 0x8080C020u);
}

TEST_F(DeviceTest, InvBlendFactorDropsDestinationColour) {
  PlainStates();
  device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF808080, 1.0f, 0);
  device()->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device()->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device()->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVBLENDFACTOR);
  device()->SetRenderState(D3DRS_BLENDFACTOR, 0x7FFFFFFF);
  DrawScreenRect(0, 0, 800, 600, 0x80FF4020);
  // Factor (1, 1, 1, 127/255): rgb = src * As + dst * 0;
  // a = As * As + Ad * (1 - 127/255).
  float as = 128.0f / 255.0f;
  uint32_t expected = ArgbFromFloats(as * as + 128.0f / 255.0f, as,
                                     as * 64.0f / 255.0f, as * 32.0f / 255.0f);
  EXPECT_TRUE(ColorNear(PixelAt(Read(), 400, 300), expected));
}

TEST_F(DeviceTest, SourceAlphaBlendMixesWithDestination) {
  PlainStates();
  device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
  device()->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device()->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device()->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  DrawScreenRect(0, 0, 800, 600, 0x40FF0000);
  float as = 64.0f / 255.0f;
  EXPECT_TRUE(ColorNear(PixelAt(Read(), 400, 300),
                        ArgbFromFloats(as * as + (1 - as), as, 0, 1 - as)));
}

TEST_F(DeviceTest, DepthCompareLessRejectsEqualLessEqualAccepts) {
  PlainStates();
  device()->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  device()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000,
                  1.0f, 0);
  DrawScreenRect(0, 0, 800, 600, 0xFFFF0000, 0.5f);
  device()->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
  DrawScreenRect(0, 0, 800, 600, 0xFF00FF00, 0.5f);
  EXPECT_EQ(PixelAt(Read(), 400, 300), 0xFFFF0000u);
  device()->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
  DrawScreenRect(0, 0, 800, 600, 0xFF00FF00, 0.5f);
  EXPECT_EQ(PixelAt(Read(), 400, 300), 0xFF00FF00u);
  // Writes off: a nearer quad draws but leaves the depth at 0.5.
  device()->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  DrawScreenRect(0, 0, 800, 600, 0xFF0000FF, 0.25f);
  device()->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
  device()->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
  DrawScreenRect(0, 0, 800, 600, 0xFFFFFFFF, 0.4f);
  EXPECT_EQ(PixelAt(Read(), 400, 300), 0xFFFFFFFFu);
}

TEST_F(DeviceTest, AlphaTestGreaterZeroDiscardsTransparentTexels) {
  PlainStates();
  IDirect3DTexture9* texture = MakeTexture(
      2, 1, [](UINT x, UINT) { return x == 0 ? 0x00FF0000u : 0x01FF0000u; });
  device()->SetTexture(0, texture);
  device()->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  device()->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
  device()->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
  device()->SetRenderState(D3DRS_ALPHAREF, 0);
  device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
  DrawScreenRect(0, 0, 2, 1, 0xFFFFFFFF);
  std::vector<uint32_t> pixels = Read();
  EXPECT_EQ(PixelAt(pixels, 0, 0), 0xFF0000FFu);  // alpha 0: discarded
  EXPECT_EQ(PixelAt(pixels, 1, 0), 0x01FF0000u);  // alpha 1/255 passes
  texture->Release();
}

TEST_F(DeviceTest, CullingFollowsOnScreenWinding) {
  PlainStates();
  device()->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
  device()->SetFVF(kScreenFvf);
  // Clockwise on screen (y down): right, then down-left.
  ScreenVertex clockwise[3] = {{100, 100, 0.5f, 1, 0xFFFF0000, 0, 0},
                               {200, 100, 0.5f, 1, 0xFFFF0000, 0, 0},
                               {100, 200, 0.5f, 1, 0xFFFF0000, 0, 0}};
  ScreenVertex counter[3] = {clockwise[0], clockwise[2], clockwise[1]};
  for (ScreenVertex& v : counter) v.color = 0xFF00FF00;
  device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  device()->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, counter, sizeof counter[0]);
  EXPECT_EQ(PixelAt(Read(), 120, 120), 0xFF000000u);  // culled
  device()->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, clockwise,
                            sizeof clockwise[0]);
  EXPECT_EQ(PixelAt(Read(), 120, 120), 0xFFFF0000u);
  device()->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
  device()->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, counter, sizeof counter[0]);
  EXPECT_EQ(PixelAt(Read(), 120, 120), 0xFF00FF00u);
}

TEST_F(DeviceTest, WireframeDrawsEdgesOnly) {
  PlainStates();
  device()->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
  device()->SetFVF(kScreenFvf);
  // The top edge runs along the centres of row 100; the left edge along
  // the centres of column 100.
  ScreenVertex triangle[3] = {{100, 100, 0.5f, 1, 0xFFFFFFFF, 0, 0},
                              {300, 100, 0.5f, 1, 0xFFFFFFFF, 0, 0},
                              {100, 300, 0.5f, 1, 0xFFFFFFFF, 0, 0}};
  device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  device()->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle,
                            sizeof triangle[0]);
  std::vector<uint32_t> pixels = Read();
  EXPECT_EQ(PixelAt(pixels, 200, 100), 0xFFFFFFFFu);  // top edge
  EXPECT_EQ(PixelAt(pixels, 100, 200), 0xFFFFFFFFu);  // left edge
  EXPECT_EQ(PixelAt(pixels, 200, 99), 0xFF000000u);
  EXPECT_EQ(PixelAt(pixels, 200, 101), 0xFF000000u);
  EXPECT_EQ(PixelAt(pixels, 150, 150), 0xFF000000u);  // interior stays empty
  device()->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
  device()->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle,
                            sizeof triangle[0]);
  EXPECT_EQ(PixelAt(Read(), 150, 150), 0xFFFFFFFFu);
}
