// Generated texture coordinates (camera-space normal, sphere map) and
// one-weight vertex blending.
#include <cmath>

#include "test_scene.h"

namespace {

constexpr UINT kGradientSize = 64;
// Texel (x, y) of the gradient encodes its own address.
uint32_t GradientTexel(UINT x, UINT y) {
  return 0xFF000000u | (x * 4) << 16 | (y * 4) << 8;
}

class TexGenTest : public DeviceTest {
 protected:
  // A small quad at camera z = 10 whose vertices all carry `normal`,
  // sampling the gradient with point filtering through stage 0's
  // generated coordinates.
  uint32_t DrawWithNormal(float nx, float ny, float nz, DWORD texGen,
                          float halfSize = 1.0f) {
    texture_ = MakeTexture(kGradientSize, kGradientSize, GradientTexel);
    float s = halfSize;
    NormalVertex quad[6] = {
        {-s, -s, 10, nx, ny, nz, 0, 0}, {-s, s, 10, nx, ny, nz, 0, 0},
        {s, s, 10, nx, ny, nz, 0, 0},   {-s, -s, 10, nx, ny, nz, 0, 0},
        {s, s, 10, nx, ny, nz, 0, 0},   {s, -s, 10, nx, ny, nz, 0, 0}};
    D3DMATRIX projection = PerspectiveFovLH(0.785398f, 4.0f / 3.0f, 1, 100);
    device()->SetTransform(D3DTS_PROJECTION, &projection);
    PlainStates();
    device()->SetTexture(0, texture_);
    device()->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device()->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, texGen);
    device()->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
    device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
    EXPECT_EQ(
        device()->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, sizeof quad[0]),
        S_OK);
    texture_->Release();
    return PixelAt(Read(), 400, 300);
  }

  // The gradient texel under texture coordinates (u, v) with wrapping;
  // the test refuses coordinates too close to a texel edge to be fair.
  uint32_t ExpectedTexel(float u, float v) {
    float x = (u - std::floor(u)) * kGradientSize;
    float y = (v - std::floor(v)) * kGradientSize;
    EXPECT_GT(x - std::floor(x), 0.05f);
    EXPECT_LT(x - std::floor(x), 0.95f);
    EXPECT_GT(y - std::floor(y), 0.05f);
    EXPECT_LT(y - std::floor(y), 0.95f);
    return GradientTexel(static_cast<UINT>(x), static_cast<UINT>(y));
  }

  IDirect3DTexture9* texture_ = nullptr;
};

TEST_F(TexGenTest, CameraSpaceNormalWrapsNegativeCoordinates) {
  // u = N.x = -0.3 wraps to 0.7; v = N.y = 0.55; no bias added.
  uint32_t pixel =
      DrawWithNormal(-0.3f, 0.55f, 0.8f, D3DTSS_TCI_CAMERASPACENORMAL);
  EXPECT_EQ(pixel, ExpectedTexel(0.7f, 0.55f));
}

TEST_F(TexGenTest, SphereMapFollowsReflectionFormula) {
  // A small quad on the view axis: I = norm(V) ~ (0, 0, 1) at the centre.
  float n[3] = {0.36f, 0.48f, -0.8f};
  float i[3] = {0.0f, 0.0f, 1.0f};
  float ndoti = n[0] * i[0] + n[1] * i[1] + n[2] * i[2];
  float r[3];
  for (int k = 0; k < 3; ++k) r[k] = i[k] - 2.0f * ndoti * n[k];
  float m = 2.0f * std::sqrt(r[0] * r[0] + r[1] * r[1] +
                             (r[2] + 1.0f) * (r[2] + 1.0f));
  float u = r[0] / m + 0.5f, v = r[1] / m + 0.5f;
  uint32_t pixel = DrawWithNormal(n[0], n[1], n[2], D3DTSS_TCI_SPHEREMAP, 0.1f);
  EXPECT_EQ(pixel, ExpectedTexel(u, v));
}

