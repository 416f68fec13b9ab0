// Sprites rendered on the hidden device: placement with scaling, rotation
// and translation, colour modulation and blending, depth ignored, device
// state left as found.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>

#include "platform/d3dx/d3dx9.h"
#include "shared_device.h"

namespace {

class SpriteTest : public testing::Test {
 protected:
  void SetUp() override {
    device = SharedDevice();
    ASSERT_NE(device, nullptr);
    ASSERT_EQ(D3DXCreateSprite(device, &sprite), S_OK);
    // A 64 x 32 managed texture: opaque white except a red first column.
    ASSERT_EQ(device->CreateTexture(64, 32, 1, 0, D3DFMT_A8R8G8B8,
                                    D3DPOOL_MANAGED, &texture, nullptr),
              S_OK);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), S_OK);
    for (int y = 0; y < 32; ++y) {
      auto* row = reinterpret_cast<uint32_t*>(
          static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch);
      for (int x = 0; x < 64; ++x) row[x] = x == 0 ? 0xFFFF0000u : 0xFFFFFFFFu;
    }
    texture->UnlockRect(0);
  }
  void TearDown() override {
    if (texture) texture->Release();
    if (sprite) sprite->Release();
  }

  std::vector<uint32_t> Render(const std::function<void()>& draw) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000,
                  1.0f, 0);
    device->BeginScene();
    draw();
    device->EndScene();
    std::vector<uint32_t> pixels;
    device->ReadBackBuffer(&pixels);
    return pixels;
  }

  static uint32_t At(const std::vector<uint32_t>& p, int x, int y) {
    return p[size_t(y) * 800 + x] & 0xFFFFFF;
  }

  IDirect3DDevice9* device = nullptr;
  ID3DXSprite* sprite = nullptr;
  IDirect3DTexture9* texture = nullptr;
};

TEST_F(SpriteTest, ScalingAndTranslationPlaceTheTextureInScreenPixels) {
  const D3DXVECTOR2 scaling(2.0f, 3.0f), translation(100.0f, 50.0f);
  const auto p = Render([&] {
    sprite->Draw(texture, nullptr, &scaling, nullptr, 0.0f, &translation,
                 0xFFFFFFFF);
  });
  // 64 x 32 texels become 128 x 96 pixels from (100, 50).
  EXPECT_EQ(At(p, 99, 100), 0x000000u);
  EXPECT_EQ(At(p, 100, 100), 0xFF0000u);  // the red column's left half
  // Pixel 101 samples texel 0.75: a quarter of the white texel beside it
  // under linear filtering, which shows texel centres on pixel centres.
  EXPECT_EQ(At(p, 101, 100), 0xFF4040u);
  EXPECT_EQ(At(p, 110, 50), 0xFFFFFFu);
  EXPECT_EQ(At(p, 110, 49), 0x000000u);
  EXPECT_EQ(At(p, 227, 145), 0xFFFFFFu);
  EXPECT_EQ(At(p, 228, 100), 0x000000u);
  EXPECT_EQ(At(p, 150, 146), 0x000000u);
}

TEST_F(SpriteTest, RotationTurnsAboutTheCentre) {
  // A quarter turn about (0, 0) sends +x to +y on screen (y down): the
  // sprite now covers x in [-32, 0) and y in [0, 64), moved by (300, 200).
  const D3DXVECTOR2 centre(0.0f, 0.0f), translation(300.0f, 200.0f);
  const auto p = Render([&] {
    sprite->Draw(texture, nullptr, nullptr, &centre, 1.5707964f, &translation,
                 0xFFFFFFFF);
  });
  EXPECT_EQ(At(p, 284, 230), 0xFFFFFFu);
  EXPECT_EQ(At(p, 284, 260), 0xFFFFFFu);
  EXPECT_EQ(At(p, 284, 265), 0x000000u);
  EXPECT_EQ(At(p, 302, 230), 0x000000u);
  // The red first column now runs along the top edge, y = 200.
  EXPECT_EQ(At(p, 290, 200), 0xFF0000u);
  EXPECT_EQ(At(p, 290, 201), 0xFFFFFFu);
}

