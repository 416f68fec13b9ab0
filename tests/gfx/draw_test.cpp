// Drawing through the unlit fixed-function path: textured and coloured
// geometry, buffers, mip levels, Direct3D's pixel-centre convention.

#include "platform/gfx/device.h"
#include "platform/gfx/texture.h"
#include "test_scene.h"

TEST_F(DeviceTest, ScreenSpaceQuadMapsTexelsOneToOne) {
  PlainStates();
  // A 4 x 4 texture whose texels all differ, drawn as a 4 x 4 pixel quad
  // at (10, 20): each pixel must show exactly its texel (the half-pixel
  // convention and the orientation both right).
  IDirect3DTexture9* texture = MakeTexture(4, 4, [](UINT x, UINT y) {
    return 0xFF000000u | (x * 60u) << 16 | (y * 60u) << 8 | 0x11u;
  });
  device()->SetTexture(0, texture);
  device()->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  device()->BeginScene();
  DrawScreenRect(10, 20, 14, 24, 0xFFFFFFFF);
  device()->EndScene();
  std::vector<uint32_t> pixels = Read();
  for (UINT y = 0; y < 4; ++y)
    for (UINT x = 0; x < 4; ++x)
      EXPECT_EQ(PixelAt(pixels, 10 + x, 20 + y),
                0xFF000000u | (x * 60u) << 16 | (y * 60u) << 8 | 0x11u)
          << x << "," << y;
  EXPECT_EQ(PixelAt(pixels, 9, 20), 0xFF000000u);
  EXPECT_EQ(PixelAt(pixels, 14, 23), 0xFF000000u);
  EXPECT_EQ(PixelAt(pixels, 13, 24), 0xFF000000u);
  texture->Release();
}

TEST_F(DeviceTest, UntexturedDrawShowsVertexColour) {
  PlainStates();
  device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  // Default stage 0 is MODULATE(TEXTURE, CURRENT); with no texture the
  // stage passes the diffuse colour on.
  DrawScreenRect(0, 0, 100, 100, 0xFF20C040);
  EXPECT_EQ(PixelAt(Read(), 50, 50), 0xFF20C040u);
}

TEST_F(DeviceTest, IndexedMeshThroughTransformsModulatesTexture) {
  PlainStates();
  // A quad of XYZ|TEX1 vertices in a world moved by a translation and a
  // perspective projection: the centre of the screen samples the middle
  // of a 2 x 2 texture's right column.
  TexVertex vertices[4] = {
      {-1, -1, 0, 0, 1}, {-1, 1, 0, 0, 0}, {1, 1, 0, 1, 0}, {1, -1, 0, 1, 1}};
  IDirect3DVertexBuffer9* vb =
      MakeVertexBuffer(vertices, sizeof vertices, D3DFVF_XYZ | D3DFVF_TEX1);
  IDirect3DIndexBuffer9* ib = MakeIndexBuffer({0, 1, 2, 0, 2, 3});
  IDirect3DTexture9* texture = MakeTexture(
      2, 2, [](UINT x, UINT) { return x == 0 ? 0xFFFF0000u : 0xFF0000FFu; });
  D3DMATRIX world = Translation(0.5f, 0.0f, 0.0f);
  D3DMATRIX view = Translation(0.0f, 0.0f, 5.0f);
  D3DMATRIX projection = PerspectiveFovLH(0.785398f, 4.0f / 3.0f, 1, 100);
  device()->SetTransform(D3DTS_WORLD, &world);
  device()->SetTransform(D3DTS_VIEW, &view);
  device()->SetTransform(D3DTS_PROJECTION, &projection);
  device()->SetTexture(0, texture);
  device()->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
  device()->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
  device()->SetFVF(D3DFVF_XYZ | D3DFVF_TEX1);
  device()->SetStreamSource(0, vb, 0, sizeof(TexVertex));
  device()->SetIndices(ib);
  device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  device()->BeginScene();
  ASSERT_EQ(device()->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2),
            S_OK);
  device()->EndScene();
  std::vector<uint32_t> pixels = Read();
  // The quad spans x in [-0.5, 1.5] world units at distance 5: screen
  // centre (x = 0 world) is in the left (red) half of the texture; a point
  // at world x = 1 is right of centre in the blue half.
  EXPECT_EQ(PixelAt(pixels, 400, 300), 0xFFFF0000u);
  // World x = 1 -> view x 1 -> clip x = 1 * 2.41421 / 1.33333 = 1.81066,
  // w = 5 -> ndc 0.36213 -> pixel 400 + 0.36213 * 400 = 544.9.
  EXPECT_EQ(PixelAt(pixels, 560, 300), 0xFF0000FFu);
  EXPECT_EQ(PixelAt(pixels, 10, 10), 0xFF000000u);
  vb->Release();
  ib->Release();
  texture->Release();
}

