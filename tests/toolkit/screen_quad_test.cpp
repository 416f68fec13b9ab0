// The screen quad fills any target, upright, slightly magnified, and leaves
// the device as it found it.
#include "toolkit/screen_quad.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "headless_device.h"

namespace {

class ScreenQuadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(headless_.ok()) << headless_.error();
    device_ = headless_.device();
    ASSERT_EQ(quad_.Init(device_), S_OK);
    // Texel (x, y) holds red = x, green = y: the picture says where it was
    // sampled.
    ASSERT_EQ(device_->CreateTexture(256, 256, 1, 0, D3DFMT_A8R8G8B8,
                                     D3DPOOL_MANAGED, &ramp_, nullptr),
              S_OK);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(ramp_->LockRect(0, &locked, nullptr, 0), S_OK);
    for (int y = 0; y < 256; ++y) {
      uint32_t* row = reinterpret_cast<uint32_t*>(
          static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch);
      for (int x = 0; x < 256; ++x) row[x] = 0xFF000000u | x << 16 | y << 8;
    }
    ramp_->UnlockRect(0);
    // Nearest texel, so that the colour names the texel exactly.
    device_->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    device_->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    device_->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
  }
  void TearDown() override {
    quad_.Release();
    if (ramp_) ramp_->Release();
  }

  // Checks a frame of the quad: no clear colour left, red grows to the
  // right and green downwards, and the edges show texels 2.9 % in from the
  // picture's edges (the quad overfills the target).
  static void ExpectFilledUpright(const std::vector<uint32_t>& pixels,
                                  int width, int height) {
    ASSERT_EQ(pixels.size(), static_cast<size_t>(width) * height);
    for (size_t i = 0; i < pixels.size(); ++i) {
      ASSERT_EQ(pixels[i] & 0xFF, 0u) << "clear colour at pixel " << i;
    }
    auto red = [&](int x, int y) {
      return (pixels[y * width + x] >> 16) & 0xFF;
    };
    auto green = [&](int x, int y) {
      return (pixels[y * width + x] >> 8) & 0xFF;
    };
    const int midY = height / 2;
    const int midX = width / 2;
    EXPECT_NEAR(red(0, midY), 3.6, 1.5);
    EXPECT_NEAR(red(width - 1, midY), 251.4, 1.5);
    EXPECT_NEAR(green(midX, 0), 3.6, 1.5);
    EXPECT_NEAR(green(midX, height - 1), 251.4, 1.5);
    EXPECT_NEAR(red(midX, midY), 128, 1);
    EXPECT_NEAR(green(midX, midY), 128, 1);
    for (int x = 1; x < width; ++x) ASSERT_GE(red(x, midY), red(x - 1, midY));
    for (int y = 1; y < height; ++y) {
      ASSERT_GE(green(midX, y), green(midX, y - 1));
    }
  }

  HeadlessDevice headless_;
  IDirect3DDevice9* device_ = nullptr;
  ScreenQuad quad_;
  IDirect3DTexture9* ramp_ = nullptr;
};

TEST_F(ScreenQuadTest, FillsA256RenderTarget) {
  IDirect3DTexture9* target = nullptr;
  ASSERT_EQ(device_->CreateTexture(256, 256, 1, D3DUSAGE_RENDERTARGET,
                                   D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &target,
                                   nullptr),
            S_OK);
  IDirect3DSurface9* surface = nullptr;
  target->GetSurfaceLevel(0, &surface);
  IDirect3DSurface9* backBuffer = nullptr;
  device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer);
  device_->BeginScene();
  device_->SetRenderTarget(0, surface);
  device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
  quad_.Draw(ramp_);
  device_->SetRenderTarget(0, backBuffer);
  device_->EndScene();
  std::vector<uint32_t> pixels;
  ASSERT_EQ(device_->ReadTexture(target, &pixels), S_OK);
  ExpectFilledUpright(pixels, 256, 256);
  backBuffer->Release();
  surface->Release();
  target->Release();
}

TEST_F(ScreenQuadTest, FillsTheBackBuffer) {
  device_->BeginScene();
  device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
  quad_.Draw(ramp_);
  device_->EndScene();
  ExpectFilledUpright(headless_.ReadBackBuffer(), 800, 600);
}

TEST_F(ScreenQuadTest, DrawWithoutTextureKeepsTheBoundOne) {
  device_->SetTexture(0, ramp_);
  device_->BeginScene();
  device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
  quad_.Draw(nullptr);
  device_->EndScene();
  ExpectFilledUpright(headless_.ReadBackBuffer(), 800, 600);
  IDirect3DBaseTexture9* bound = nullptr;
  device_->GetTexture(0, &bound);
  EXPECT_EQ(bound, ramp_);
  if (bound) bound->Release();
}

