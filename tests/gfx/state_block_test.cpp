// State blocks: D3DSBT_ALL capture/apply and recorded blocks.
#include "platform/gfx/device.h"
#include "test_scene.h"

TEST_F(DeviceTest, AllBlockRestoresWhatADrawChanged) {
  PlainStates();
  IDirect3DTexture9* texture =
      MakeTexture(1, 1, [](UINT, UINT) { return 0xFF00FF00u; });
  IDirect3DStateBlock9* block = nullptr;
  ASSERT_EQ(device()->CreateStateBlock(D3DSBT_ALL, &block), S_OK);
  device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  DrawScreenRect(0, 0, 100, 100, 0xFF800000);
  uint32_t before = PixelAt(Read(), 50, 50);
  EXPECT_EQ(before, 0xFF800000u);

  // A draw in between changes texture, stage, blend and transform.
  device()->SetTexture(0, texture);
  device()->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  device()->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device()->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  D3DMATRIX moved = Translation(1, 2, 3);
  device()->SetTransform(D3DTS_VIEW, &moved);
  DrawScreenRect(200, 0, 300, 100, 0xFF800000);
  EXPECT_EQ(PixelAt(Read(), 250, 50), 0xFF00FF00u);

  ASSERT_EQ(block->Apply(), S_OK);
  IDirect3DBaseTexture9* bound = nullptr;
  device()->GetTexture(0, &bound);
  EXPECT_EQ(bound, nullptr);
  DWORD value = 0;
  device()->GetRenderState(D3DRS_ALPHABLENDENABLE, &value);
  EXPECT_EQ(value, static_cast<DWORD>(FALSE));
  D3DMATRIX view;
  device()->GetTransform(D3DTS_VIEW, &view);
  EXPECT_EQ(view._41, 0.0f);
  device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  DrawScreenRect(0, 0, 100, 100, 0xFF800000);
  EXPECT_EQ(PixelAt(Read(), 50, 50), before);
  block->Release();
  texture->Release();
}

TEST_F(DeviceTest, CaptureRefreshesAllBlock) {
  IDirect3DStateBlock9* block = nullptr;
  device()->CreateStateBlock(D3DSBT_ALL, &block);
  device()->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
  ASSERT_EQ(block->Capture(), S_OK);
  device()->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
  block->Apply();
  DWORD fill = 0;
  device()->GetRenderState(D3DRS_FILLMODE, &fill);
  EXPECT_EQ(fill, static_cast<DWORD>(D3DFILL_WIREFRAME));
  block->Release();
}

TEST_F(DeviceTest, RecordedBlockHoldsOnlyWhatWasSet) {
  ASSERT_EQ(device()->BeginStateBlock(), S_OK);
  EXPECT_EQ(device()->BeginStateBlock(), D3DERR_INVALIDCALL);
  device()->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
  device()->SetRenderState(D3DRS_ZFUNC, D3DCMP_GREATER);  // last value wins
  D3DMATRIX world = Translation(5, 0, 0);
  device()->SetTransform(D3DTS_WORLD, &world);
  IDirect3DStateBlock9* block = nullptr;
  ASSERT_EQ(device()->EndStateBlock(&block), S_OK);
  // Recording does not change the device.
  DWORD value = 0;
  device()->GetRenderState(D3DRS_ZFUNC, &value);
  EXPECT_EQ(value, static_cast<DWORD>(D3DCMP_LESSEQUAL));
  D3DMATRIX current;
  device()->GetTransform(D3DTS_WORLD, &current);
  EXPECT_EQ(current._41, 0.0f);

  device()->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  ASSERT_EQ(block->Apply(), S_OK);
  device()->GetRenderState(D3DRS_ZFUNC, &value);
  EXPECT_EQ(value, static_cast<DWORD>(D3DCMP_GREATER));
  device()->GetTransform(D3DTS_WORLD, &current);
  EXPECT_EQ(current._41, 5.0f);
  // Items not recorded keep their values.
  device()->GetRenderState(D3DRS_CULLMODE, &value);
  EXPECT_EQ(value, static_cast<DWORD>(D3DCULL_NONE));
  block->Release();
}

TEST_F(DeviceTest, RecordedApplyChangesTheDrawnPicture) {
  PlainStates();
  device()->BeginStateBlock();
  device()->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device()->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
  device()->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  IDirect3DStateBlock9* additive = nullptr;
  device()->EndStateBlock(&additive);
  device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF400000, 1.0f, 0);
  DrawScreenRect(0, 0, 10, 10, 0xFF004000);
  EXPECT_EQ(PixelAt(Read(), 5, 5), 0xFF004000u);
  additive->Apply();
  DrawScreenRect(0, 0, 10, 10, 0xFF000040);
  EXPECT_EQ(PixelAt(Read(), 5, 5), 0xFF004040u);
  additive->Release();
}

TEST_F(DeviceTest, BlockKeepsItsTextureAlive) {
  PlainStates();
  IDirect3DTexture9* texture =
      MakeTexture(1, 1, [](UINT, UINT) { return 0xFF112233u; });
  device()->SetTexture(0, texture);
  device()->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  IDirect3DStateBlock9* block = nullptr;
  device()->CreateStateBlock(D3DSBT_ALL, &block);
  device()->SetTexture(0, nullptr);
  EXPECT_EQ(texture->Release(), 0u);  // only internal references remain
  block->Apply();
  DrawScreenRect(0, 0, 10, 10, 0xFFFFFFFF);
  EXPECT_EQ(PixelAt(Read(), 5, 5), 0xFF112233u);
  device()->SetTexture(0, nullptr);
  block->Release();
}

TEST_F(DeviceTest, DeviceCountsItsObjects) {
  // Every object holds its device; the device goes when the last goes.
  IDirect3DDevice9* d = device();
  EXPECT_EQ(d->AddRef(), 2u);
  IDirect3DVertexBuffer9* vb = nullptr;
  d->CreateVertexBuffer(64, 0, 0, D3DPOOL_DEFAULT, &vb, nullptr);
  EXPECT_EQ(d->AddRef(), 4u);
  d->Release();
  IDirect3DSurface9* back = nullptr;
  d->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
  EXPECT_EQ(d->AddRef(), 5u);
  d->Release();
  back->Release();
  vb->Release();
  EXPECT_EQ(d->Release(), 1u);
}

TEST_F(DeviceTest, ApplyingTheSameStateCostsNoGlCalls) {
  PlainStates();
  IDirect3DTexture9* texture =
      MakeTexture(1, 1, [](UINT, UINT) { return 0xFF445566u; });
  device()->SetTexture(0, texture);
  device()->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  IDirect3DStateBlock9* block = nullptr;
  device()->CreateStateBlock(D3DSBT_ALL, &block);
  DrawScreenRect(0, 0, 10, 10, 0xFFFFFFFF);
  auto* impl = static_cast<gfx::Device*>(device());
  // Capture then Apply around nothing, as a save/restore does.
  block->Capture();
  block->Apply();
  DrawScreenRect(0, 0, 10, 10, 0xFFFFFFFF);  // warms the stream buffer path
  uint64_t before = impl->cache()->callCount();
  block->Capture();
  block->Apply();
  DrawScreenRect(0, 0, 10, 10, 0xFFFFFFFF);
  // DrawPrimitiveUP rebinds its stream buffer; nothing else is re-issued.
  EXPECT_LE(impl->cache()->callCount(), before + 1);
  device()->SetTexture(0, nullptr);
  block->Release();
  texture->Release();
}