TEST_F(DeviceTest, LockedBufferChangesReachTheNextDraw) {
  PlainStates();
  ColorVertex vertices[3] = {{-1, -1, 0.5f, 0xFFFF0000},
                             {-1, 3, 0.5f, 0xFFFF0000},
                             {3, -1, 0.5f, 0xFFFF0000}};
  IDirect3DVertexBuffer9* vb =
      MakeVertexBuffer(vertices, sizeof vertices, D3DFVF_XYZ | D3DFVF_DIFFUSE);
  device()->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
  device()->SetStreamSource(0, vb, 0, sizeof(ColorVertex));
  ASSERT_EQ(device()->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), S_OK);
  EXPECT_EQ(PixelAt(Read(), 400, 300), 0xFFFF0000u);
  ColorVertex* data = nullptr;
  ASSERT_EQ(vb->Lock(0, 0, reinterpret_cast<void**>(&data), 0), S_OK);
  for (int i = 0; i < 3; ++i) data[i].color = 0xFF00FF00;
  vb->Unlock();
  ASSERT_EQ(device()->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), S_OK);
  EXPECT_EQ(PixelAt(Read(), 400, 300), 0xFF00FF00u);
  vb->Release();
}

TEST_F(DeviceTest, MipLevelsAreSampledWhenMinified) {
  PlainStates();
  // Level 0 red, level 1 green, level 2 blue: a quad a quarter of the
  // texture's size with point mip filtering samples level 2.
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(device()->CreateTexture(16, 16, 0, 0, D3DFMT_A8R8G8B8,
                                    D3DPOOL_MANAGED, &texture, nullptr),
            S_OK);
  EXPECT_EQ(texture->GetLevelCount(), 5u);
  const uint32_t colors[5] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF,
                              0xFF808080};
  for (UINT level = 0; level < 5; ++level) {
    D3DSURFACE_DESC desc;
    texture->GetLevelDesc(level, &desc);
    EXPECT_EQ(desc.Width, 16u >> level);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(texture->LockRect(level, &locked, nullptr, 0), S_OK);
    for (UINT i = 0; i < desc.Width * desc.Height; ++i)
      static_cast<uint32_t*>(locked.pBits)[i] = colors[level];
    texture->UnlockRect(level);
  }
  device()->SetTexture(0, texture);
  device()->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_POINT);
  DrawScreenRect(0, 0, 4, 4, 0xFFFFFFFF);
  EXPECT_EQ(PixelAt(Read(), 1, 1), 0xFF0000FFu);
  DrawScreenRect(0, 0, 16, 16, 0xFFFFFFFF);
  EXPECT_EQ(PixelAt(Read(), 5, 5), 0xFFFF0000u);
  texture->Release();
}

