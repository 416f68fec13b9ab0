// The scissor rectangle: D3DRS_SCISSORTESTENABLE limits draws to it, Clear
// ignores it, a new render target resets it, state blocks carry it.
#include "test_scene.h"

namespace {

constexpr D3DCOLOR kBlack = 0xFF000000;
constexpr D3DCOLOR kRed = 0xFFFF0000;

}  // namespace

TEST_F(DeviceTest, ScissorRectStartsAsTheWholeBackBuffer) {
  RECT rect{1, 2, 3, 4};
  ASSERT_EQ(device()->GetScissorRect(&rect), S_OK);
  EXPECT_EQ(rect.left, 0);
  EXPECT_EQ(rect.top, 0);
  EXPECT_EQ(rect.right, 800);
  EXPECT_EQ(rect.bottom, 600);
  DWORD enabled = TRUE;
  device()->GetRenderState(D3DRS_SCISSORTESTENABLE, &enabled);
  EXPECT_EQ(enabled, static_cast<DWORD>(FALSE));
}

TEST_F(DeviceTest, ScissorRectOutsideTheTargetIsRefused) {
  const RECT bad[] = {{-1, 0, 10, 10},
                      {0, 0, 801, 600},
                      {0, 0, 800, 601},
                      {20, 0, 10, 10},
                      {0, 20, 10, 10}};
  for (const RECT& r : bad)
    EXPECT_EQ(device()->SetScissorRect(&r), D3DERR_INVALIDCALL)
        << r.left << "," << r.top << "," << r.right << "," << r.bottom;
  EXPECT_EQ(device()->SetScissorRect(nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(device()->GetScissorRect(nullptr), D3DERR_INVALIDCALL);
  // Empty is allowed: it lets nothing through.
  const RECT empty{10, 10, 10, 10};
  EXPECT_EQ(device()->SetScissorRect(&empty), S_OK);
}

TEST_F(DeviceTest, ScissorTestLimitsDrawsToTheRectangle) {
  PlainStates();
  device()->Clear(0, nullptr, D3DCLEAR_TARGET, kBlack, 1.0f, 0);
  // Pixels 100..199 x 50..79 (right and bottom edges excluded).
  const RECT rect{100, 50, 200, 80};
  ASSERT_EQ(device()->SetScissorRect(&rect), S_OK);
  device()->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
  DrawScreenRect(0, 0, 800, 600, kRed);
  std::vector<uint32_t> pixels = Read();
  KeepPicture("scissor_rect", pixels);
  EXPECT_EQ(PixelAt(pixels, 100, 50), kRed);
  EXPECT_EQ(PixelAt(pixels, 199, 79), kRed);
  EXPECT_EQ(PixelAt(pixels, 99, 50), kBlack);
  EXPECT_EQ(PixelAt(pixels, 100, 49), kBlack);
  EXPECT_EQ(PixelAt(pixels, 200, 79), kBlack);
  EXPECT_EQ(PixelAt(pixels, 199, 80), kBlack);
  int red = 0;
  for (uint32_t p : pixels) red += p == kRed;
  EXPECT_EQ(red, 100 * 30);
}

TEST_F(DeviceTest, ScissorRectChangesNothingWhileTheTestIsOff) {
  PlainStates();
  device()->Clear(0, nullptr, D3DCLEAR_TARGET, kBlack, 1.0f, 0);
  const RECT rect{100, 50, 200, 80};
  device()->SetScissorRect(&rect);
  DrawScreenRect(0, 0, 800, 600, kRed);
  std::vector<uint32_t> pixels = Read();
  EXPECT_EQ(PixelAt(pixels, 0, 0), kRed);
  EXPECT_EQ(PixelAt(pixels, 799, 599), kRed);
}

TEST_F(DeviceTest, ClearIgnoresTheScissorRect) {
  const RECT rect{100, 50, 200, 80};
  device()->SetScissorRect(&rect);
  device()->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
  device()->Clear(0, nullptr, D3DCLEAR_TARGET, kRed, 1.0f, 0);
  std::vector<uint32_t> pixels = Read();
  EXPECT_EQ(PixelAt(pixels, 0, 0), kRed);
  EXPECT_EQ(PixelAt(pixels, 799, 599), kRed);
}

TEST_F(DeviceTest, ClearBetweenScissoredDrawsKeepsTheRectangle) {
  // Clear sets GL's scissor for itself; the next draw must get the
  // device's rectangle back.
  PlainStates();
  const RECT rect{10, 10, 20, 20};
  device()->SetScissorRect(&rect);
  device()->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
  DrawScreenRect(0, 0, 800, 600, kRed);
  device()->Clear(0, nullptr, D3DCLEAR_TARGET, kBlack, 1.0f, 0);
  DrawScreenRect(0, 0, 800, 600, kRed);
  std::vector<uint32_t> pixels = Read();
  EXPECT_EQ(PixelAt(pixels, 10, 10), kRed);
  EXPECT_EQ(PixelAt(pixels, 20, 20), kBlack);
  EXPECT_EQ(PixelAt(pixels, 400, 300), kBlack);
}

TEST_F(DeviceTest, SettingARenderTargetResetsTheScissorRect) {
  IDirect3DTexture9* target = nullptr;
  ASSERT_EQ(
      device()->CreateTexture(64, 32, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                              D3DPOOL_DEFAULT, &target, nullptr),
      S_OK);
  IDirect3DSurface9* surface = nullptr;
  target->GetSurfaceLevel(0, &surface);
  IDirect3DSurface9* back = nullptr;
  device()->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
  const RECT rect{1, 2, 3, 4};
  device()->SetScissorRect(&rect);
  device()->SetRenderTarget(0, surface);
  RECT now{};
  device()->GetScissorRect(&now);
  EXPECT_EQ(now.left, 0);
  EXPECT_EQ(now.top, 0);
  EXPECT_EQ(now.right, 64);
  EXPECT_EQ(now.bottom, 32);
  device()->SetRenderTarget(0, back);
  device()->GetScissorRect(&now);
  EXPECT_EQ(now.right, 800);
  EXPECT_EQ(now.bottom, 600);
  back->Release();
  surface->Release();
  target->Release();
}

TEST_F(DeviceTest, StateBlocksCarryTheScissorRect) {
  IDirect3DStateBlock9* all = nullptr;
  ASSERT_EQ(device()->CreateStateBlock(D3DSBT_ALL, &all), S_OK);
  const RECT rect{5, 6, 7, 8};
  device()->SetScissorRect(&rect);
  all->Apply();
  RECT now{};
  device()->GetScissorRect(&now);
  EXPECT_EQ(now.right, 800);

  // A recorded block carries the rectangle set while recording, and only
  // what was set: applying it leaves the render states alone.
  device()->BeginStateBlock();
  device()->SetScissorRect(&rect);
  IDirect3DStateBlock9* recorded = nullptr;
  ASSERT_EQ(device()->EndStateBlock(&recorded), S_OK);
  device()->GetScissorRect(&now);
  EXPECT_EQ(now.right, 800);  // recording does not set it
  recorded->Apply();
  device()->GetScissorRect(&now);
  EXPECT_EQ(now.left, 5);
  EXPECT_EQ(now.bottom, 8);
  recorded->Release();
  all->Release();
}

TEST_F(DeviceTest, AppliedStateBlockTurnsTheScissorOnForTheNextDraw) {
  PlainStates();
  device()->Clear(0, nullptr, D3DCLEAR_TARGET, kBlack, 1.0f, 0);
  device()->BeginStateBlock();
  const RECT rect{0, 0, 400, 600};
  device()->SetScissorRect(&rect);
  device()->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
  IDirect3DStateBlock9* left = nullptr;
  ASSERT_EQ(device()->EndStateBlock(&left), S_OK);
  DrawScreenRect(0, 0, 800, 600, 0xFF0000FF);  // everything blue first
  left->Apply();
  DrawScreenRect(0, 0, 800, 600, kRed);
  std::vector<uint32_t> pixels = Read();
  EXPECT_EQ(PixelAt(pixels, 399, 300), kRed);
  EXPECT_EQ(PixelAt(pixels, 400, 300), 0xFF0000FFu);
  left->Release();
}
