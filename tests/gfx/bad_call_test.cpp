// Wrong calls return D3DERR_INVALIDCALL, change nothing and never crash.
#include "test_scene.h"

TEST_F(DeviceTest, OutOfRangeStatesAreRefusedAndChangeNothing) {
  IDirect3DDevice9* d = device();
  DWORD value = 0;
  EXPECT_EQ(d->SetRenderState(static_cast<D3DRENDERSTATETYPE>(0), 1),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(d->SetRenderState(static_cast<D3DRENDERSTATETYPE>(5000), 1),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(d->GetRenderState(static_cast<D3DRENDERSTATETYPE>(5000), &value),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(d->SetTextureStageState(8, D3DTSS_COLOROP, D3DTOP_ADD),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(
      d->SetTextureStageState(0, static_cast<D3DTEXTURESTAGESTATETYPE>(40), 1),
      D3DERR_INVALIDCALL);
  EXPECT_EQ(d->SetSamplerState(8, D3DSAMP_MINFILTER, D3DTEXF_LINEAR),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(d->SetSamplerState(0, static_cast<D3DSAMPLERSTATETYPE>(99), 1),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(d->SetTexture(8, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(d->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(1), nullptr),
            D3DERR_INVALIDCALL);
  D3DMATRIX m = Identity();
  EXPECT_EQ(d->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(1), &m),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(d->SetFVF(0x1000 | D3DFVF_XYZ), D3DERR_INVALIDCALL);
  EXPECT_EQ(d->SetStreamSource(1, nullptr, 0, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(d->LightEnable(99, TRUE), D3DERR_INVALIDCALL);
  D3DVIEWPORT9 tooBig{0, 0, 801, 600, 0.0f, 1.0f};
  EXPECT_EQ(d->SetViewport(&tooBig), D3DERR_INVALIDCALL);
  // Nothing moved.
  d->GetTextureStageState(0, D3DTSS_COLOROP, &value);
  EXPECT_EQ(value, static_cast<DWORD>(D3DTOP_MODULATE));
  d->GetSamplerState(0, D3DSAMP_MINFILTER, &value);
  EXPECT_EQ(value, static_cast<DWORD>(D3DTEXF_POINT));
  d->GetFVF(&value);
  EXPECT_EQ(value, 0u);
  D3DVIEWPORT9 v;
  d->GetViewport(&v);
  EXPECT_EQ(v.Width, 800u);
}

TEST_F(DeviceTest, NullOutPointersAreRefused) {
  IDirect3DDevice9* d = device();
  EXPECT_EQ(d->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                             nullptr, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(d->CreateVertexBuffer(16, 0, 0, D3DPOOL_DEFAULT, nullptr, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(d->CreateIndexBuffer(16, 0, D3DFMT_INDEX32, D3DPOOL_DEFAULT,
                                 nullptr, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(d->CreateStateBlock(D3DSBT_ALL, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(d->GetRenderState(D3DRS_ZENABLE, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(d->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(d->GetTransform(D3DTS_VIEW, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(d->SetMaterial(nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(d->SetLight(0, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(d->ReadBackBuffer(nullptr), D3DERR_INVALIDCALL);
  // EndStateBlock without a place to put the block keeps recording.
  ASSERT_EQ(d->BeginStateBlock(), S_OK);
  EXPECT_EQ(d->EndStateBlock(nullptr), D3DERR_INVALIDCALL);
  IDirect3DStateBlock9* block = nullptr;
  EXPECT_EQ(d->EndStateBlock(&block), S_OK);
  ASSERT_NE(block, nullptr);
  block->Release();
  EXPECT_EQ(d->EndStateBlock(&block), D3DERR_INVALIDCALL);
}

TEST_F(DeviceTest, DrawsWithoutBuffersOrPastTheirEndAreRefused) {
  PlainStates();
  IDirect3DDevice9* d = device();
  d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  d->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
  EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);
  ColorVertex tri[3] = {{-1, -1, 0.5f, 0xFFFFFFFF},
                        {-1, 3, 0.5f, 0xFFFFFFFF},
                        {3, -1, 0.5f, 0xFFFFFFFF}};
  IDirect3DVertexBuffer9* vb = MakeVertexBuffer(tri, sizeof tri, 0);
  d->SetStreamSource(0, vb, 0, sizeof(ColorVertex));
  EXPECT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 0, 1),
            D3DERR_INVALIDCALL);  // no index buffer
  EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLELIST, 1, 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3DERR_INVALIDCALL);
  EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(d->DrawPrimitive(static_cast<D3DPRIMITIVETYPE>(9), 0, 1),
            D3DERR_INVALIDCALL);
  IDirect3DIndexBuffer9* ib = MakeIndexBuffer({0, 1, 5});  // 5: no vertex
  d->SetIndices(ib);
  EXPECT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 0, 1),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, -6, 0, 3, 0, 1),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 1, 1),
            D3DERR_INVALIDCALL);  // indices 1..3: past the index buffer
  // A stride shorter than the format is refused too.
  d->SetStreamSource(0, vb, 0, 8);
  EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);
  d->SetStreamSource(0, vb, 0, sizeof(ColorVertex));
  // Drawing from a locked buffer is refused.
  void* bits = nullptr;
  ASSERT_EQ(vb->Lock(0, 0, &bits, 0), S_OK);
  EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);
  vb->Unlock();
  // Nothing was drawn by any of these.
  EXPECT_EQ(PixelAt(Read(), 400, 300), 0xFF000000u);
  EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), S_OK);
  EXPECT_EQ(PixelAt(Read(), 400, 300), 0xFFFFFFFFu);
  ib->Release();
  vb->Release();
}

TEST_F(DeviceTest, LockingALockedBufferIsRefused) {
  IDirect3DVertexBuffer9* vb = nullptr;
  device()->CreateVertexBuffer(64, 0, 0, D3DPOOL_DEFAULT, &vb, nullptr);
  void* a = nullptr;
  void* b = nullptr;
  EXPECT_EQ(vb->Lock(0, 0, nullptr, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(vb->Lock(60, 8, &a, 0), D3DERR_INVALIDCALL);  // past the end
  EXPECT_EQ(vb->Unlock(), D3DERR_INVALIDCALL);            // not locked
  ASSERT_EQ(vb->Lock(16, 16, &a, 0), S_OK);
  EXPECT_EQ(vb->Lock(0, 0, &b, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(b, nullptr);
  EXPECT_EQ(vb->Unlock(), S_OK);
  EXPECT_EQ(vb->Unlock(), D3DERR_INVALIDCALL);
  vb->Release();
  IDirect3DIndexBuffer9* ib = nullptr;
  EXPECT_EQ(device()->CreateIndexBuffer(16, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                                        &ib, nullptr),
            D3DERR_INVALIDCALL);
  IDirect3DTexture9* texture = MakeTexture(4, 4, [](UINT, UINT) { return 0u; });
  D3DLOCKED_RECT locked;
  ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), S_OK);
  EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(texture->LockRect(1, &locked, nullptr, 0), D3DERR_INVALIDCALL);
  texture->UnlockRect(0);
  texture->Release();
}

TEST_F(DeviceTest, ObjectsOfAnotherDeviceAreRefused) {
  IDirect3DTexture9* mine = MakeTexture(1, 1, [](UINT, UINT) { return 0u; });
  IDirect3DTexture9* theirs = nullptr;
  IDirect3DStateBlock9* theirBlock = nullptr;
  {
    HeadlessDevice other;
    ASSERT_TRUE(other.ok()) << other.error();
    other.device()->CreateTexture(1, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                  &theirs, nullptr);
    other.device()->BeginStateBlock();
    other.device()->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
    other.device()->EndStateBlock(&theirBlock);
    headless_->MakeCurrent();

    EXPECT_EQ(device()->SetTexture(0, theirs), D3DERR_INVALIDCALL);
    device()->BeginStateBlock();
    EXPECT_EQ(device()->SetTexture(0, theirs), D3DERR_INVALIDCALL);
    IDirect3DStateBlock9* recorded = nullptr;
    device()->EndStateBlock(&recorded);
    device()->SetTexture(0, mine);
    recorded->Apply();  // recorded nothing: the texture stays
    IDirect3DBaseTexture9* bound = nullptr;
    device()->GetTexture(0, &bound);
    EXPECT_EQ(bound, mine);
    bound->Release();
    recorded->Release();
    // Their block applies to their device only.
    EXPECT_EQ(theirBlock->Apply(), S_OK);
    DWORD fill = 0;
    device()->GetRenderState(D3DRS_FILLMODE, &fill);
    EXPECT_EQ(fill, static_cast<DWORD>(D3DFILL_SOLID));
    other.device()->GetRenderState(D3DRS_FILLMODE, &fill);
    EXPECT_EQ(fill, static_cast<DWORD>(D3DFILL_WIREFRAME));
    other.MakeCurrent();
    theirBlock->Release();
    theirs->Release();
  }
  headless_->MakeCurrent();
  device()->SetTexture(0, nullptr);
  mine->Release();
}

TEST_F(DeviceTest, RewrittenIndicesAreCheckedAgain) {
  PlainStates();
  ColorVertex tri[3] = {{-1, -1, 0.5f, 0xFFFFFFFF},
                        {-1, 3, 0.5f, 0xFFFFFFFF},
                        {3, -1, 0.5f, 0xFFFFFFFF}};
  IDirect3DVertexBuffer9* vb = MakeVertexBuffer(tri, sizeof tri, 0);
  IDirect3DIndexBuffer9* ib = MakeIndexBuffer({0, 1, 2});
  device()->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
  device()->SetStreamSource(0, vb, 0, sizeof(ColorVertex));
  device()->SetIndices(ib);
  EXPECT_EQ(device()->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 0, 1),
            S_OK);
  uint32_t* indices = nullptr;
  ASSERT_EQ(ib->Lock(0, 0, reinterpret_cast<void**>(&indices), 0), S_OK);
  indices[2] = 3;  // one past the last vertex
  ib->Unlock();
  EXPECT_EQ(device()->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 0, 1),
            D3DERR_INVALIDCALL);
  ib->Release();
  vb->Release();
}