TEST_F(DeviceTest, SpriteOrthoProjectionMapsTexelsOneToOne) {
  PlainStates();
  // The extension library's sprite: XYZ | DIFFUSE | TEX1 corners in pixels,
  // identity world and view, OrthoOffCenterLH(0.5, 800.5, 600.5, 0.5, 0, 1).
  D3DMATRIX ortho{};
  float l = 0.5f, r = 800.5f, b = 600.5f, t = 0.5f;
  ortho._11 = 2.0f / (r - l);
  ortho._22 = 2.0f / (t - b);
  ortho._33 = 1.0f;
  ortho._41 = (l + r) / (l - r);
  ortho._42 = (t + b) / (b - t);
  ortho._44 = 1.0f;
  device()->SetTransform(D3DTS_PROJECTION, &ortho);
  IDirect3DTexture9* texture = MakeTexture(8, 8, [](UINT x, UINT y) {
    return 0xFF000000u | (x * 30u) << 16 | (y * 30u) << 8 | 0xFFu;
  });
  device()->SetTexture(0, texture);
  device()->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  device()->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
  device()->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  device()->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device()->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device()->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  device()->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
  struct SpriteVertex {
    float x, y, z;
    D3DCOLOR color;
    float u, v;
  };
  const D3DCOLOR c = 0xFFFFFFFF;
  SpriteVertex quad[6] = {{32, 16, 0, c, 0, 0}, {40, 16, 0, c, 1, 0},
                          {32, 24, 0, c, 0, 1}, {40, 16, 0, c, 1, 0},
                          {40, 24, 0, c, 1, 1}, {32, 24, 0, c, 0, 1}};
  device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  ASSERT_EQ(
      device()->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, sizeof quad[0]),
      S_OK);
  std::vector<uint32_t> pixels = Read();
  for (UINT y = 0; y < 8; ++y)
    for (UINT x = 0; x < 8; ++x)
      EXPECT_EQ(PixelAt(pixels, 32 + x, 16 + y) & 0x00FFFFFFu,
                (x * 30u) << 16 | (y * 30u) << 8 | 0xFFu);
  // A flash colour of 0x7F7F7F7F scales rgb and alpha by 127/255 over black.
  for (SpriteVertex& v : quad) v.color = 0x7F7F7F7F;
  device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  device()->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, sizeof quad[0]);
  float k = 127.0f / 255.0f;
  uint32_t expected = ArgbFromFloats(k * k + (1 - k), 0, 0, k * k);
  EXPECT_TRUE(ColorNear(PixelAt(Read(), 32, 16), expected));
  texture->Release();
}

TEST_F(DeviceTest, XrgbTexturesReadOpaqueAlpha) {
  PlainStates();
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(device()->CreateTexture(1, 1, 1, 0, D3DFMT_X8R8G8B8,
                                    D3DPOOL_MANAGED, &texture, nullptr),
            S_OK);
  D3DLOCKED_RECT locked;
  texture->LockRect(0, &locked, nullptr, 0);
  *static_cast<uint32_t*>(locked.pBits) = 0x00336699;  // junk alpha byte
  texture->UnlockRect(0);
  device()->SetTexture(0, texture);
  device()->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  DrawScreenRect(0, 0, 4, 4, 0xFFFFFFFF);
  EXPECT_EQ(PixelAt(Read(), 1, 1), 0xFF336699u);
  texture->Release();
}

// PreLoad uploads a managed texture at once (on unit 0, whatever stage 0
// holds); the next draw must still sample the texture its stage holds, and
// the preloaded one draws without another upload.
TEST_F(DeviceTest, PreLoadUploadsNowAndLeavesTheStagesTexturesBound) {
  PlainStates();
  IDirect3DTexture9* red =
      MakeTexture(4, 4, [](UINT, UINT) { return 0xFFFF0000u; });
  IDirect3DTexture9* green =
      MakeTexture(4, 4, [](UINT, UINT) { return 0xFF00FF00u; });
  device()->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  device()->SetTexture(0, red);
  DrawScreenRect(0, 0, 4, 4, 0xFFFFFFFF);
  auto* greenTexture = static_cast<gfx::Texture*>(green);
  ASSERT_TRUE(greenTexture->needsPrepare());
  green->PreLoad();
  EXPECT_FALSE(greenTexture->needsPrepare());
  EXPECT_NE(greenTexture->glTexture(), 0u);
  DrawScreenRect(4, 0, 8, 4, 0xFFFFFFFF);  // stage 0 still holds red
  device()->SetTexture(0, green);
  DrawScreenRect(8, 0, 12, 4, 0xFFFFFFFF);
  const std::vector<uint32_t> pixels = Read();
  EXPECT_EQ(PixelAt(pixels, 1, 1), 0xFFFF0000u);
  EXPECT_EQ(PixelAt(pixels, 5, 1), 0xFFFF0000u);
  EXPECT_EQ(PixelAt(pixels, 9, 1), 0xFF00FF00u);
  red->Release();
  green->Release();
}