TEST_F(ScreenQuadTest, LeavesDeviceStateAsFoundButTheTexture) {
  IDirect3DVertexBuffer9* otherBuffer = nullptr;
  ASSERT_EQ(device_->CreateVertexBuffer(64, 0, 0x112, D3DPOOL_MANAGED,
                                        &otherBuffer, nullptr),
            S_OK);
  IDirect3DIndexBuffer9* otherIndices = nullptr;
  ASSERT_EQ(device_->CreateIndexBuffer(12, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                       &otherIndices, nullptr),
            S_OK);
  const struct {
    D3DRENDERSTATETYPE state;
    DWORD value;
  } renderStates[] = {
      {D3DRS_CULLMODE, D3DCULL_CW},        {D3DRS_ZENABLE, D3DZB_TRUE},
      {D3DRS_ZFUNC, D3DCMP_GREATEREQUAL},  {D3DRS_ZWRITEENABLE, TRUE},
      {D3DRS_FILLMODE, D3DFILL_WIREFRAME}, {D3DRS_LIGHTING, TRUE},
      {D3DRS_ALPHABLENDENABLE, TRUE},
  };
  for (const auto& rs : renderStates)
    device_->SetRenderState(rs.state, rs.value);
  device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  device_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
  device_->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 1);
  D3DXMATRIX world, view, projection;
  D3DXMatrixTranslation(&world, 1, 2, 3);
  D3DXMatrixScaling(&view, 2, 2, 2);
  D3DXMatrixRotationZ(&projection, 0.5f);
  device_->SetTransform(D3DTS_WORLD, &world);
  device_->SetTransform(D3DTS_VIEW, &view);
  device_->SetTransform(D3DTS_PROJECTION, &projection);
  device_->SetStreamSource(0, otherBuffer, 0, 32);
  device_->SetIndices(otherIndices);
  device_->SetFVF(0x112);

  device_->BeginScene();
  quad_.Draw(ramp_);
  device_->EndScene();

  for (const auto& rs : renderStates) {
    DWORD value = 0;
    device_->GetRenderState(rs.state, &value);
    EXPECT_EQ(value, rs.value) << "render state " << rs.state;
  }
  DWORD value = 0;
  device_->GetTextureStageState(0, D3DTSS_COLOROP, &value);
  EXPECT_EQ(value, static_cast<DWORD>(D3DTOP_MODULATE));
  device_->GetTextureStageState(0, D3DTSS_COLORARG1, &value);
  EXPECT_EQ(value, D3DTA_DIFFUSE);
  device_->GetTextureStageState(0, D3DTSS_TEXCOORDINDEX, &value);
  EXPECT_EQ(value, 1u);
  D3DMATRIX m{};
  device_->GetTransform(D3DTS_WORLD, &m);
  EXPECT_EQ(m.m[3][1], 2.0f);
  device_->GetTransform(D3DTS_VIEW, &m);
  EXPECT_EQ(m.m[1][1], 2.0f);
  device_->GetTransform(D3DTS_PROJECTION, &m);
  EXPECT_FLOAT_EQ(m.m[0][1], std::sin(0.5f));
  IDirect3DVertexBuffer9* buffer = nullptr;
  UINT offset = 99, stride = 0;
  device_->GetStreamSource(0, &buffer, &offset, &stride);
  EXPECT_EQ(buffer, otherBuffer);
  EXPECT_EQ(offset, 0u);
  EXPECT_EQ(stride, 32u);
  if (buffer) buffer->Release();
  IDirect3DIndexBuffer9* indices = nullptr;
  device_->GetIndices(&indices);
  EXPECT_EQ(indices, otherIndices);
  if (indices) indices->Release();
  DWORD fvf = 0;
  device_->GetFVF(&fvf);
  EXPECT_EQ(fvf, 0x112u);
  // Only the texture passed to Draw stays.
  IDirect3DBaseTexture9* bound = nullptr;
  device_->GetTexture(0, &bound);
  EXPECT_EQ(bound, ramp_);
  if (bound) bound->Release();
  otherIndices->Release();
  otherBuffer->Release();
}

TEST_F(ScreenQuadTest, ReleaseSkipsWhatIsAlreadyGone) {
  quad_.Release();
  EXPECT_EQ(quad_.vertexBuffer, nullptr);
  EXPECT_EQ(quad_.indexBuffer, nullptr);
  EXPECT_EQ(quad_.stateBlock, nullptr);
  quad_.Release();
}

TEST(ScreenQuadMatrices, ProjectTheQuadEdgesJustPastTheTarget) {
  ScreenQuad quad;
  quad.SetupMatrices();
  D3DXMATRIX m;
  D3DXMatrixMultiply(&m, &quad.world, &quad.view);
  D3DXMatrixMultiply(&m, &m, &quad.projection);
  // Vertex 0 (u 1, v 1) and vertex 4 (u 0, v 0).
  D3DXVECTOR3 corner(0, 0, 0), out;
  D3DXVec3TransformCoord(&out, &corner, &m);
  EXPECT_NEAR(out.x, 1.02895, 1e-4);   // u = 1 on the right
  EXPECT_NEAR(out.y, -1.02895, 1e-4);  // v = 1 at the bottom
  corner = D3DXVECTOR3(20, 20, 0);
  D3DXVec3TransformCoord(&out, &corner, &m);
  EXPECT_NEAR(out.x, -1.02895, 1e-4);
  EXPECT_NEAR(out.y, 1.02895, 1e-4);
}

}  // namespace
