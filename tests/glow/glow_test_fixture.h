// A headless device with the glow object initialised from the program's own
// resources, and helpers to read and make images.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "glow/glow_effect.h"
#include "headless_device.h"
#include "resources/texture_bank.h"

class GlowFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(headless_.ok()) << headless_.error();
    device_ = headless_.device();
    bank_.SetDevice(device_);
    bank_.textures = slots_;
    HRESULT hr = glow_.Init(device_, &bank_);
    ASSERT_EQ(hr, S_OK) << D3DXGetLastErrorText();
  }
  void TearDown() override {
    glow_.Release();
    for (IDirect3DTexture9*& texture : slots_) {
      if (texture) texture->Release();
      texture = nullptr;
    }
    bank_.textures = nullptr;
  }

  // A managed A8R8G8B8 texture filled with one colour.
  IDirect3DTexture9* SolidTexture(UINT width, UINT height, D3DCOLOR color) {
    IDirect3DTexture9* texture = nullptr;
    EXPECT_EQ(device_->CreateTexture(width, height, 1, 0, D3DFMT_A8R8G8B8,
                                     D3DPOOL_MANAGED, &texture, nullptr),
              S_OK);
    if (!texture) return nullptr;
    D3DLOCKED_RECT locked{};
    EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), S_OK);
    for (UINT y = 0; y < height; ++y) {
      uint32_t* row = reinterpret_cast<uint32_t*>(
          static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch);
      for (UINT x = 0; x < width; ++x) row[x] = color;
    }
    texture->UnlockRect(0);
    return texture;
  }

  std::vector<uint32_t> ReadTarget(int index) {
    std::vector<uint32_t> pixels;
    EXPECT_EQ(device_->ReadTexture(glow_.targetTextures[index].get(), &pixels),
              S_OK);
    return pixels;
  }

  HeadlessDevice headless_;
  IDirect3DDevice9* device_ = nullptr;
  IDirect3DTexture9* slots_[TextureBank::kSlotCount] = {};
  TextureBank bank_;
  GlowEffect glow_;
};

inline int Red(uint32_t p) { return (p >> 16) & 0xFF; }
inline int Green(uint32_t p) { return (p >> 8) & 0xFF; }
inline int Blue(uint32_t p) { return p & 0xFF; }
inline int Alpha(uint32_t p) { return (p >> 24) & 0xFF; }