TEST_F(DeviceTest, RepeatingStateCostsNoGlCalls) {
  PlainStates();
  ColorVertex tri[3] = {{-1, -1, 0.5f, 0xFFFFFFFF},
                        {-1, 3, 0.5f, 0xFFFFFFFF},
                        {3, -1, 0.5f, 0xFFFFFFFF}};
  IDirect3DVertexBuffer9* vb =
      MakeVertexBuffer(tri, sizeof tri, D3DFVF_XYZ | D3DFVF_DIFFUSE);
  device()->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
  device()->SetStreamSource(0, vb, 0, sizeof(ColorVertex));
  // Factors that truly blend (ONE / ZERO would leave GL's blend off).
  device()->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device()->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  ASSERT_EQ(device()->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), S_OK);
  auto* impl = static_cast<gfx::Device*>(device());
  uint64_t before = impl->cache()->callCount();
  device()->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);  // unchanged
  device()->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);   // unchanged
  ASSERT_EQ(device()->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), S_OK);
  EXPECT_EQ(impl->cache()->callCount(), before);
  // A real change costs its call, once.
  device()->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device()->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1);
  EXPECT_EQ(impl->cache()->callCount(), before + 1);
  vb->Release();
}

TEST_F(DeviceTest, SixteenBitIndicesAndBaseVertex) {
  PlainStates();
  ColorVertex vertices[6] = {{0, 0, 0, 0},
                             {0, 0, 0, 0},
                             {0, 0, 0, 0},
                             {-1, -1, 0.5f, 0xFF00FF00},
                             {-1, 3, 0.5f, 0xFF00FF00},
                             {3, -1, 0.5f, 0xFF00FF00}};
  IDirect3DVertexBuffer9* vb =
      MakeVertexBuffer(vertices, sizeof vertices, D3DFVF_XYZ | D3DFVF_DIFFUSE);
  IDirect3DIndexBuffer9* ib = nullptr;
  ASSERT_EQ(device()->CreateIndexBuffer(6, 0, D3DFMT_INDEX16, D3DPOOL_DEFAULT,
                                        &ib, nullptr),
            S_OK);
  uint16_t* indices = nullptr;
  ib->Lock(0, 0, reinterpret_cast<void**>(&indices), 0);
  indices[0] = 0;
  indices[1] = 1;
  indices[2] = 2;
  ib->Unlock();
  device()->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
  device()->SetStreamSource(0, vb, 0, sizeof(ColorVertex));
  device()->SetIndices(ib);
  device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  ASSERT_EQ(device()->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 3, 0, 3, 0, 1),
            S_OK);
  EXPECT_EQ(PixelAt(Read(), 400, 300), 0xFF00FF00u);
  EXPECT_EQ(device()->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 4, 0, 3, 0, 1),
            D3DERR_INVALIDCALL);
  ib->Release();
  vb->Release();
}

TEST_F(DeviceTest, BufferRefilledBetweenDrawsReachesTheNextDraw) {
  // A buffer refilled every frame (the Arms points): the draw after the
  // Unlock uploads the new contents.
  PlainStates();
  ColorVertex tri[3] = {{-1, -1, 0.5f, 0xFFFF0000},
                        {-1, 3, 0.5f, 0xFFFF0000},
                        {3, -1, 0.5f, 0xFFFF0000}};
  IDirect3DVertexBuffer9* vb =
      MakeVertexBuffer(tri, sizeof tri, D3DFVF_XYZ | D3DFVF_DIFFUSE);
  device()->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
  device()->SetStreamSource(0, vb, 0, sizeof(ColorVertex));
  ASSERT_EQ(device()->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), S_OK);
  ColorVertex* data = nullptr;
  ASSERT_EQ(vb->Lock(0, 0, reinterpret_cast<void**>(&data), 0), S_OK);
  for (int i = 0; i < 3; ++i) data[i].color = 0xFF0000FF;
  ASSERT_EQ(vb->Unlock(), S_OK);
  ASSERT_EQ(device()->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), S_OK);
  EXPECT_EQ(PixelAt(Read(), 400, 300), 0xFF0000FFu);
  vb->Release();
}

