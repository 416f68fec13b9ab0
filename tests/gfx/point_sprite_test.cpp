// Point sprites: size from the vertex, distance scaling with the viewport
// height, clamping, and the texture spanning each point.
#include "test_scene.h"

namespace {

class PointSpriteTest : public DeviceTest {
 protected:
  // Draws one point of the show's vertex format at camera (0, 0, z) and
  // returns the coloured run along row 300 and column 400 (first, count).
  void DrawPoint(float z, float size, int* firstX, int* countX, int* firstY,
                 int* countY) {
    PlainStates();
    D3DMATRIX projection = PerspectiveFovLH(0.785398f, 4.0f / 3.0f, 1, 1000);
    device()->SetTransform(D3DTS_PROJECTION, &projection);
    device()->SetFVF(D3DFVF_XYZ | D3DFVF_PSIZE | D3DFVF_DIFFUSE);
    PointVertex point = {0.0f, 0.0f, z, size, 0xFFFFFFFF};
    device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    EXPECT_EQ(
        device()->DrawPrimitiveUP(D3DPT_POINTLIST, 1, &point, sizeof point),
        S_OK);
    std::vector<uint32_t> pixels = Read();
    *firstX = *firstY = -1;
    *countX = *countY = 0;
    for (int x = 0; x < 800; ++x)
      if (PixelAt(pixels, x, 300) != 0xFF000000u) {
        if (*firstX < 0) *firstX = x;
        ++*countX;
      }
    for (int y = 0; y < 600; ++y)
      if (PixelAt(pixels, 400, y) != 0xFF000000u) {
        if (*firstY < 0) *firstY = y;
        ++*countY;
      }
  }
};

TEST_F(PointSpriteTest, ScaledSizeFollowsViewportHeightAndDistance) {
  device()->SetRenderState(D3DRS_POINTSCALEENABLE, TRUE);
  device()->SetRenderState(D3DRS_POINTSCALE_B, 0x3F800000);  // 1.0
  // Ss = Vh * Si * sqrt(1 / (A + B * De)) = 600 * Si / sqrt(1 + 99) =
  // 60 * Si; Si = 31/60 gives 31 pixels, centred on pixel (400, 300).
  int fx, cx, fy, cy;
  DrawPoint(99.0f, 31.0f / 60.0f, &fx, &cx, &fy, &cy);
  EXPECT_EQ(cx, 31);
  EXPECT_EQ(fx, 385);
  EXPECT_EQ(cy, 31);
  EXPECT_EQ(fy, 285);
}

TEST_F(PointSpriteTest, UnscaledSizeIsInPixelsAndRenderStateIsIgnored) {
  device()->SetRenderState(D3DRS_POINTSIZE, 0x40400000);  // 3.0, ignored
  int fx, cx, fy, cy;
  DrawPoint(50.0f, 9.0f, &fx, &cx, &fy, &cy);
  EXPECT_EQ(cx, 9);
  EXPECT_EQ(fx, 396);
}

TEST_F(PointSpriteTest, ZeroSizeBecomesOnePixelAndLargeSizesClampAt64) {
  int fx, cx, fy, cy;
  DrawPoint(50.0f, 0.0f, &fx, &cx, &fy, &cy);
  EXPECT_EQ(cx, 1);
  EXPECT_EQ(fx, 400);
  DrawPoint(50.0f, 201.0f, &fx, &cx, &fy, &cy);
  EXPECT_EQ(cx, 64);
}

TEST_F(PointSpriteTest, SpriteTextureSpansThePointTopLeftFirst) {
  // Quadrants: top-left red, top-right green, bottom-left blue,
  // bottom-right white.
  IDirect3DTexture9* texture = MakeTexture(2, 2, [](UINT x, UINT y) {
    static const uint32_t kColors[2][2] = {{0xFFFF0000, 0xFF00FF00},
                                           {0xFF0000FF, 0xFFFFFFFF}};
    return kColors[y][x];
  });
  device()->SetTexture(0, texture);
  device()->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  device()->SetRenderState(D3DRS_POINTSPRITEENABLE, TRUE);
  int fx, cx, fy, cy;
  DrawPoint(50.0f, 31.0f, &fx, &cx, &fy, &cy);
  std::vector<uint32_t> pixels = Read();
  EXPECT_EQ(PixelAt(pixels, 390, 290), 0xFFFF0000u);
  EXPECT_EQ(PixelAt(pixels, 410, 290), 0xFF00FF00u);
  EXPECT_EQ(PixelAt(pixels, 390, 310), 0xFF0000FFu);
  EXPECT_EQ(PixelAt(pixels, 410, 310), 0xFFFFFFFFu);
  texture->Release();
}

}  // namespace