TEST_F(TexGenTest, SphereMapCentreIsFinite) {
  // Normal straight back at the viewer: R = (0, 0, -1), m = 0. The guard
  // keeps the result finite (the pixel is some texel, not garbage/NaN
  // black from an undefined division).
  uint32_t pixel =
      DrawWithNormal(0.0f, 0.0f, -1.0f, D3DTSS_TCI_SPHEREMAP, 0.1f);
  EXPECT_EQ(Alpha(pixel), 0xFF);
  EXPECT_EQ(Blue(pixel), 0);  // not the clear colour: the quad was drawn
}

// Generated coordinates under the worlds the Titrek and Tunnel sections
// give their meshes: a uniform scale (0.2 or 0.03) and a rotation. Normals
// go through the inverse transpose of the world (view identity): for
// W = s * Rz(a), that is Rz(a) / s, so a unit object normal comes out 1/s
// long (5 or 33.3) and stays so: NORMALIZENORMALS is FALSE and neither
// texgen normalises.
//   CAMERASPACENORMAL: (u, v) = (N.x, N.y), wrapped.
//   SPHEREMAP: I = norm(V), R = I - 2 (N.I) N, m = 2 |R + (0, 0, 1)|,
//              (u, v) = (R.x / m + 0.5, R.y / m + 0.5); with |N| large,
//              R is nearly -2 (N.I) N.
// The quad is 0.1 on a side around (0, 0, 10) in camera space; the centre
// pixel lies on the diagonal between corners 0 and 2, at the same depth,
// so it shows the mean of their coordinates.
class ScaledWorldTexGenTest : public TexGenTest {
 protected:
  struct Coordinates {
    float u, v;
  };
  // Camera-space normal and position of a corner.
  static void Transform(float scale, float angle, const float n[3],
                        float cornerX, float cornerY, float N[3], float V[3]) {
    float c = std::cos(angle), s = std::sin(angle);
    // Row vectors: n . Rz = (nx c - ny s, nx s + ny c, nz), then / scale.
    N[0] = (n[0] * c - n[1] * s) / scale;
    N[1] = (n[0] * s + n[1] * c) / scale;
    N[2] = n[2] / scale;
    // Corners are given in camera units; the world undoes the object
    // scale, so only the rotation moves them.
    V[0] = cornerX * c - cornerY * s;
    V[1] = cornerX * s + cornerY * c;
    V[2] = 10.0f;
  }
  static Coordinates SphereMap(const float N[3], const float V[3]) {
    float length = std::sqrt(V[0] * V[0] + V[1] * V[1] + V[2] * V[2]);
    float I[3] = {V[0] / length, V[1] / length, V[2] / length};
    float ndoti = N[0] * I[0] + N[1] * I[1] + N[2] * I[2];
    float R[3];
    for (int k = 0; k < 3; ++k) R[k] = I[k] - 2.0f * ndoti * N[k];
    float m = 2.0f * std::sqrt(R[0] * R[0] + R[1] * R[1] +
                               (R[2] + 1.0f) * (R[2] + 1.0f));
    return {R[0] / m + 0.5f, R[1] / m + 0.5f};
  }

