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

namespace {

// The pictures of the partial-block tests: stage 0 multiplies the texture
// factor (pixel state) by the diffuse colour, which lighting (vertex
// state) makes the material's emissive 0.4 (102 of 255) or, unlit, leaves
// the vertices' white.
void PartialBlockScene(IDirect3DDevice9* d) {
  d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  d->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
  d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  D3DMATERIAL9 material{};
  material.Diffuse = {0, 0, 0, 1};
  material.Emissive = {0.4f, 0.4f, 0.4f, 0};
  d->SetMaterial(&material);
  d->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
}

// A quad over NDC -0.5..0.5 (pixels 200..600, 150..450) with the world,
// view and projection as they are.
void DrawPartialBlockQuad(IDirect3DDevice9* d) {
  ColorVertex quad[6] = {
      {-0.5f, -0.5f, 0.5f, 0xFFFFFFFF}, {-0.5f, 0.5f, 0.5f, 0xFFFFFFFF},
      {0.5f, 0.5f, 0.5f, 0xFFFFFFFF},   {-0.5f, -0.5f, 0.5f, 0xFFFFFFFF},
      {0.5f, 0.5f, 0.5f, 0xFFFFFFFF},   {0.5f, -0.5f, 0.5f, 0xFFFFFFFF}};
  EXPECT_EQ(d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, sizeof quad[0]),
            S_OK);
}

}  // namespace

TEST_F(DeviceTest, PixelStateBlockRestoresPixelStatesOnly) {
  PartialBlockScene(device());
  device()->SetRenderState(D3DRS_LIGHTING, FALSE);
  device()->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFFFF0000);
  IDirect3DStateBlock9* block = nullptr;
  ASSERT_EQ(device()->CreateStateBlock(D3DSBT_PIXELSTATE, &block), S_OK);
  // Capture takes the values of now: green factor, additive blending.
  device()->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF00FF00);
  device()->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device()->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
  device()->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  ASSERT_EQ(block->Capture(), S_OK);
  // Change pixel state (factor, blending) and vertex state (lighting).
  device()->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF0000FF);
  device()->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  device()->SetRenderState(D3DRS_LIGHTING, TRUE);
  ASSERT_EQ(block->Apply(), S_OK);
  // Factor green and additive blending are back; lighting stays on, so
  // diffuse = emissive 0.4: src = (0, 0.4, 0) -> (0, 102, 0), added to the
  // clear colour (0, 0, 128). Alpha: the lit diffuse alpha (material
  // diffuse 1) times nothing else, 1 + 1 saturates.
  device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000080, 1.0f, 0);
  DrawPartialBlockQuad(device());
  std::vector<uint32_t> pixels = Read();
  EXPECT_TRUE(ColorNear(PixelAt(pixels, 400, 300), 0xFF006680));
  EXPECT_EQ(PixelAt(pixels, 100, 300), 0xFF000080u);
  DWORD lighting = FALSE;
  device()->GetRenderState(D3DRS_LIGHTING, &lighting);
  EXPECT_EQ(lighting, static_cast<DWORD>(TRUE));
  block->Release();
}

TEST_F(DeviceTest, VertexStateBlockRestoresVertexStatesOnly) {
  PartialBlockScene(device());
  device()->SetRenderState(D3DRS_LIGHTING, TRUE);
  device()->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF00FF00);
  IDirect3DStateBlock9* block = nullptr;
  ASSERT_EQ(device()->CreateStateBlock(D3DSBT_VERTEXSTATE, &block), S_OK);
  // Vertex state (lighting, FVF) and pixel state (the factor) change; the
  // world matrix too, which no partial block carries.
  device()->SetRenderState(D3DRS_LIGHTING, FALSE);
  device()->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
  device()->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFFFF0000);
  D3DMATRIX world = Translation(0.5f, 0.0f, 0.0f);
  device()->SetTransform(D3DTS_WORLD, &world);
  ASSERT_EQ(block->Apply(), S_OK);
  DWORD fvf = 0;
  device()->GetFVF(&fvf);
  EXPECT_EQ(fvf, static_cast<DWORD>(D3DFVF_XYZ | D3DFVF_DIFFUSE));
  // Lit again: red factor times emissive 0.4 -> (102, 0, 0). The quad
  // keeps the new world: NDC 0..1 across, pixels 400..800.
  device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  DrawPartialBlockQuad(device());
  std::vector<uint32_t> pixels = Read();
  EXPECT_TRUE(ColorNear(PixelAt(pixels, 600, 300), 0xFF660000));
  EXPECT_EQ(PixelAt(pixels, 300, 300), 0xFF000000u);
  block->Release();
}

