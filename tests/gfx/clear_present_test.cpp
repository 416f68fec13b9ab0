// Creation, clearing, presenting and reading back.
#include "platform/gfx/gl_check.h"
#include "test_scene.h"

TEST(Direct3DCreate9Test, ReturnsNullWithoutCurrentContext) {
  // No window, no context on this thread: the device layer must refuse.
  EXPECT_EQ(Direct3DCreate9(D3D_SDK_VERSION), nullptr);
}

TEST_F(DeviceTest, ClearFillsBackBufferWithArgbColour) {
  ASSERT_EQ(device()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER,
                            0x80402010, 1.0f, 0),
            S_OK);
  std::vector<uint32_t> pixels = Read();
  ASSERT_EQ(pixels.size(), 800u * 600u);
  EXPECT_EQ(PixelAt(pixels, 0, 0), 0x80402010u);
  EXPECT_EQ(PixelAt(pixels, 799, 599), 0x80402010u);
}

TEST_F(DeviceTest, ClearHonoursViewportAndRectangles) {
  device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  D3DVIEWPORT9 viewport{100, 50, 200, 100, 0.0f, 1.0f};
  ASSERT_EQ(device()->SetViewport(&viewport), S_OK);
  device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0);
  RECT rect{0, 0, 120, 60};  // clipped to the viewport: 100..120 x 50..60
  device()->Clear(1, &rect, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0);
  std::vector<uint32_t> pixels = Read();
  EXPECT_EQ(PixelAt(pixels, 99, 50), 0xFF000000u);
  EXPECT_EQ(PixelAt(pixels, 100, 50), 0xFF00FF00u);
  EXPECT_EQ(PixelAt(pixels, 119, 59), 0xFF00FF00u);
  EXPECT_EQ(PixelAt(pixels, 120, 59), 0xFFFF0000u);
  EXPECT_EQ(PixelAt(pixels, 299, 149), 0xFFFF0000u);
  EXPECT_EQ(PixelAt(pixels, 300, 149), 0xFF000000u);
  EXPECT_EQ(PixelAt(pixels, 299, 150), 0xFF000000u);
}

TEST_F(DeviceTest, SceneBracketsNestOnlyOnce) {
  EXPECT_EQ(device()->EndScene(), D3DERR_INVALIDCALL);
  EXPECT_EQ(device()->BeginScene(), S_OK);
  EXPECT_EQ(device()->BeginScene(), D3DERR_INVALIDCALL);
  std::vector<uint32_t> pixels;
  // Reading back inside a scene is refused.
  EXPECT_EQ(device()->ReadBackBuffer(&pixels), D3DERR_INVALIDCALL);
  EXPECT_EQ(device()->EndScene(), S_OK);
  EXPECT_EQ(device()->Present(nullptr, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(device()->ReadBackBuffer(&pixels), S_OK);
}

TEST_F(DeviceTest, PresentKeepsBackBufferContents) {
  device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF336699, 1.0f, 0);
  EXPECT_EQ(device()->Present(nullptr, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(PixelAt(Read(), 400, 300), 0xFF336699u);
}

TEST_F(DeviceTest, FreshDeviceHasDirect3DDefaults) {
  struct Expected {
    D3DRENDERSTATETYPE state;
    DWORD value;
  };
  const Expected expected[] = {
      {D3DRS_LIGHTING, TRUE},
      {D3DRS_LOCALVIEWER, TRUE},
      {D3DRS_NORMALIZENORMALS, FALSE},
      {D3DRS_COLORVERTEX, TRUE},
      {D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1},
      {D3DRS_POINTSIZE_MIN, 0x3F800000},
      {D3DRS_POINTSCALE_A, 0x3F800000},
      {D3DRS_POINTSIZE, 0x3F800000},
      {D3DRS_POINTSIZE_MAX, 0x42800000},
      {D3DRS_CULLMODE, D3DCULL_CCW},
      {D3DRS_ZFUNC, D3DCMP_LESSEQUAL},
      {D3DRS_ZENABLE, D3DZB_TRUE},
      {D3DRS_BLENDFACTOR, 0xFFFFFFFF},
      {D3DRS_COLORWRITEENABLE, 0xF},
      {D3DRS_BLENDOP, D3DBLENDOP_ADD},
  };
  for (const Expected& e : expected) {
    DWORD value = 0xDEADBEEF;
    EXPECT_EQ(device()->GetRenderState(e.state, &value), S_OK);
    EXPECT_EQ(value, e.value) << "render state " << e.state;
  }
  DWORD value = 0;
  device()->GetTextureStageState(0, D3DTSS_COLOROP, &value);
  EXPECT_EQ(value, static_cast<DWORD>(D3DTOP_MODULATE));
  device()->GetTextureStageState(1, D3DTSS_COLOROP, &value);
  EXPECT_EQ(value, static_cast<DWORD>(D3DTOP_DISABLE));
  device()->GetTextureStageState(1, D3DTSS_TEXCOORDINDEX, &value);
  EXPECT_EQ(value, 1u);
  device()->GetSamplerState(3, D3DSAMP_ADDRESSU, &value);
  EXPECT_EQ(value, static_cast<DWORD>(D3DTADDRESS_WRAP));
  device()->GetSamplerState(3, D3DSAMP_MAXANISOTROPY, &value);
  EXPECT_EQ(value, 1u);
  D3DVIEWPORT9 viewport;
  device()->GetViewport(&viewport);
  EXPECT_EQ(viewport.Width, 800u);
  EXPECT_EQ(viewport.Height, 600u);
}

TEST_F(DeviceTest, GlCheckNamesCallFileAndLine) {
#ifndef NDEBUG
  ::testing::internal::CaptureStderr();
  GL_CHECK(glEnable(0x1234));  // not a capability: GL_INVALID_ENUM
  std::string report = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(report.find("glEnable(0x1234)"), std::string::npos) << report;
  EXPECT_NE(report.find("clear_present_test.cpp"), std::string::npos);
  EXPECT_NE(report.find("0x0500"), std::string::npos);
  EXPECT_EQ(gfx::GlErrorCount(), glErrorsBefore_ + 1);
  glErrorsBefore_ = gfx::GlErrorCount();
#else
  GTEST_SKIP() << "GL calls are checked in debug builds only";
#endif
}
