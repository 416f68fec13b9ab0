// Shared pieces of the device conformance tests: a fresh device per test,
// vertex records, texture makers and pixel checks.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "headless_device.h"
#include "platform/gfx/d3d9.h"

struct ScreenVertex {  // D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1
  float x, y, z, rhw;
  D3DCOLOR color;
  float u, v;
};
constexpr DWORD kScreenFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

struct TexVertex {  // D3DFVF_XYZ | D3DFVF_TEX1 (0x102)
  float x, y, z, u, v;
};

struct NormalVertex {  // D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1 (0x112)
  float x, y, z, nx, ny, nz, u, v;
};

struct BlendVertex {  // D3DFVF_XYZB1 | D3DFVF_NORMAL | D3DFVF_TEX1 (0x116)
  float x, y, z, weight, nx, ny, nz, u, v;
};

struct PointVertex {  // D3DFVF_XYZ | D3DFVF_PSIZE | D3DFVF_DIFFUSE (0x062)
  float x, y, z, size;
  D3DCOLOR color;
};

struct ColorVertex {  // D3DFVF_XYZ | D3DFVF_DIFFUSE
  float x, y, z;
  D3DCOLOR color;
};

D3DMATRIX Identity();
D3DMATRIX Translation(float x, float y, float z);
D3DMATRIX Scaling(float x, float y, float z);
// Left-handed perspective, fov in radians (as D3DXMatrixPerspectiveFovLH).
D3DMATRIX PerspectiveFovLH(float fovY, float aspect, float zn, float zf);

class DeviceTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  IDirect3DDevice9* device() { return headless_->device(); }
  std::vector<uint32_t> Read() { return headless_->ReadBackBuffer(); }

  // A managed A8R8G8B8 texture filled from f(x, y) -> 0xAARRGGBB, one
  // level unless `levels` says otherwise (each level filled the same way).
  IDirect3DTexture9* MakeTexture(UINT width, UINT height,
                                 const std::function<uint32_t(UINT, UINT)>& f,
                                 UINT levels = 1);
  // A vertex buffer holding `bytes`.
  IDirect3DVertexBuffer9* MakeVertexBuffer(const void* data, UINT bytes,
                                           DWORD fvf);
  IDirect3DIndexBuffer9* MakeIndexBuffer(const std::vector<uint32_t>& indices);

  // Draws two triangles covering the screen-space rectangle (pixel edges
  // x0..x1, y0..y1) with DrawPrimitiveUP: texel centres land on pixel
  // centres, as Direct3D code gets by shifting by half a pixel.
  void DrawScreenRect(float x0, float y0, float x1, float y1, D3DCOLOR color,
                      float z = 0.5f);

  // Fixed states most scenes want: no culling, no lighting, no depth.
  void PlainStates();

  std::unique_ptr<HeadlessDevice> headless_;
  uint64_t glErrorsBefore_ = 0;
};

inline uint32_t PixelAt(const std::vector<uint32_t>& pixels, int x, int y,
                        int width = 800) {
  return pixels[static_cast<size_t>(y) * width + x];
}

// Channels of 0xAARRGGBB.
inline int Red(uint32_t c) { return (c >> 16) & 0xFF; }
inline int Green(uint32_t c) { return (c >> 8) & 0xFF; }
inline int Blue(uint32_t c) { return c & 0xFF; }
inline int Alpha(uint32_t c) { return c >> 24; }

// Writes the picture as NAME.png into the folder QUORBEL_GFX_TEST_OUT
// names, when it is set (for looking at what a test drew).
void KeepPicture(const char* name, const std::vector<uint32_t>& pixels,
                 int width = 800, int height = 600);

// Each channel within `tolerance` of the expected 0xAARRGGBB.
::testing::AssertionResult ColorNear(uint32_t actual, uint32_t expected,
                                     int tolerance = 1);
// The colour as 8-bit channels from floats in [0, 1], rounded.
uint32_t ArgbFromFloats(float a, float r, float g, float b);