TEST_F(SpriteTest, DrawTransformUsesTheMatrixAndColourModulates) {
  D3DXMATRIX m;
  D3DXMatrixTranslation(&m, 500.0f, 400.0f, 0.0f);
  const RECT source = {1, 0, 33, 16};  // skip the red column
  const auto p = Render([&] {
    sprite->Begin();
    sprite->DrawTransform(texture, &source, &m, 0xFF00FF00);
    // Half-transparent blue over it blends by source alpha.
    D3DXMATRIX n;
    D3DXMatrixTranslation(&n, 516.0f, 400.0f, 0.0f);
    sprite->DrawTransform(texture, &source, &n, 0x800000FF);
    sprite->End();
  });
  EXPECT_EQ(At(p, 500, 400), 0x00FF00u);
  const uint32_t mixed = At(p, 520, 405);
  EXPECT_NEAR(int((mixed >> 8) & 255), 127, 2);  // green halved
  EXPECT_NEAR(int(mixed & 255), 128, 2);         // blue at half
  EXPECT_EQ(At(p, 500, 416), 0x000000u);         // 16 rows only
  EXPECT_EQ(At(p, 548, 400), 0x000000u);         // 32 + 16 columns
}

TEST_F(SpriteTest, IgnoresDepthAndLeavesDeviceStateAsFound) {
  device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
  device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
  device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
  device->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL);
  D3DXMATRIX world;
  D3DXMatrixTranslation(&world, 1, 2, 3);
  device->SetTransform(D3DTS_WORLD, &world);
  const D3DXVECTOR2 at(10.0f, 10.0f);
  const auto p = Render([&] {
    // Two full overlays at the same depth: the second must still show.
    sprite->Draw(texture, nullptr, nullptr, nullptr, 0.0f, &at, 0xFFFFFFFF);
    sprite->Draw(texture, nullptr, nullptr, nullptr, 0.0f, &at, 0xFF0000FF);
  });
  EXPECT_EQ(At(p, 40, 20), 0x0000FFu);
  DWORD value = 0;
  device->GetRenderState(D3DRS_ZENABLE, &value);
  EXPECT_EQ(value, DWORD(D3DZB_TRUE));
  device->GetRenderState(D3DRS_ZWRITEENABLE, &value);
  EXPECT_EQ(value, DWORD(TRUE));
  device->GetRenderState(D3DRS_ALPHABLENDENABLE, &value);
  EXPECT_EQ(value, DWORD(FALSE));
  device->GetRenderState(D3DRS_DESTBLEND, &value);
  EXPECT_EQ(value, DWORD(D3DBLEND_ONE));
  device->GetRenderState(D3DRS_CULLMODE, &value);
  EXPECT_EQ(value, DWORD(D3DCULL_CW));
  device->GetSamplerState(0, D3DSAMP_ADDRESSU, &value);
  EXPECT_EQ(value, DWORD(D3DTADDRESS_WRAP));
  device->GetFVF(&value);
  EXPECT_EQ(value, D3DFVF_XYZ | D3DFVF_NORMAL);
  D3DMATRIX after;
  device->GetTransform(D3DTS_WORLD, &after);
  EXPECT_EQ(after._42, 2.0f);
  IDirect3DBaseTexture9* bound = nullptr;
  device->GetTexture(0, &bound);
  EXPECT_EQ(bound, nullptr);
  if (bound) bound->Release();
  // Begin twice and End without Begin are refused.
  EXPECT_EQ(sprite->Begin(), S_OK);
  EXPECT_EQ(sprite->Begin(), D3DERR_INVALIDCALL);
  EXPECT_EQ(sprite->End(), S_OK);
  EXPECT_EQ(sprite->End(), D3DERR_INVALIDCALL);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
  device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
}

}  // namespace