  // Draws the quad through World = Scaling(scale) * RotationZ(angle) *
  // Translation(0, 0, 10) with every vertex carrying object normal n.
  uint32_t Draw(float scale, float angle, const float n[3], DWORD texGen) {
    texture_ = MakeTexture(kGradientSize, kGradientSize, GradientTexel);
    float c = std::cos(angle), s = std::sin(angle);
    D3DMATRIX world = Identity();
    world._11 = scale * c;
    world._12 = scale * s;
    world._21 = -scale * s;
    world._22 = scale * c;
    world._33 = scale;
    world._43 = 10.0f;
    device()->SetTransform(D3DTS_WORLD, &world);
    D3DMATRIX projection = PerspectiveFovLH(0.785398f, 4.0f / 3.0f, 1, 100);
    device()->SetTransform(D3DTS_PROJECTION, &projection);
    PlainStates();
    device()->SetTexture(0, texture_);
    device()->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device()->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, texGen);
    device()->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
    const float h = 0.05f / scale;  // object units
    NormalVertex quad[6] = {{-h, -h, 0, n[0], n[1], n[2], 0, 0},
                            {-h, h, 0, n[0], n[1], n[2], 0, 0},
                            {h, h, 0, n[0], n[1], n[2], 0, 0},
                            {-h, -h, 0, n[0], n[1], n[2], 0, 0},
                            {h, h, 0, n[0], n[1], n[2], 0, 0},
                            {h, -h, 0, n[0], n[1], n[2], 0, 0}};
    device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
    EXPECT_EQ(
        device()->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, sizeof quad[0]),
        S_OK);
    texture_->Release();
    return PixelAt(Read(), 400, 300);
  }

  // The texel the centre shows for the sphere map (mean of corners 0 and
  // 2), and the one unit normals would give.
  void SphereMapExpectations(float scale, float angle, const float n[3],
                             uint32_t* expected, uint32_t* ifNormalised) {
    float N[3], V0[3], V2[3];
    Transform(scale, angle, n, -0.05f, -0.05f, N, V0);
    Transform(scale, angle, n, 0.05f, 0.05f, N, V2);
    Coordinates a = SphereMap(N, V0), b = SphereMap(N, V2);
    *expected = ExpectedTexel((a.u + b.u) / 2, (a.v + b.v) / 2);
    float length = std::sqrt(N[0] * N[0] + N[1] * N[1] + N[2] * N[2]);
    float unit[3] = {N[0] / length, N[1] / length, N[2] / length};
    a = SphereMap(unit, V0);
    b = SphereMap(unit, V2);
    *ifNormalised = ExpectedTexel((a.u + b.u) / 2, (a.v + b.v) / 2);
  }
};

TEST_F(ScaledWorldTexGenTest, CameraSpaceNormalKeepsTheScaledLength) {
  // Scale 0.2, angle 0.6: N = 5 (0.1 c - 0.05 s, 0.1 s + 0.05 c)
  // = (0.271507, 0.488655) -> texel (17.4, 31.3); unit normals would give
  // (0.054, 0.098) -> texel (3, 6).
  const float n[3] = {0.1f, 0.05f, -0.99f};
  float N[3], V[3];
  Transform(0.2f, 0.6f, n, 0, 0, N, V);
  EXPECT_EQ(Draw(0.2f, 0.6f, n, D3DTSS_TCI_CAMERASPACENORMAL),
            ExpectedTexel(N[0], N[1]));
  // Scale 0.03: N = 33.3 (...) = (1.81005, 3.25770) -> wraps to
  // (0.81005, 0.25770) -> texel (51.8, 16.5).
  Transform(0.03f, 0.6f, n, 0, 0, N, V);
  EXPECT_EQ(Draw(0.03f, 0.6f, n, D3DTSS_TCI_CAMERASPACENORMAL),
            ExpectedTexel(N[0], N[1]));
}

TEST_F(ScaledWorldTexGenTest, SphereMapUsesTheUnnormalisedNormal) {
  // A unit normal; the centre lands at texel (41.7, 32.6) for scale 0.2,
  // (41.3, 32.6) for 0.03, where unit normals would give (62.6, 33.8).
  const float n[3] = {0.25f, -0.15f, -0.956556f};
  for (float scale : {0.2f, 0.03f}) {
    uint32_t expected = 0, ifNormalised = 0;
    SphereMapExpectations(scale, 0.6f, n, &expected, &ifNormalised);
    EXPECT_NE(expected, ifNormalised) << "scale " << scale;
    EXPECT_EQ(Draw(scale, 0.6f, n, D3DTSS_TCI_SPHEREMAP), expected)
        << "scale " << scale;
  }
}