TEST_F(DeviceTest, RecordedStageAndSamplerBlockChangesThePicture) {
  PlainStates();
  // Two texels, red and green; the quad runs u from 0 to 2 over pixels
  // 0..400 of rows 0..100, so one texel is 100 pixels wide.
  IDirect3DTexture9* texture = MakeTexture(
      2, 1, [](UINT x, UINT) { return x == 0 ? 0xFFFF0000u : 0xFF00FF00u; });
  device()->SetTexture(0, texture);
  device()->BeginStateBlock();
  device()->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  device()->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
  IDirect3DStateBlock9* block = nullptr;
  ASSERT_EQ(device()->EndStateBlock(&block), S_OK);
  // Before: texel times the grey vertex colour, u wrapping.
  device()->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  auto draw = [&] {
    const D3DCOLOR grey = 0xFF808080;
    ScreenVertex quad[6] = {{-0.5f, -0.5f, 0.5f, 1, grey, 0, 0},
                            {399.5f, -0.5f, 0.5f, 1, grey, 2, 0},
                            {-0.5f, 99.5f, 0.5f, 1, grey, 0, 1},
                            {399.5f, -0.5f, 0.5f, 1, grey, 2, 0},
                            {399.5f, 99.5f, 0.5f, 1, grey, 2, 1},
                            {-0.5f, 99.5f, 0.5f, 1, grey, 0, 1}};
    device()->SetFVF(kScreenFvf);
    device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    EXPECT_EQ(
        device()->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, sizeof quad[0]),
        S_OK);
    return Read();
  };
  // Pixel 250 is at u = 1.25: wrapped, the red texel; red * 128/255.
  std::vector<uint32_t> pixels = draw();
  EXPECT_TRUE(ColorNear(PixelAt(pixels, 50, 50), 0xFF800000));
  EXPECT_TRUE(ColorNear(PixelAt(pixels, 250, 50), 0xFF800000));
  ASSERT_EQ(block->Apply(), S_OK);
  // After: the texel alone, and u = 1.25 clamps to the green texel.
  pixels = draw();
  EXPECT_EQ(PixelAt(pixels, 50, 50), 0xFFFF0000u);
  EXPECT_EQ(PixelAt(pixels, 150, 50), 0xFF00FF00u);
  EXPECT_EQ(PixelAt(pixels, 250, 50), 0xFF00FF00u);
  EXPECT_EQ(PixelAt(pixels, 350, 50), 0xFF00FF00u);
  device()->SetTexture(0, nullptr);
  block->Release();
  texture->Release();
}

TEST_F(DeviceTest, ApplyingTheSameTexturesAndStreamsCostsNoGlCalls) {
  PlainStates();
  TexVertex tri[3] = {{-1, -1, 0.5f, 0.5f, 0.5f},
                      {-1, 3, 0.5f, 0.5f, 0.5f},
                      {3, -1, 0.5f, 0.5f, 0.5f}};
  IDirect3DVertexBuffer9* vb =
      MakeVertexBuffer(tri, sizeof tri, D3DFVF_XYZ | D3DFVF_TEX1);
  IDirect3DTexture9* texture =
      MakeTexture(1, 1, [](UINT, UINT) { return 0xFF336699u; });
  device()->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  device()->SetTexture(0, texture);
  device()->SetFVF(D3DFVF_XYZ | D3DFVF_TEX1);
  device()->SetStreamSource(0, vb, 0, sizeof(TexVertex));
  // The same texture and stream recorded into a block.
  device()->BeginStateBlock();
  device()->SetTexture(0, texture);
  device()->SetStreamSource(0, vb, 0, sizeof(TexVertex));
  device()->SetFVF(D3DFVF_XYZ | D3DFVF_TEX1);
  IDirect3DStateBlock9* recorded = nullptr;
  device()->EndStateBlock(&recorded);
  IDirect3DStateBlock9* all = nullptr;
  device()->CreateStateBlock(D3DSBT_ALL, &all);
  ASSERT_EQ(device()->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), S_OK);
  EXPECT_EQ(PixelAt(Read(), 400, 300), 0xFF336699u);
  auto* impl = static_cast<gfx::Device*>(device());
  uint64_t before = impl->cache()->callCount();
  device()->SetTexture(0, texture);
  device()->SetStreamSource(0, vb, 0, sizeof(TexVertex));
  device()->SetFVF(D3DFVF_XYZ | D3DFVF_TEX1);
  recorded->Apply();
  all->Capture();
  all->Apply();
  ASSERT_EQ(device()->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), S_OK);
  EXPECT_EQ(impl->cache()->callCount(), before);
  EXPECT_EQ(PixelAt(Read(), 400, 300), 0xFF336699u);
  device()->SetTexture(0, nullptr);
  device()->SetStreamSource(0, nullptr, 0, 0);
  recorded->Release();
  all->Release();
  texture->Release();
  vb->Release();
}
