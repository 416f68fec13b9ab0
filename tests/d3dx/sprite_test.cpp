// Sprites rendered on the hidden device: placement with scaling, rotation
// and translation, colour modulation and blending, depth ignored, device
// state left as found.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>

#include "platform/d3dx/d3dx9.h"
#include "platform/d3dx/image_resample.h"
#include "platform/d3dx/sprite_regions.h"
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

// A mostly clear texture with a full mip chain (each level the 2 x 2 mean
// of the one above, as the texture loader makes them): a thin border, a
// dot, a solid block and a faint patch (alpha 1), the rest alpha 0 with
// colour in it, so that a pixel reading clear texels would still change
// the picture if anything let it through.
class SparseSpriteTest : public SpriteTest {
 protected:
  void SetUp() override {
    SpriteTest::SetUp();
    if (HasFatalFailure()) return;
    constexpr int kSide = 1024;
    ASSERT_EQ(device->CreateTexture(kSide, kSide, 0, 0, D3DFMT_A8R8G8B8,
                                    D3DPOOL_MANAGED, &sparse, nullptr),
              S_OK);
    std::vector<uint32_t> level(size_t(kSide) * kSide);
    for (int y = 0; y < kSide; ++y)
      for (int x = 0; x < kSide; ++x) {
        const bool border =
            x < 12 || y < 12 || x >= kSide - 12 || y >= kSide - 12;
        const bool dot = (x - 600) * (x - 600) + (y - 300) * (y - 300) < 100;
        const bool block = x >= 200 && x < 260 && y >= 700 && y < 730;
        const bool faint = x >= 800 && x < 803 && y >= 500 && y < 502;
        uint32_t alpha = border ? 0xC0 : dot ? 0xFF : block ? 0x60 : 0;
        if (faint) alpha = 1;
        level[size_t(y) * kSide + x] =
            (alpha << 24) | ((x * 7 + y * 3) & 0xFFFFFF);
      }
    int w = kSide, h = kSide;
    for (UINT i = 0; i < sparse->GetLevelCount(); ++i) {
      D3DLOCKED_RECT locked;
      ASSERT_EQ(sparse->LockRect(i, &locked, nullptr, 0), S_OK);
      std::memcpy(locked.pBits, level.data(), level.size() * 4);
      sparse->UnlockRect(i);
      if (i + 1 < sparse->GetLevelCount())
        level = HalveImage(level, w, h, &w, &h);
    }
  }
  void TearDown() override {
    if (sparse) sparse->Release();
    SpriteTest::TearDown();
  }

  // The frame with the sprite drawn as one quad: an anisotropic minifying
  // filter with the default anisotropy of 1 samples as the linear one, but
  // the sprite does not cut up quads whose filter footprint it does not
  // know.
  std::vector<uint32_t> RenderWhole(const D3DXMATRIX& m, const RECT* source,
                                    D3DCOLOR color) {
    return RenderOver([&] {
      sprite->Begin();
      device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_ANISOTROPIC);
      sprite->DrawTransform(sparse, source, &m, color);
      sprite->End();
    });
  }
  std::vector<uint32_t> RenderSparse(const D3DXMATRIX& m, const RECT* source,
                                     D3DCOLOR color) {
    return RenderOver(
        [&] { sprite->DrawTransform(sparse, source, &m, color); });
  }
  // Over a background with something in every pixel.
  std::vector<uint32_t> RenderOver(const std::function<void()>& draw) {
    return Render([&] {
      const D3DXVECTOR2 scaling(12.5f, 18.75f);  // 64 x 32 -> 800 x 600
      sprite->Draw(texture, nullptr, &scaling, nullptr, 0.0f, nullptr,
                   0xFF3080C0);
      draw();
    });
  }

  IDirect3DTexture9* sparse = nullptr;
};

D3DXMATRIX Placement(float sx, float sy, float x, float y) {
  D3DXMATRIX m;
  D3DXMatrixScaling(&m, sx, sy, 1.0f);
  m._41 = x;
  m._42 = y;
  return m;
}

