// Render targets: orientation, viewport reset, the shared depth buffer,
// reference counts of surfaces.
#include "test_scene.h"

namespace {

class RenderTargetTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_EQ(device()->CreateTexture(256, 256, 1, D3DUSAGE_RENDERTARGET,
                                      D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                                      &target_, nullptr),
              S_OK);
    ASSERT_EQ(target_->GetSurfaceLevel(0, &surface_), S_OK);
    ASSERT_EQ(device()->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back_),
              S_OK);
    PlainStates();
  }
  void TearDown() override {
    if (back_) back_->Release();
    if (surface_) surface_->Release();
    if (target_) target_->Release();
    DeviceTest::TearDown();
  }

  IDirect3DTexture9* target_ = nullptr;
  IDirect3DSurface9* surface_ = nullptr;
  IDirect3DSurface9* back_ = nullptr;
};

TEST_F(RenderTargetTest, SetRenderTargetMakesViewportTheWholeTarget) {
  D3DVIEWPORT9 small{10, 10, 20, 20, 0.0f, 1.0f};
  device()->SetViewport(&small);
  ASSERT_EQ(device()->SetRenderTarget(0, surface_), S_OK);
  D3DVIEWPORT9 v;
  device()->GetViewport(&v);
  EXPECT_EQ(v.X, 0u);
  EXPECT_EQ(v.Width, 256u);
  EXPECT_EQ(v.Height, 256u);
  device()->SetRenderTarget(0, back_);
  device()->GetViewport(&v);
  EXPECT_EQ(v.Width, 800u);
  EXPECT_EQ(v.Height, 600u);
}

TEST_F(RenderTargetTest, TextureRenderedIntoKeepsTopLeftAtTopLeft) {
  device()->SetRenderTarget(0, surface_);
  device()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FF,
                  1.0f, 0);
  DrawScreenRect(0, 0, 64, 32, 0xFFFF0000);  // the target's top-left corner
  std::vector<uint32_t> texels;
  ASSERT_EQ(device()->ReadTexture(target_, &texels), S_OK);
  ASSERT_EQ(texels.size(), 256u * 256u);
  EXPECT_EQ(PixelAt(texels, 0, 0, 256), 0xFFFF0000u);
  EXPECT_EQ(PixelAt(texels, 63, 31, 256), 0xFFFF0000u);
  EXPECT_EQ(PixelAt(texels, 64, 31, 256), 0xFF0000FFu);
  EXPECT_EQ(PixelAt(texels, 0, 32, 256), 0xFF0000FFu);

  // Now sample it 1:1 onto the back buffer at (100, 50), with the mip
  // filter LINEAR that the show leaves on (one level: still complete).
  device()->SetRenderTarget(0, back_);
  device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  device()->SetTexture(0, target_);
  device()->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_ANISOTROPIC);
  device()->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  device()->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
  device()->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  DrawScreenRect(100, 50, 356, 306, 0xFFFFFFFF);
  std::vector<uint32_t> pixels = Read();
  EXPECT_EQ(PixelAt(pixels, 100, 50), 0xFFFF0000u);
  EXPECT_EQ(PixelAt(pixels, 163, 81), 0xFFFF0000u);
  EXPECT_EQ(PixelAt(pixels, 164, 81), 0xFF0000FFu);
  EXPECT_EQ(PixelAt(pixels, 100, 82), 0xFF0000FFu);
  EXPECT_EQ(PixelAt(pixels, 355, 305), 0xFF0000FFu);
}

TEST_F(RenderTargetTest, BackBufferDepthStaysBoundForSmallerTarget) {
  device()->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  device()->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
  device()->SetRenderTarget(0, surface_);
  device()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000,
                  1.0f, 0);
  DrawScreenRect(0, 0, 256, 256, 0xFF00FF00, 0.3f);
  DrawScreenRect(0, 0, 256, 256, 0xFFFF0000, 0.6f);  // behind: hidden
  std::vector<uint32_t> texels;
  device()->ReadTexture(target_, &texels);
  EXPECT_EQ(PixelAt(texels, 128, 128, 256), 0xFF00FF00u);
  // The same depth surface serves the back buffer: its top-left 256 x 256
  // corner now holds 0.3, the rest still 1.
  device()->SetRenderTarget(0, back_);
  DrawScreenRect(0, 0, 800, 600, 0xFF0000FF, 0.5f);
  std::vector<uint32_t> pixels = Read();
  EXPECT_NE(PixelAt(pixels, 100, 100), 0xFF0000FFu);
  EXPECT_EQ(PixelAt(pixels, 500, 400), 0xFF0000FFu);
}

TEST_F(RenderTargetTest, SurfacesCountOnTheirContainer) {
  // Created: 1; GetSurfaceLevel in SetUp: 2.
  EXPECT_EQ(target_->AddRef(), 3u);
  EXPECT_EQ(target_->Release(), 2u);
  IDirect3DSurface9* again = nullptr;
  target_->GetSurfaceLevel(0, &again);
  EXPECT_EQ(again, surface_);
  EXPECT_EQ(again->Release(), 2u);
  // A bound render target survives its last public release.
  device()->SetRenderTarget(0, surface_);
  surface_->Release();
  surface_ = nullptr;
  EXPECT_EQ(target_->Release(), 0u);
  target_ = nullptr;
  device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF123456, 1.0f, 0);
  EXPECT_EQ(device()->SetRenderTarget(0, back_), S_OK);
}

TEST_F(RenderTargetTest, ManagedTexturesAreNotTargets) {
  IDirect3DTexture9* managed = MakeTexture(4, 4, [](UINT, UINT) { return 0u; });
  IDirect3DSurface9* level = nullptr;
  managed->GetSurfaceLevel(0, &level);
  EXPECT_EQ(device()->SetRenderTarget(0, level), D3DERR_INVALIDCALL);
  EXPECT_EQ(device()->SetRenderTarget(0, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(device()->SetRenderTarget(1, surface_), D3DERR_INVALIDCALL);
  D3DLOCKED_RECT locked;
  EXPECT_EQ(target_->LockRect(0, &locked, nullptr, 0), D3DERR_INVALIDCALL);
  level->Release();
  managed->Release();
}

}  // namespace