namespace {

struct ScreenPoint {  // D3DFVF_XYZRHW | D3DFVF_PSIZE | D3DFVF_DIFFUSE
  float x, y, z, rhw, size;
  D3DCOLOR color;
};

int CountRow(const std::vector<uint32_t>& pixels, int y, uint32_t color) {
  int count = 0;
  for (int x = 0; x < 800; ++x)
    if (PixelAt(pixels, x, y) == color) ++count;
  return count;
}

}  // namespace

TEST_F(DeviceTest, PointAcrossTheEdgeKeepsItsVisiblePart) {
  PlainStates();
  device()->SetFVF(D3DFVF_XYZRHW | D3DFVF_PSIZE | D3DFVF_DIFFUSE);
  // Centre 5 pixels left of the screen, side 31: columns -20..10 are
  // covered, 0..10 visible. GL alone would drop the whole point.
  ScreenPoint point = {-5.0f, 300.0f, 0.5f, 1.0f, 31.0f, 0xFFFFFFFF};
  device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  ASSERT_EQ(device()->DrawPrimitiveUP(D3DPT_POINTLIST, 1, &point, sizeof point),
            S_OK);
  std::vector<uint32_t> pixels = Read();
  EXPECT_EQ(CountRow(pixels, 300, 0xFFFFFFFFu), 11);
  EXPECT_EQ(PixelAt(pixels, 10, 300), 0xFFFFFFFFu);
  EXPECT_EQ(PixelAt(pixels, 11, 300), 0xFF000000u);
}

TEST_F(DeviceTest, FillModeAndCullingLeavePointsAlone) {
  PlainStates();
  device()->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
  device()->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
  device()->SetFVF(D3DFVF_XYZRHW | D3DFVF_PSIZE | D3DFVF_DIFFUSE);
  ScreenPoint point = {400.0f, 300.0f, 0.5f, 1.0f, 9.0f, 0xFFFFFFFF};
  device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  device()->DrawPrimitiveUP(D3DPT_POINTLIST, 1, &point, sizeof point);
  std::vector<uint32_t> pixels = Read();
  EXPECT_EQ(CountRow(pixels, 300, 0xFFFFFFFFu), 9);  // a filled square
  EXPECT_EQ(PixelAt(pixels, 400, 300), 0xFFFFFFFFu);
  // The next triangle draw is wireframe again.
  ScreenVertex triangle[3] = {{100, 100, 0.5f, 1, 0xFFFF0000, 0, 0},
                              {300, 100, 0.5f, 1, 0xFFFF0000, 0, 0},
                              {100, 300, 0.5f, 1, 0xFFFF0000, 0, 0}};
  device()->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device()->SetFVF(kScreenFvf);
  device()->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle,
                            sizeof triangle[0]);
  pixels = Read();
  EXPECT_EQ(PixelAt(pixels, 200, 100), 0xFFFF0000u);
  EXPECT_EQ(PixelAt(pixels, 150, 150), 0xFF000000u);
}