int DifferingPixels(const std::vector<uint32_t>& a,
                    const std::vector<uint32_t>& b) {
  int differing = 0;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i)
    differing += a[i] != b[i];
  return differing + static_cast<int>(a.size() != b.size());
}

TEST_F(SparseSpriteTest, DrawingOnlyVisibleRegionsKeepsEveryPixel) {
  struct Case {
    const char* name;
    D3DXMATRIX m;
    D3DCOLOR color;
  };
  const Case cases[] = {
      // The show's full-screen overlays: 1024 x 1024 at 0.8 x 0.6.
      {"overlay", Placement(0.8f, 0.6f, 0.0f, 0.0f), 0xFFFFFFFF},
      {"overlay at half alpha", Placement(0.8f, 0.6f, 0.0f, 0.0f), 0x80FFFFFF},
      {"one to one, off the pixel grid", Placement(1.0f, 1.0f, -123.3f, -45.7f),
       0xFFFFFFFF},
      {"magnified", Placement(2.5f, 1.5f, -900.25f, -300.5f), 0xFFFFFFFF},
      {"minified", Placement(0.3f, 0.45f, 210.6f, 33.2f), 0xC0FFFFFF},
      {"mirrored", Placement(-0.8f, 0.6f, 800.0f, 0.0f), 0xFFFFFFFF},
  };
  for (const Case& c : cases) {
    const auto whole = RenderWhole(c.m, nullptr, c.color);
    const auto cut = RenderSparse(c.m, nullptr, c.color);
    EXPECT_EQ(DifferingPixels(whole, cut), 0) << c.name;
    EXPECT_NE(whole, RenderOver([] {})) << c.name << ": the sprite shows";
  }
  // A source rectangle inside the texture, scrolled as the banners are.
  const RECT source{150, 250, 900, 800};
  const D3DXMATRIX m = Placement(1.0f, 1.0f, 20.4f, -200.05f);
  EXPECT_EQ(DifferingPixels(RenderWhole(m, &source, 0xFFFFFFFF),
                            RenderSparse(m, &source, 0xFFFFFFFF)),
            0);
}

TEST_F(SparseSpriteTest, ClearTextureDrawsNothingAndStateIsRestored) {
  // A sprite placed so that only clear texels reach the screen (the middle
  // of the texture, between the border and the features) changes nothing.
  const RECT middle{300, 350, 550, 650};
  const D3DXMATRIX m = Placement(1.0f, 1.0f, 100.0f, 100.0f);
  EXPECT_EQ(
      DifferingPixels(RenderSparse(m, &middle, 0xFFFFFFFF), RenderOver([] {})),
      0);
  DWORD scissor = TRUE;
  device->GetRenderState(D3DRS_SCISSORTESTENABLE, &scissor);
  EXPECT_EQ(scissor, DWORD(FALSE));
  RECT rect{};
  device->GetScissorRect(&rect);
  EXPECT_EQ(rect.right, 800);
  EXPECT_EQ(rect.bottom, 600);
}

// FindSpriteRegions on its own, with a texture known texel by texel.
struct RegionTexture {
  UINT size;
  std::vector<RECT> visible;  // level-0 texel rectangles with alpha
  bool operator()(UINT level, const RECT& texels) const {
    for (const RECT& v : visible) {
      const LONG x0 = v.left >> level, y0 = v.top >> level;
      const LONG x1 = (v.right - 1) >> level, y1 = (v.bottom - 1) >> level;
      if (x0 < texels.right && texels.left <= x1 && y0 < texels.bottom &&
          texels.top <= y1)
        return true;
    }
    return false;
  }
};