TEST_F(DeviceTest, VertexBlendHalfWeightLandsHalfway) {
  PlainStates();
  // WORLD moves +2 in x, WORLDMATRIX(1) stays put; an orthographic-like
  // projection maps x, y to 0.1 x, 0.1 y in clip space (40 pixels per unit
  // across, 30 down).
  D3DMATRIX world0 = Translation(2.0f, 0.0f, 0.0f);
  D3DMATRIX world1 = Identity();
  D3DMATRIX projection = Scaling(0.1f, 0.1f, 0.5f);
  device()->SetTransform(D3DTS_WORLD, &world0);
  device()->SetTransform(D3DTS_WORLD1, &world1);
  device()->SetTransform(D3DTS_PROJECTION, &projection);
  device()->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_1WEIGHTS);
  device()->SetFVF(D3DFVF_XYZB1 | D3DFVF_NORMAL | D3DFVF_TEX1);
  auto quad = [](float weight, float y0, float y1, BlendVertex* out) {
    BlendVertex v[6] = {{-0.25f, y0, 0.5f, weight, 0, 0, -1, 0, 0},
                        {-0.25f, y1, 0.5f, weight, 0, 0, -1, 0, 0},
                        {0.25f, y1, 0.5f, weight, 0, 0, -1, 0, 0},
                        {-0.25f, y0, 0.5f, weight, 0, 0, -1, 0, 0},
                        {0.25f, y1, 0.5f, weight, 0, 0, -1, 0, 0},
                        {0.25f, y0, 0.5f, weight, 0, 0, -1, 0, 0}};
    std::copy(v, v + 6, out);
  };
  BlendVertex half[6], full[6], none[6];
  quad(0.5f, 1.0f, 2.0f, half);    // rows 240..270 on screen
  quad(1.0f, -1.0f, 0.0f, full);   // rows 300..330
  quad(0.0f, -3.0f, -2.0f, none);  // rows 360..390
  device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  device()->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, half, sizeof half[0]);
  device()->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, full, sizeof full[0]);
  device()->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, none, sizeof none[0]);
  std::vector<uint32_t> pixels = Read();
  // Quad half-width 0.25 -> 10 pixels. Weight 0.5: centre x = 1 -> pixel
  // 440; weight 1: x = 2 -> 480; weight 0: x = 0 -> 400.
  EXPECT_EQ(PixelAt(pixels, 440, 255), 0xFFFFFFFFu);
  EXPECT_EQ(PixelAt(pixels, 425, 255), 0xFF000000u);
  EXPECT_EQ(PixelAt(pixels, 455, 255), 0xFF000000u);
  EXPECT_EQ(PixelAt(pixels, 480, 315), 0xFFFFFFFFu);
  EXPECT_EQ(PixelAt(pixels, 440, 315), 0xFF000000u);
  EXPECT_EQ(PixelAt(pixels, 400, 375), 0xFFFFFFFFu);
  EXPECT_EQ(PixelAt(pixels, 440, 375), 0xFF000000u);
}

TEST_F(DeviceTest, VertexBlendWithoutWeightsUsesWorldAlone) {
  PlainStates();
  D3DMATRIX world0 = Translation(2.0f, 0.0f, 0.0f);
  D3DMATRIX projection = Scaling(0.1f, 0.1f, 0.5f);
  device()->SetTransform(D3DTS_WORLD, &world0);
  device()->SetTransform(D3DTS_PROJECTION, &projection);
  device()->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_1WEIGHTS);
  device()->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
  ColorVertex v[3] = {{-0.5f, -0.5f, 0.5f, 0xFFFFFFFF},
                      {0.0f, 0.5f, 0.5f, 0xFFFFFFFF},
                      {0.5f, -0.5f, 0.5f, 0xFFFFFFFF}};
  device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  device()->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, v, sizeof v[0]);
  std::vector<uint32_t> pixels = Read();
  EXPECT_EQ(PixelAt(pixels, 480, 305), 0xFFFFFFFFu);
  EXPECT_EQ(PixelAt(pixels, 400, 305), 0xFF000000u);
}

}  // namespace
