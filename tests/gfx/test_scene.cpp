#include "test_scene.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/gfx/gl_check.h"

D3DMATRIX Identity() {
  D3DMATRIX m{};
  m._11 = m._22 = m._33 = m._44 = 1.0f;
  return m;
}

D3DMATRIX Translation(float x, float y, float z) {
  D3DMATRIX m = Identity();
  m._41 = x;
  m._42 = y;
  m._43 = z;
  return m;
}

D3DMATRIX Scaling(float x, float y, float z) {
  D3DMATRIX m = Identity();
  m._11 = x;
  m._22 = y;
  m._33 = z;
  return m;
}

D3DMATRIX PerspectiveFovLH(float fovY, float aspect, float zn, float zf) {
  D3DMATRIX m{};
  float yScale = 1.0f / std::tan(fovY / 2.0f);
  m._11 = yScale / aspect;
  m._22 = yScale;
  m._33 = zf / (zf - zn);
  m._34 = 1.0f;
  m._43 = -zn * zf / (zf - zn);
  return m;
}

void DeviceTest::SetUp() {
  headless_ = std::make_unique<HeadlessDevice>();
  ASSERT_TRUE(headless_->ok()) << headless_->error();
  glErrorsBefore_ = gfx::GlErrorCount();
}

void DeviceTest::TearDown() {
  // Every scene must run without a GL error (debug builds check each call).
  EXPECT_EQ(gfx::GlErrorCount(), glErrorsBefore_);
  headless_.reset();
}

IDirect3DTexture9* DeviceTest::MakeTexture(
    UINT width, UINT height, const std::function<uint32_t(UINT, UINT)>& f,
    UINT levels) {
  IDirect3DTexture9* texture = nullptr;
  EXPECT_EQ(device()->CreateTexture(width, height, levels, 0, D3DFMT_A8R8G8B8,
                                    D3DPOOL_MANAGED, &texture, nullptr),
            S_OK);
  if (!texture) return nullptr;
  for (UINT level = 0; level < texture->GetLevelCount(); ++level) {
    D3DSURFACE_DESC desc;
    texture->GetLevelDesc(level, &desc);
    D3DLOCKED_RECT locked;
    EXPECT_EQ(texture->LockRect(level, &locked, nullptr, 0), S_OK);
    for (UINT y = 0; y < desc.Height; ++y) {
      auto* row = reinterpret_cast<uint32_t*>(
          static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch);
      for (UINT x = 0; x < desc.Width; ++x) row[x] = f(x, y);
    }
    texture->UnlockRect(level);
  }
  return texture;
}

IDirect3DVertexBuffer9* DeviceTest::MakeVertexBuffer(const void* data,
                                                     UINT bytes, DWORD fvf) {
  IDirect3DVertexBuffer9* buffer = nullptr;
  EXPECT_EQ(device()->CreateVertexBuffer(bytes, D3DUSAGE_WRITEONLY, fvf,
                                         D3DPOOL_DEFAULT, &buffer, nullptr),
            S_OK);
  void* bits = nullptr;
  EXPECT_EQ(buffer->Lock(0, 0, &bits, 0), S_OK);
  std::memcpy(bits, data, bytes);
  buffer->Unlock();
  return buffer;
}

IDirect3DIndexBuffer9* DeviceTest::MakeIndexBuffer(
    const std::vector<uint32_t>& indices) {
  IDirect3DIndexBuffer9* buffer = nullptr;
  UINT bytes = static_cast<UINT>(indices.size() * 4);
  EXPECT_EQ(
      device()->CreateIndexBuffer(bytes, D3DUSAGE_WRITEONLY, D3DFMT_INDEX32,
                                  D3DPOOL_DEFAULT, &buffer, nullptr),
      S_OK);
  void* bits = nullptr;
  EXPECT_EQ(buffer->Lock(0, 0, &bits, 0), S_OK);
  std::memcpy(bits, indices.data(), bytes);
  buffer->Unlock();
  return buffer;
}

void DeviceTest::DrawScreenRect(float x0, float y0, float x1, float y1,
                                D3DCOLOR color, float z) {
  // Pre-transformed vertices address Direct3D pixel centres at integers;
  // the pixel edges are half a pixel before them.
  x0 -= 0.5f;
  y0 -= 0.5f;
  x1 -= 0.5f;
  y1 -= 0.5f;
  ScreenVertex v[6] = {
      {x0, y0, z, 1.0f, color, 0.0f, 0.0f},
      {x1, y0, z, 1.0f, color, 1.0f, 0.0f},
      {x0, y1, z, 1.0f, color, 0.0f, 1.0f},
      {x1, y0, z, 1.0f, color, 1.0f, 0.0f},
      {x1, y1, z, 1.0f, color, 1.0f, 1.0f},
      {x0, y1, z, 1.0f, color, 0.0f, 1.0f},
  };
  device()->SetFVF(kScreenFvf);
  EXPECT_EQ(device()->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, v, sizeof v[0]),
            S_OK);
}

void DeviceTest::PlainStates() {
  device()->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device()->SetRenderState(D3DRS_LIGHTING, FALSE);
  device()->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
}

::testing::AssertionResult ColorNear(uint32_t actual, uint32_t expected,
                                     int tolerance) {
  for (int shift = 0; shift < 32; shift += 8) {
    int a = static_cast<int>((actual >> shift) & 0xFF);
    int e = static_cast<int>((expected >> shift) & 0xFF);
    if (std::abs(a - e) > tolerance) {
      char text[96];
      std::snprintf(text, sizeof text,
                    "0x%08X differs from 0x%08X by more than %d", actual,
                    expected, tolerance);
      return ::testing::AssertionFailure() << text;
    }
  }
  return ::testing::AssertionSuccess();
}

uint32_t ArgbFromFloats(float a, float r, float g, float b) {
  auto byte = [](float f) {
    f = f < 0.0f ? 0.0f : (f > 1.0f ? 1.0f : f);
    return static_cast<uint32_t>(std::lround(f * 255.0f));
  };
  return (byte(a) << 24) | (byte(r) << 16) | (byte(g) << 8) | byte(b);
}

void KeepPicture(const char* name, const std::vector<uint32_t>& pixels,
                 int width, int height) {
  const char* folder = std::getenv("QUORBEL_GFX_TEST_OUT");
  if (!folder || !*folder) return;
  std::string path = std::string(folder) + "/" + name + ".png";
  EXPECT_TRUE(WritePng(path, pixels, width, height)) << path;
}
