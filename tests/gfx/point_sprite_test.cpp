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
