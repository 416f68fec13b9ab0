// The texture loader: power-of-two sizes with the picture scaled to fill
// them, the full mip chain, formats, and refusals of bad data.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/d3dx/d3dx9.h"
#include "shared_device.h"
#include "test_images.h"

namespace {

std::vector<uint32_t> LockLevel(IDirect3DTexture9* texture, UINT level, UINT* w,
                                UINT* h) {
  D3DSURFACE_DESC desc;
  texture->GetLevelDesc(level, &desc);
  *w = desc.Width;
  *h = desc.Height;
  std::vector<uint32_t> out(size_t(desc.Width) * desc.Height);
  D3DLOCKED_RECT locked;
  if (FAILED(texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY)))
    return {};
  for (UINT y = 0; y < desc.Height; ++y)
    std::memcpy(&out[size_t(y) * desc.Width],
                static_cast<uint8_t*>(locked.pBits) + size_t(y) * locked.Pitch,
                desc.Width * 4);
  texture->UnlockRect(level);
  return out;
}

int Channel(uint32_t p, int shift) { return (p >> shift) & 255; }

// Left 60 % red, right 40 % blue, half-transparent bottom rows.
std::vector<uint32_t> SplitPicture(int w, int h) {
  std::vector<uint32_t> p(size_t(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      p[size_t(y) * w + x] = (y >= h * 3 / 4 ? 0x80000000u : 0xFF000000u) |
                             (x < w * 3 / 5 ? 0x00FF0000u : 0x000000FFu);
  return p;
}

TEST(TextureLoader, PngWithAlphaScalesToPowerOfTwoAndKeepsAlpha) {
  IDirect3DDevice9* device = SharedDevice();
  ASSERT_NE(device, nullptr);
  const auto png = EncodePng(SplitPicture(800, 100), 800, 100, true);
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(D3DXCreateTextureFromFileInMemory(device, png.data(),
                                              UINT(png.size()), &texture),
            S_OK);
  D3DSURFACE_DESC desc;
  texture->GetLevelDesc(0, &desc);
  EXPECT_EQ(desc.Width, 1024u);
  EXPECT_EQ(desc.Height, 128u);
  EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
  EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
  EXPECT_EQ(texture->GetLevelCount(), 11u);  // 1024 down to 1
  UINT w, h;
  const auto level0 = LockLevel(texture, 0, &w, &h);
  ASSERT_EQ(level0.size(), 1024u * 128u);
  // The picture fills the texture: the red/blue edge moves from 480 of 800
  // to 614 of 1024, and the corners keep their colours.
  EXPECT_EQ(level0[10 * 1024 + 600] & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(level0[10 * 1024 + 630] & 0xFFFFFF, 0x0000FFu);
  EXPECT_EQ(level0[0] >> 24, 0xFFu);
  EXPECT_EQ(level0[127 * 1024 + 1023], 0x800000FFu);
  // Level 1 is the 2 x 2 average of level 0.
  UINT w1, h1;
  const auto level1 = LockLevel(texture, 1, &w1, &h1);
  EXPECT_EQ(w1, 512u);
  EXPECT_EQ(h1, 64u);
  for (int k = 0; k < 32; k += 8) {
    int sum = 0;
    for (int dy = 0; dy < 2; ++dy)
      for (int dx = 0; dx < 2; ++dx)
        sum += Channel(level0[(20 + dy) * 1024 + 612 + dx], k);
    EXPECT_NEAR(Channel(level1[10 * 512 + 306], k), sum / 4.0, 1.0);
  }
  // The last level is a single texel mixing everything.
  UINT wl, hl;
  const auto last = LockLevel(texture, 10, &wl, &hl);
  ASSERT_EQ(wl * hl, 1u);
  EXPECT_NEAR(Channel(last[0], 16), 255 * 0.6, 6);
  EXPECT_NEAR(Channel(last[0], 0), 255 * 0.4, 6);
  texture->Release();
}

TEST(TextureLoader, JpegBaselineAndProgressiveAreOpaqueX8R8G8B8) {
  IDirect3DDevice9* device = SharedDevice();
  ASSERT_NE(device, nullptr);
  std::vector<uint32_t> grey(96 * 40, 0xFF808080u);
  for (bool progressive : {false, true}) {
    const auto jpg = EncodeJpeg(grey, 96, 40, progressive);
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileInMemory(device, jpg.data(),
                                                UINT(jpg.size()), &texture),
              S_OK)
        << D3DXGetLastErrorText();
    D3DSURFACE_DESC desc;
    texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Width, 128u);
    EXPECT_EQ(desc.Height, 64u);
    EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(texture->GetLevelCount(), 8u);
    UINT w, h;
    const auto pixels = LockLevel(texture, 0, &w, &h);
    EXPECT_EQ(pixels[5 * 128 + 70] >> 24, 0xFFu);
    EXPECT_NEAR(Channel(pixels[5 * 128 + 70], 8), 0x80, 3);
    texture->Release();
  }
}

TEST(TextureLoader, OpaquePngIsX8R8G8B8AndPowerOfTwoSizesStay) {
  IDirect3DDevice9* device = SharedDevice();
  ASSERT_NE(device, nullptr);
  std::vector<uint32_t> pixels(64 * 32, 0xFF00FF00u);
  const auto png = EncodePng(pixels, 64, 32, false);
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(D3DXCreateTextureFromFileInMemory(device, png.data(),
                                              UINT(png.size()), &texture),
            S_OK);
  D3DSURFACE_DESC desc;
  texture->GetLevelDesc(0, &desc);
  EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
  EXPECT_EQ(desc.Width, 64u);
  EXPECT_EQ(desc.Height, 32u);
  EXPECT_EQ(texture->GetLevelCount(), 7u);
  texture->Release();
}

TEST(TextureLoader, BadDataIsRefusedWithAReason) {
  IDirect3DDevice9* device = SharedDevice();
  ASSERT_NE(device, nullptr);
  std::vector<uint32_t> pixels(16 * 16, 0xFF123456u);
  const auto png = EncodePng(pixels, 16, 16, true);
  const auto jpg = EncodeJpeg(pixels, 16, 16, false);
  IDirect3DTexture9* texture = nullptr;
  const char junk[] = "definitely not an image";
  EXPECT_EQ(
      D3DXCreateTextureFromFileInMemory(device, junk, sizeof junk, &texture),
      D3DXERR_INVALIDDATA);
  EXPECT_EQ(texture, nullptr);
  EXPECT_NE(std::string(D3DXGetLastErrorText()).find("neither PNG nor JPEG"),
            std::string::npos);
  // Truncated files at several lengths: an error or a texture, never a
  // crash.
  for (const auto* file : {&png, &jpg}) {
    for (size_t n = 1; n < file->size(); n += 7) {
      if (SUCCEEDED(D3DXCreateTextureFromFileInMemory(device, file->data(),
                                                      UINT(n), &texture)))
        texture->Release();
    }
  }
  // A PNG header claiming 100000 x 100000 is refused before decoding.
  auto huge = png;
  const uint8_t big[4] = {0x00, 0x01, 0x86, 0xA0};
  std::memcpy(&huge[16], big, 4);
  std::memcpy(&huge[20], big, 4);
  EXPECT_TRUE(FAILED(D3DXCreateTextureFromFileInMemory(
      device, huge.data(), UINT(huge.size()), &texture)));
  EXPECT_EQ(D3DXCreateTextureFromResourceA(device, nullptr,
                                           MAKEINTRESOURCE(59999), &texture),
            D3DXERR_INVALIDDATA);
}

}  // namespace
