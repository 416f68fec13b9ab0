// What the section tests share: a section on a headless device with the
// show's textures and glow object, a count of the device's live objects to
// prove that Release gives back exactly what Reset made, and matrix
// comparisons.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "glow/glow_effect.h"
#include "headless_device.h"
#include "platform/system/embedded_resources.h"
#include "resources/texture_bank.h"

// Every object a device creates holds one device reference while it
// lives, so the device's count is one plus its live objects.
inline ULONG DeviceReferences(IDirect3DDevice9* device) {
  device->AddRef();
  return device->Release();
}

inline void ExpectMatrixNear(const D3DXMATRIX& a, const D3DXMATRIX& b,
                             float eps) {
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      EXPECT_NEAR(a.m[r][c], b.m[r][c], eps) << "[" << r << "][" << c << "]";
    }
  }
}

// Where a matrix takes a point (row vector times matrix).
inline D3DXVECTOR3 Transformed(const D3DXMATRIX& m, float x, float y, float z) {
  return D3DXVECTOR3(x * m._11 + y * m._21 + z * m._31 + m._41,
                     x * m._12 + y * m._22 + z * m._32 + m._42,
                     x * m._13 + y * m._23 + z * m._33 + m._43);
}

// Rows of a rotation matrix (times a uniform scale) all have the same
// length; a copy torn between two ticks does not.
inline bool IsScaledRotation(const D3DXMATRIX& m, float scale) {
  for (int r = 0; r < 3; ++r) {
    const float length = std::sqrt(
        m.m[r][0] * m.m[r][0] + m.m[r][1] * m.m[r][1] + m.m[r][2] * m.m[r][2]);
    if (std::fabs(length - scale) > 1e-3f * scale) return false;
  }
  return true;
}

// A section attached to a headless device, the textures the show loads and
// an initialised glow object; torn down in the shell's shutdown order
// (textures, glow, then the section).
template <typename Section>
class SectionDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(headless_.ok()) << headless_.error();
    bank_.SetDevice(device());
    ASSERT_EQ(bank_.LoadAll(), S_OK);
    ASSERT_EQ(glow_.Init(device(), &bank_), S_OK);
    section_.Attach(device(), &bank_, &glow_);
    before_ = DeviceReferences(device());
  }
  void TearDown() override {
    ClearResourceOverrides();
    bank_.Destroy();
    glow_.Release();
    section_.Release();
  }

  IDirect3DDevice9* device() const { return headless_.device(); }
  // The device's live objects beyond those there before Reset.
  long Made() const {
    return static_cast<long>(DeviceReferences(device())) -
           static_cast<long>(before_);
  }
  // Release gives back everything the section made, and a second Release
  // finds nothing left to give back.
  void ExpectReleaseLeavesNothing() {
    section_.Release();
    EXPECT_EQ(Made(), 0) << "after the first Release";
    section_.Release();
    EXPECT_EQ(Made(), 0) << "after the second Release";
  }
  std::vector<uint32_t> RenderFrame() {
    section_.Render();
    return headless_.ReadBackBuffer();
  }
  // Reset with state recording already open on the device, so that the
  // section's own BeginStateBlock fails after its meshes are made.
  HRESULT ResetWithStateBlockRefused() {
    EXPECT_EQ(device()->BeginStateBlock(), S_OK);
    const HRESULT hr = section_.Reset();
    IDirect3DStateBlock9* block = nullptr;
    EXPECT_EQ(device()->EndStateBlock(&block), S_OK);
    if (block) block->Release();
    return hr;
  }
  DWORD RenderState(D3DRENDERSTATETYPE state) const {
    DWORD value = 0;
    device()->GetRenderState(state, &value);
    return value;
  }
  DWORD StageState(D3DTEXTURESTAGESTATETYPE state) const {
    DWORD value = 0;
    device()->GetTextureStageState(0, state, &value);
    return value;
  }

  HeadlessDevice headless_;
  TextureBank bank_;
  GlowEffect glow_;
  Section section_;
  ULONG before_ = 0;
};

// The share of pixels in a frame that are not black.
inline double LitShare(const std::vector<uint32_t>& frame) {
  size_t lit = 0;
  for (uint32_t p : frame) lit += (p & 0xFFFFFF) != 0;
  return frame.empty() ? 0.0 : static_cast<double>(lit) / frame.size();
}