TEST_F(DeviceTest, TextureAndStreamChangesReachTheNextDraw) {
  // Each draw covers the screen with one texel; between draws the bound
  // texture's contents, the texture, the stream and the FVF change.
  PlainStates();
  TexVertex tri[3] = {{-1, -1, 0.5f, 0.5f, 0.5f},
                      {-1, 3, 0.5f, 0.5f, 0.5f},
                      {3, -1, 0.5f, 0.5f, 0.5f}};
  ColorVertex coloured[3] = {{-1, -1, 0.5f, 0xFF0000FF},
                             {-1, 3, 0.5f, 0xFF0000FF},
                             {3, -1, 0.5f, 0xFF0000FF}};
  IDirect3DVertexBuffer9* texVb =
      MakeVertexBuffer(tri, sizeof tri, D3DFVF_XYZ | D3DFVF_TEX1);
  IDirect3DVertexBuffer9* colourVb =
      MakeVertexBuffer(coloured, sizeof coloured, D3DFVF_XYZ | D3DFVF_DIFFUSE);
  IDirect3DTexture9* first =
      MakeTexture(1, 1, [](UINT, UINT) { return 0xFF112233u; });
  IDirect3DTexture9* second =
      MakeTexture(1, 1, [](UINT, UINT) { return 0xFF445566u; });
  device()->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  device()->SetTexture(0, first);
  device()->SetFVF(D3DFVF_XYZ | D3DFVF_TEX1);
  device()->SetStreamSource(0, texVb, 0, sizeof(TexVertex));
  ASSERT_EQ(device()->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), S_OK);
  EXPECT_EQ(PixelAt(Read(), 400, 300), 0xFF112233u);
  // New texels in the bound texture, no Set call.
  D3DLOCKED_RECT locked;
  ASSERT_EQ(first->LockRect(0, &locked, nullptr, 0), S_OK);
  *static_cast<uint32_t*>(locked.pBits) = 0xFF778899u;
  first->UnlockRect(0);
  ASSERT_EQ(device()->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), S_OK);
  EXPECT_EQ(PixelAt(Read(), 400, 300), 0xFF778899u);
  device()->SetTexture(0, second);
  ASSERT_EQ(device()->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), S_OK);
  EXPECT_EQ(PixelAt(Read(), 400, 300), 0xFF445566u);
  // Another stream and format: untextured stage 0 shows the vertex colour.
  device()->SetTexture(0, nullptr);
  device()->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
  device()->SetStreamSource(0, colourVb, 0, sizeof(ColorVertex));
  ASSERT_EQ(device()->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), S_OK);
  EXPECT_EQ(PixelAt(Read(), 400, 300), 0xFF0000FFu);
  // A DrawPrimitiveUP in between leaves stream 0 unset; setting the
  // textured stream again draws from it, not from the UP buffer.
  DrawScreenRect(0, 0, 10, 10, 0xFFFFFFFF);
  device()->SetTexture(0, second);
  device()->SetFVF(D3DFVF_XYZ | D3DFVF_TEX1);
  device()->SetStreamSource(0, texVb, 0, sizeof(TexVertex));
  ASSERT_EQ(device()->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), S_OK);
  EXPECT_EQ(PixelAt(Read(), 400, 300), 0xFF445566u);
  device()->SetTexture(0, nullptr);
  device()->SetStreamSource(0, nullptr, 0, 0);
  first->Release();
  second->Release();
  texVb->Release();
  colourVb->Release();
}
