// Vertex blending with two and three weights (D3DVBF_2WEIGHTS,
// D3DVBF_3WEIGHTS): n weights from the vertex blend n + 1 world matrices,
// the last weight being 1 minus the others:
//   V = sum_i w_i (p . W_i . View)
//
// The four world matrices move by 4 units right, up, left and down; the
// projection scales x and y by 0.1, so one unit is 40 pixels across
// (800 / 2 * 0.1) and 30 pixels down (600 / 2 * 0.1), y up. A small quad
// (half-size 0.25: 10 x 7.5 pixels) at the origin lands at pixel
// (400 + 40 dx, 300 - 30 dy) for a blended offset (dx, dy).
#include <cstring>

#include "test_scene.h"

namespace {

struct Blend3Vertex {  // D3DFVF_XYZB3 | D3DFVF_DIFFUSE
  float x, y, z;
  float weights[3];
  D3DCOLOR color;
};

constexpr DWORD kXyzb2 = 0x008;
constexpr DWORD kXyzb3 = 0x00A;

class VertexBlendTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    if (HasFatalFailure()) return;
    PlainStates();
    const float moves[4][2] = {{4, 0}, {0, 4}, {-4, 0}, {0, -4}};
    for (int i = 0; i < 4; ++i) {
      D3DMATRIX world = Translation(moves[i][0], moves[i][1], 0.0f);
      device()->SetTransform(
          static_cast<D3DTRANSFORMSTATETYPE>(D3DTS_WORLD + i), &world);
    }
    D3DMATRIX projection = Scaling(0.1f, 0.1f, 0.5f);
    device()->SetTransform(D3DTS_PROJECTION, &projection);
  }

  // Draws the quad with `count` weights per vertex (1..3), all vertices
  // carrying `weights`, and returns the picture.
  std::vector<uint32_t> DrawQuad(DWORD blend, int count,
                                 std::initializer_list<float> weights) {
    device()->SetRenderState(D3DRS_VERTEXBLEND, blend);
    DWORD position = count == 1 ? D3DFVF_XYZB1 : count == 2 ? kXyzb2 : kXyzb3;
    DWORD fvf = position | D3DFVF_DIFFUSE;
    // Pack x, y, z, count weights, colour.
    const float corners[6][2] = {{-0.25f, -0.25f}, {-0.25f, 0.25f},
                                 {0.25f, 0.25f},   {-0.25f, -0.25f},
                                 {0.25f, 0.25f},   {0.25f, -0.25f}};
    const UINT stride = 12 + 4 * count + 4;
    std::vector<uint8_t> bytes(6 * stride);
    for (int v = 0; v < 6; ++v) {
      uint8_t* at = bytes.data() + v * stride;
      float xyz[3] = {corners[v][0], corners[v][1], 0.5f};
      std::memcpy(at, xyz, 12);
      std::memcpy(at + 12, weights.begin(), 4 * count);
      D3DCOLOR white = 0xFFFFFFFF;
      std::memcpy(at + 12 + 4 * count, &white, 4);
    }
    device()->SetFVF(fvf);
    device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    EXPECT_EQ(
        device()->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, bytes.data(), stride),
        S_OK);
    return Read();
  }
};

TEST_F(VertexBlendTest, TwoWeightsBlendThreeMatrices) {
  // w = (0.5, 0.25, 0.25): 0.5 (4, 0) + 0.25 (0, 4) + 0.25 (-4, 0) = (1, 1)
  // -> pixel (440, 270). World matrix 0 alone would put it at (560, 300).
  std::vector<uint32_t> pixels = DrawQuad(D3DVBF_2WEIGHTS, 2, {0.5f, 0.25f});
  EXPECT_EQ(PixelAt(pixels, 440, 270), 0xFFFFFFFFu);
  EXPECT_EQ(PixelAt(pixels, 560, 300), 0xFF000000u);
  EXPECT_EQ(PixelAt(pixels, 455, 270), 0xFF000000u);  // 15 px off: outside
}

TEST_F(VertexBlendTest, ThreeWeightsBlendFourMatrices) {
  // w = (0.5, 0.25, 0.125, 0.125): (2, 0) + (0, 1) + (-0.5, 0) + (0, -0.5)
  // = (1.5, 0.5) -> pixel (460, 285).
  std::vector<uint32_t> pixels =
      DrawQuad(D3DVBF_3WEIGHTS, 3, {0.5f, 0.25f, 0.125f});
  EXPECT_EQ(PixelAt(pixels, 460, 285), 0xFFFFFFFFu);
  EXPECT_EQ(PixelAt(pixels, 560, 300), 0xFF000000u);
  EXPECT_EQ(PixelAt(pixels, 440, 285), 0xFF000000u);
}

TEST_F(VertexBlendTest, OneWeightOfThreeBlendsTheFirstTwoMatrices) {
  // 1WEIGHTS reads the first weight only: 0.5 (4, 0) + 0.5 (0, 4) = (2, 2)
  // -> pixel (480, 240); the vertex's other two weights do not count.
  std::vector<uint32_t> pixels =
      DrawQuad(D3DVBF_1WEIGHTS, 3, {0.5f, 0.25f, 0.125f});
  EXPECT_EQ(PixelAt(pixels, 480, 240), 0xFFFFFFFFu);
  EXPECT_EQ(PixelAt(pixels, 460, 285), 0xFF000000u);
}

TEST_F(VertexBlendTest, WeightsTheVertexLacksCountAsZero) {
  // 3WEIGHTS with one weight in the vertex: w = (0.5, 0, 0, 0.5), so
  // 0.5 (4, 0) + 0.5 (0, -4) = (2, -2) -> pixel (480, 360).
  std::vector<uint32_t> pixels = DrawQuad(D3DVBF_3WEIGHTS, 1, {0.5f});
  EXPECT_EQ(PixelAt(pixels, 480, 360), 0xFFFFFFFFu);
  EXPECT_EQ(PixelAt(pixels, 480, 240), 0xFF000000u);
}

}  // namespace