// The point swarm as the Arms section draws it: D3DPT_POINTLIST through a
// 32-bit index buffer, FVF XYZ | PSIZE | DIFFUSE (20 bytes), sprites and
// scaling on, POINTSCALE_B = 1 with A = 1, C = 0 left at their defaults,
// D3DRS_POINTSIZE 3.0 (ignored: the vertices carry sizes), POINTSIZE_MIN
// 1.0, lighting on with a point light (the points have no normals; the
// stage ignores the lit colour), additive blending SRCALPHA / ONE, no
// depth test.
//
// Size: S = clamp(Vh * Si * sqrt(1 / (A + B * De + C * De^2)), MIN, 64)
// with De the eye distance and Vh the viewport height. The projection is
// x' = x / (2z), y' = y / (2z), w = z, so a point at camera (x, y, z)
// lands at pixel (400 + 200 x / z, 300 - 150 y / z):
//   P1 (0, 0, 99):    De = 99,  sqrt(1 + 99) = 10,  Si = 21.5 / 60
//                     -> S = 600 * Si / 10 = 21.5 -> 21 pixels (edges at
//                     +-10.75 from the centre pixel) at (400, 300)
//   P2 (60, 0, 80):   De = 100, Si = 0.259622 -> S = 600 * Si /
//                     sqrt(101) = 15.5 -> 15 pixels at (550, 300)
//   P3 (0, 40, 30):   De = 50,  Si = 1.12 -> 600 * 1.12 / sqrt(51) = 94.1,
//                     clamped to 64 pixels, at (400, 100)
//   P4 (-60, 0, 80):  De = 100, Si = 0 -> 0, clamped up to POINTSIZE_MIN:
//                     one pixel at (250, 300)
//
// The sprite texture is 3 x 3: corner texels red (alpha 1), green (alpha
// 128/255), blue (1) and white (64/255) from the top-left, clockwise to
// bottom-left as (0,0) (2,0) (0,2) (2,2); the centre texel yellow; the
// rest grey. Sprite coordinates run (0, 0) at the top-left corner of the
// square to (1, 1) at its bottom-right, so a pixel 5 left and 5 above the
// centre of P1 reads ((10.75 - 5) / 21.5) * 3 = 0.80 -> texel (0, 0). A
// one-pixel point samples its centre, (0.5, 0.5): the yellow texel.
//
// Blending adds src * As to the clear colour (32, 32, 32): red -> (255,
// 32, 32); green at alpha 128/255 -> (32, 32 + 128, 32).
//
// Direct3D 9 has no point fade: a point below one pixel is drawn one full
// pixel of its colour (the yellow pixel of P4 is yellow, not a dimmed
// one), and nothing fades with distance beyond the size formula.
TEST_F(DeviceTest, ArmsPointSwarmSizesClampsAndSpriteCoordinates) {
  struct ArmsVertex {  // D3DFVF_XYZ | D3DFVF_PSIZE | D3DFVF_DIFFUSE
    float x, y, z, size;
    D3DCOLOR color;
  };
  static_assert(sizeof(ArmsVertex) == 20);
  const ArmsVertex points[4] = {{0.0f, 0.0f, 99.0f, 21.5f / 60.0f, 0xFFFFFFFF},
                                {60.0f, 0.0f, 80.0f, 0.259622f, 0xFFFFFFFF},
                                {0.0f, 40.0f, 30.0f, 1.12f, 0xFFFFFFFF},
                                {-60.0f, 0.0f, 80.0f, 0.0f, 0xFFFFFFFF}};
  const DWORD fvf = D3DFVF_XYZ | D3DFVF_PSIZE | D3DFVF_DIFFUSE;
  IDirect3DVertexBuffer9* vb = MakeVertexBuffer(points, sizeof points, fvf);
  IDirect3DIndexBuffer9* ib = MakeIndexBuffer({3, 1, 0, 2});
  IDirect3DTexture9* sprite = MakeTexture(3, 3, [](UINT x, UINT y) {
    if (x == 1 && y == 1) return 0xFFFFFF00u;
    if (x == 0 && y == 0) return 0xFFFF0000u;
    if (x == 2 && y == 0) return 0x8000FF00u;
    if (x == 0 && y == 2) return 0xFF0000FFu;
    if (x == 2 && y == 2) return 0x40FFFFFFu;
    return 0xFF808080u;
  });
  D3DMATRIX projection{};
  projection._11 = 0.5f;
  projection._22 = 0.5f;
  projection._33 = 1.0f;
  projection._34 = 1.0f;
  projection._43 = -1.0f;
  device()->SetTransform(D3DTS_PROJECTION, &projection);
  D3DLIGHT9 light{};
  light.Type = D3DLIGHT_POINT;
  light.Diffuse = {255, 255, 255, 1};
  light.Specular = {255, 255, 255, 1};
  light.Attenuation1 = 1.0f;
  light.Attenuation2 = 0.7f;
  light.Range = 230.0f;
  device()->SetLight(0, &light);
  device()->LightEnable(0, TRUE);
  device()->SetRenderState(D3DRS_LIGHTING, TRUE);
  device()->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  device()->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device()->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device()->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device()->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  device()->SetRenderState(D3DRS_POINTSPRITEENABLE, TRUE);
  device()->SetRenderState(D3DRS_POINTSCALEENABLE, TRUE);
  device()->SetRenderState(D3DRS_POINTSCALE_B, 0x3F800000);  // 1.0
  device()->SetRenderState(D3DRS_POINTSIZE, 0x40400000);     // 3.0
  device()->SetTexture(0, sprite);
  device()->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  device()->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  device()->SetFVF(fvf);
  device()->SetStreamSource(0, vb, 0, sizeof(ArmsVertex));
  device()->SetIndices(ib);
  auto draw = [&] {
    device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF202020, 1.0f, 0);
    EXPECT_EQ(device()->DrawIndexedPrimitive(D3DPT_POINTLIST, 0, 0, 4, 0, 4),
              S_OK);
    return Read();
  };
  const uint32_t clear = 0xFF202020;
  auto run = [&](const std::vector<uint32_t>& pixels, int y, int x0, int x1) {
    int count = 0;
    for (int x = x0; x < x1; ++x) count += PixelAt(pixels, x, y) != clear;
    return count;
  };
  auto column = [&](const std::vector<uint32_t>& pixels, int x, int y0,
                    int y1) {
    int count = 0;
    for (int y = y0; y < y1; ++y) count += PixelAt(pixels, x, y) != clear;
    return count;
  };
  std::vector<uint32_t> pixels = draw();
  KeepPicture("arms_points", pixels);
  EXPECT_EQ(run(pixels, 300, 350, 450), 21);  // P1
  EXPECT_NE(PixelAt(pixels, 390, 300), clear);
  EXPECT_NE(PixelAt(pixels, 410, 300), clear);
  EXPECT_EQ(column(pixels, 400, 250, 350), 21);
  EXPECT_EQ(run(pixels, 300, 500, 600), 15);  // P2
  EXPECT_EQ(run(pixels, 100, 300, 500), 64);  // P3
  EXPECT_EQ(column(pixels, 400, 20, 180), 64);
  EXPECT_EQ(run(pixels, 300, 200, 300), 1);  // P4
  // Quadrants of P1, 5 pixels from its centre; the top is v = 0.
  EXPECT_TRUE(ColorNear(PixelAt(pixels, 395, 295), 0xFFFF2020));
  EXPECT_TRUE(ColorNear(PixelAt(pixels, 405, 295), 0xFF20A020));
  EXPECT_TRUE(ColorNear(PixelAt(pixels, 395, 305), 0xFF2020FF));
  // White at alpha 64/255 adds 64 to each channel: 96.
  EXPECT_TRUE(ColorNear(PixelAt(pixels, 405, 305), 0xFF606060));
  // The clamped P3, 20 pixels from its centre (texel (40 - 20) / 64 * 3 =
  // 0.56 -> column 0; row 0): red.
  EXPECT_TRUE(ColorNear(PixelAt(pixels, 380, 80), 0xFFFF2020));
  // The one-pixel P4 shows the centre texel at full strength.
  EXPECT_TRUE(ColorNear(PixelAt(pixels, 250, 300), 0xFFFFFF20));

  // Half the viewport height halves the scaled size: a 400 x 300 viewport
  // puts P1 at its centre (200, 150) with S = 300 * Si / 10 = 10.75 -> 11.
  D3DVIEWPORT9 half = {0, 0, 400, 300, 0.0f, 1.0f};
  device()->SetViewport(&half);
  pixels = draw();
  EXPECT_EQ(run(pixels, 150, 150, 250), 11);
  EXPECT_EQ(column(pixels, 200, 100, 200), 11);

  device()->SetTexture(0, nullptr);
  device()->SetStreamSource(0, nullptr, 0, 0);
  device()->SetIndices(nullptr);
  sprite->Release();
  vb->Release();
  ib->Release();
}