TEST(SpriteRegionsTest, OneVisibleSpotKeepsTheBlocksAroundIt) {
  RegionTexture texture{256, {{100, 100, 108, 108}}};
  SpriteSampling sampling;
  sampling.width = sampling.height = 256;
  sampling.levels = 9;
  sampling.mipFilter = D3DTEXF_LINEAR;
  const D3DVIEWPORT9 viewport{0, 0, 800, 600, 0.0f, 1.0f};
  D3DXMATRIX m;
  D3DXMatrixIdentity(&m);
  const RECT source{0, 0, 256, 256};
  std::vector<RECT> rects;
  ASSERT_EQ(FindSpriteRegions(m, source, sampling, viewport, texture, &rects),
            SpriteRegions::kRects);
  // Drawn 1:1, texels 100..107 are pixels 100..107; with the bilinear
  // footprint, a texel of margin and both levels 0 and 1 the pixels that
  // can read them stay within blocks 96..111 (and perhaps a block more).
  ASSERT_FALSE(rects.empty());
  LONG area = 0;
  for (const RECT& r : rects) {
    EXPECT_LE(r.left, 100);
    EXPECT_GE(r.right, 108);
    EXPECT_GE(r.left, 80);
    EXPECT_LE(r.right, 128);
    EXPECT_EQ(r.left % kSpriteBlockSize, 0);
    area += (r.right - r.left) * (r.bottom - r.top);
  }
  EXPECT_LE(area, 48 * 48);
}

TEST(SpriteRegionsTest, ClearTextureNeedsNoDrawAndFullOneNeedsNoCuts) {
  SpriteSampling sampling;
  sampling.width = sampling.height = 64;
  sampling.levels = 7;
  const D3DVIEWPORT9 viewport{0, 0, 800, 600, 0.0f, 1.0f};
  D3DXMATRIX m;
  D3DXMatrixIdentity(&m);
  const RECT source{0, 0, 64, 64};
  std::vector<RECT> rects;
  EXPECT_EQ(FindSpriteRegions(m, source, sampling, viewport,
                              RegionTexture{64, {}}, &rects),
            SpriteRegions::kNothing);
  EXPECT_EQ(FindSpriteRegions(m, source, sampling, viewport,
                              RegionTexture{64, {{0, 0, 64, 64}}}, &rects),
            SpriteRegions::kWhole);
  EXPECT_TRUE(rects.empty());
  // Turned by a quarter: not cut up.
  D3DXMatrixRotationZ(&m, 1.5707964f);
  EXPECT_EQ(FindSpriteRegions(m, source, sampling, viewport,
                              RegionTexture{64, {}}, &rects),
            SpriteRegions::kWhole);
}

TEST(SpriteRegionsTest, RectanglesDoNotOverlapAndStayInTheViewport) {
  // Two features on opposite corners of a texture spread over a viewport
  // that does not start at the target's corner.
  RegionTexture texture{
      512, {{0, 0, 40, 40}, {470, 480, 512, 512}, {250, 0, 262, 512}}};
  SpriteSampling sampling;
  sampling.width = sampling.height = 512;
  sampling.levels = 10;
  sampling.mipFilter = D3DTEXF_LINEAR;
  const D3DVIEWPORT9 viewport{30, 20, 700, 500, 0.0f, 1.0f};
  const D3DXMATRIX m = Placement(1.3f, 0.9f, 10.5f, 5.25f);
  const RECT source{0, 0, 512, 512};
  std::vector<RECT> rects;
  ASSERT_EQ(FindSpriteRegions(m, source, sampling, viewport, texture, &rects),
            SpriteRegions::kRects);
  std::vector<int> covered(800 * 600, 0);
  for (const RECT& r : rects) {
    EXPECT_GE(r.left, 30);
    EXPECT_GE(r.top, 20);
    EXPECT_LE(r.right, 730);
    EXPECT_LE(r.bottom, 520);
    for (LONG y = r.top; y < r.bottom; ++y)
      for (LONG x = r.left; x < r.right; ++x) ++covered[y * 800 + x];
  }
  for (int c : covered) ASSERT_LE(c, 1);
  // The column feature (texels 250..261 in x, all rows) spans the sprite's
  // height: pixel x = 10.5 + 256 * 1.3 - 0.5 = 342.8 lies in a rectangle
  // on every row of the viewport the sprite covers.
  for (int y = 20; y < 466; ++y) EXPECT_EQ(covered[y * 800 + 342], 1) << y;
}

}  // namespace
