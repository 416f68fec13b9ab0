// State lists, recorded state blocks, the owning pointer and the policy
// for results that cannot fail.
#include "toolkit/device_settings.h"

#include <gtest/gtest.h>

#include <cstring>

#include "headless_device.h"
#include "toolkit/expect_ok.h"

namespace {

const DeviceSetting kList[] = {
    RenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL),
    RenderState(D3DRS_DESTBLEND, D3DBLEND_ONE),
    StageState(D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_SPHEREMAP),
    ProjectionState({2.3f, 1.3f, 1.0f, 1000.0f}),
    // A later entry for the same state wins, as on the device.
    RenderState(D3DRS_LIGHTING, FALSE),
    RenderState(D3DRS_LIGHTING, TRUE),
};

class DeviceSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(headless_.ok()) << headless_.error();
    device_ = headless_.device();
  }
  DWORD Render(D3DRENDERSTATETYPE state) {
    DWORD value = 0;
    device_->GetRenderState(state, &value);
    return value;
  }
  DWORD Stage(D3DTEXTURESTAGESTATETYPE state) {
    DWORD value = 0;
    device_->GetTextureStageState(0, state, &value);
    return value;
  }
  void ExpectListOnDevice() {
    EXPECT_EQ(Render(D3DRS_ZFUNC), static_cast<DWORD>(D3DCMP_LESSEQUAL));
    EXPECT_EQ(Render(D3DRS_DESTBLEND), static_cast<DWORD>(D3DBLEND_ONE));
    EXPECT_EQ(Render(D3DRS_LIGHTING), static_cast<DWORD>(TRUE));
    EXPECT_EQ(Stage(D3DTSS_TEXCOORDINDEX),
              static_cast<DWORD>(D3DTSS_TCI_SPHEREMAP));
    D3DMATRIX projection{};
    device_->GetTransform(D3DTS_PROJECTION, &projection);
    const D3DXMATRIX expected = ProjectionMatrix({2.3f, 1.3f, 1.0f, 1000.0f});
    EXPECT_EQ(std::memcmp(&projection, &expected, sizeof projection), 0);
  }
  void Scramble() {
    device_->SetRenderState(D3DRS_ZFUNC, D3DCMP_ALWAYS);
    device_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    device_->SetRenderState(D3DRS_LIGHTING, FALSE);
    device_->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    device_->SetTransform(D3DTS_PROJECTION, &identity);
  }

  HeadlessDevice headless_;
  IDirect3DDevice9* device_ = nullptr;
};

TEST_F(DeviceSettingsTest, ApplySetsTheListInItsOrder) {
  Scramble();
  ApplySettings(device_, kList);
  ExpectListOnDevice();
}

TEST_F(DeviceSettingsTest, ARecordedBlockPutsTheWholeListBack) {
  RecordedStates states;
  EXPECT_FALSE(states.recorded());
  ASSERT_EQ(states.Record(device_, kList), S_OK);
  EXPECT_TRUE(states.recorded());
  Scramble();
  EXPECT_TRUE(states.Apply());
  ExpectListOnDevice();
  // Recording again replaces the block; releasing twice is harmless.
  ASSERT_EQ(states.Record(device_, kList), S_OK);
  states.Release();
  EXPECT_FALSE(states.recorded());
  states.Release();
}

TEST_F(DeviceSettingsTest, RecordingStopsAtAFailingBegin) {
  // A block already being recorded: BeginStateBlock refuses the second one.
  ASSERT_EQ(device_->BeginStateBlock(), S_OK);
  RecordedStates states;
  EXPECT_TRUE(FAILED(states.Record(device_, kList)));
  EXPECT_FALSE(states.recorded());
  IDirect3DStateBlock9* outer = nullptr;
  ASSERT_EQ(device_->EndStateBlock(&outer), S_OK);
  outer->Release();
}

TEST(UnexpectedFailurePolicy, ApplyingABlockNeverRecordedIsReported) {
  RecordedStates states;
  if (kStopOnUnexpectedFailure) {
    // Debug builds stop where the failure happened.
    EXPECT_DEATH(states.Apply(), "failed: 0x8876086c");
  } else {
    // Release builds report it once and carry on.
    testing::internal::CaptureStderr();
    EXPECT_FALSE(states.Apply());
    EXPECT_FALSE(states.Apply());
    const std::string report = testing::internal::GetCapturedStderr();
    EXPECT_NE(report.find("failed: 0x8876086c"), std::string::npos) << report;
    EXPECT_EQ(report.find("failed", report.find("failed") + 1),
              std::string::npos)
        << "reported more than once: " << report;
  }
}

// An object that counts what is done to its references.
class Counted : public IUnknown {
 public:
  ULONG AddRef() override { return ++references; }
  ULONG Release() override {
    ++releases;
    return --references;
  }
  ULONG references = 1;
  int releases = 0;
};

TEST(ComPtr, HoldsOneReferenceAndGivesItBackOnce) {
  Counted a, b;
  {
    ComPtr<Counted> p(&a);
    EXPECT_EQ(p.get(), &a);
    p.Reset();
    EXPECT_EQ(a.releases, 1);
    EXPECT_EQ(p, nullptr);
    p.Reset();  // nothing more to give back
    EXPECT_EQ(a.releases, 1);
    // A creation into a pointer that holds something gives that back first.
    *p.Receive() = &b;
    ComPtr<Counted> moved = std::move(p);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(moved.get(), &b);
    EXPECT_EQ(b.releases, 0);
  }
  EXPECT_EQ(b.releases, 1) << "the destructor gives back what is held";
  ComPtr<Counted> kept(&a);
  EXPECT_EQ(kept.Detach(), &a);
  EXPECT_EQ(a.releases, 1) << "a detached reference is the caller's";
}

}  // namespace
