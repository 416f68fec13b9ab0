// Tunnel: the tick's rules without a device (the tunnel's turn, the
// wandering aim, the blob rebuilt from the clock, the two scrolling
// overlays, the end at second 108), and Reset/Render/Release on a headless
// device, where Release must give back both meshes.
#include "sections/tunnel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <mutex>
#include <thread>

#include "resource_ids.h"
#include "section_device_test.h"
#include "section_update_test.h"
#include "shell/section_table.h"

namespace {

using TunnelUpdateTest = SectionUpdateTest<Tunnel, 3>;

TEST_F(TunnelUpdateTest,
       BeforeTheFirstTickTheLensAimsAtTheStartAndOverlaysWait) {
  const Tunnel::Animation a = State();
  EXPECT_EQ(a.tunnelTarget.x, 180.0f);
  EXPECT_EQ(a.tunnelTarget.y, 0.0f);
  EXPECT_EQ(a.tunnelTarget.z, 0.0f);
  // The strip at the top, 50 pixels in; the banner just right of the
  // 800-pixel screen, 180 pixels down.
  EXPECT_EQ(a.verticalOverlay._41, 50.0f);
  EXPECT_EQ(a.verticalOverlay._42, 0.0f);
  EXPECT_EQ(a.horizontalOverlay._41, 850.0f);
  EXPECT_EQ(a.horizontalOverlay._42, 180.0f);
  ExpectMatrixNear(a.tunnelWorld, WorldMatrix(), 0.0f);
}

TEST_F(TunnelUpdateTest, TheAimWandersWithTheClock) {
  Tick(90000);
  // a = 0.002 t = 180, b = 0.003 t = 270, g = 0.0005 t = 45:
  //   x = 30 sin(180) + 200 = 30 * -0.801153 + 200 = 175.9654
  //   y = 40 cos(180) sin(270) - 20 = 40 * -0.598460 * -0.176046 - 20
  //     = -15.7857
  //   z = 40 cos(45) sin(270) = 40 * 0.525322 * -0.176046 = -3.6992
  const D3DXVECTOR3 aim = State().tunnelTarget;
  EXPECT_NEAR(aim.x, 175.9654f, 1e-3f);
  EXPECT_NEAR(aim.y, -15.7857f, 1e-3f);
  EXPECT_NEAR(aim.z, -3.6992f, 1e-3f);
}

TEST_F(TunnelUpdateTest,
       TheBlobSitsFiveUnitsInFrontOfTheEyeAtThreeHundredthsOfItsSize) {
  Tick(90000);
  const D3DXMATRIX m = State().objectWorld;
  const D3DXVECTOR3 centre = Transformed(m, 0.0f, 0.0f, 0.0f);
  EXPECT_NEAR(centre.x, 3.0f, 1e-5f);
  EXPECT_NEAR(centre.y, -1.2f, 1e-5f);
  EXPECT_NEAR(centre.z, -135.0f, 1e-4f);
  EXPECT_TRUE(IsScaledRotation(m, 0.03f));
}

TEST_F(TunnelUpdateTest, TheBlobDependsOnTheClockAloneNotOnTheTicksBefore) {
  // Two histories that meet at the same moment give the same blob.
  TickRange(82001, 85000);
  const D3DXMATRIX stepped = State().objectWorld;
  Tunnel other;
  other.Attach(nullptr, nullptr, &glow_);
  other.StartAnimation();
  other.Update(85000, 3000);
  ExpectMatrixNear(other.Published().objectWorld, stepped, 0.0f);
}

TEST_F(TunnelUpdateTest, TheTunnelTurnsFiftyDegreesASecond) {
  TickRange(82001, 83000);
  const D3DXMATRIX m = State().tunnelWorld;
  // cos 50 degrees = 0.642788, sin 50 degrees = 0.766044.
  EXPECT_NEAR(m._11, 0.642788f, 1e-4f);
  EXPECT_NEAR(m._13, -0.766044f, 1e-4f);
  EXPECT_NEAR(m._22, 1.0f, 1e-6f);
}

TEST_F(TunnelUpdateTest, OverlaysScrollFiftyPixelsASecondUpAndLeft) {
  TickRange(82001, 92000);  // 10000 ms of delta
  const Tunnel::Animation a = State();
  EXPECT_NEAR(a.verticalOverlay._42, -500.0f, 0.5f);
  EXPECT_EQ(a.verticalOverlay._41, 50.0f);
  EXPECT_NEAR(a.horizontalOverlay._41, 350.0f, 0.5f);
  EXPECT_EQ(a.horizontalOverlay._42, 180.0f);
}

TEST_F(TunnelUpdateTest, ZeroDeltaLeavesTurnAndOverlaysButMovesAimAndBlob) {
  TickRange(82001, 82500);
  const Tunnel::Animation before = State();
  section_.Update(86000, 0);
  const Tunnel::Animation after = State();
  ExpectMatrixNear(after.tunnelWorld, before.tunnelWorld, 0.0f);
  ExpectMatrixNear(after.verticalOverlay, before.verticalOverlay, 0.0f);
  ExpectMatrixNear(after.horizontalOverlay, before.horizontalOverlay, 0.0f);
  EXPECT_NE(after.tunnelTarget.x, before.tunnelTarget.x);
  EXPECT_NE(after.objectWorld._22, before.objectWorld._22);
}

TEST_F(TunnelUpdateTest, EndsOnAnyTickOfSecondOneHundredAndEight) {
  Tick(107999);
  EXPECT_EQ(section_.done.load(), 0);
  Tick(108000);
  EXPECT_EQ(section_.done.load(), 1);
  section_.done.store(0);
  Tick(108999);
  EXPECT_EQ(section_.done.load(), 1);
}

TEST_F(TunnelUpdateTest,
       EndsEvenWhenItsFirstTickComesAfterSecondOneHundredAndEight) {
  Tick(109000);
  EXPECT_EQ(section_.done.load(), 1);
}

TEST(TunnelThreads, FramesReadWholeBlobsWhileTheTimerRebuildsThem) {
  // The blob's matrix is rebuilt in five steps on every tick; a frame that
  // read it mid-way would see a scale other than 0.03.
  GlowEffect glow;
  Tunnel section;
  section.Attach(nullptr, nullptr, &glow);
  section.endSecond = kSectionEndSeconds[3];
  section.StartAnimation();
  section.Update(82000, 0);
  std::mutex tickLock;
  std::atomic<bool> finished{false};
  std::thread timer([&] {
    for (uint32_t t = 82001; t <= 86000; ++t) {
      std::lock_guard<std::mutex> lock(tickLock);
      section.Update(t, 1);
    }
    finished.store(true);
  });
  int frames = 0;
  bool torn = false;
  while (!finished.load() || frames == 0) {
    const Tunnel::Animation frame = section.Published();
    torn |= !IsScaledRotation(frame.objectWorld, 0.03f) ||
            !IsScaledRotation(frame.tunnelWorld, 1.0f);
    ++frames;
  }
  timer.join();
  EXPECT_FALSE(torn);
  EXPECT_GT(frames, 0);
}

using TunnelDeviceTest = SectionDeviceTest<Tunnel>;

TEST_F(TunnelDeviceTest, AFrameBeforeTheFirstTickShowsTheTunnel) {
  ASSERT_EQ(section_.Reset(), S_OK);
  // The eye is inside the tube: its walls fill the view.
  EXPECT_GT(LitShare(RenderFrame()), 0.95);
}

TEST_F(TunnelDeviceTest, LightAndSphereMapLeftAfterAFrameDoNotReachTheNext) {
  ASSERT_EQ(section_.Reset(), S_OK);
  section_.Update(90000, 0);
  const std::vector<uint32_t> first = RenderFrame();
  EXPECT_EQ(StageState(D3DTSS_TEXCOORDINDEX), D3DTSS_TCI_SPHEREMAP);
  BOOL enabled = FALSE;
  device()->GetLightEnable(0, &enabled);
  EXPECT_TRUE(enabled);
  D3DLIGHT9 light{};
  device()->GetLight(0, &light);
  EXPECT_EQ(light.Type, D3DLIGHT_POINT);
  EXPECT_EQ(light.Position.z, -140.0f);  // at the eye
  EXPECT_EQ(light.Range, 230.0f);
  EXPECT_EQ(light.Attenuation2, 0.7f);
  EXPECT_EQ(first, RenderFrame());
}

TEST_F(TunnelDeviceTest, ReleaseGivesBackBothMeshesAndTheStateBlock) {
  ASSERT_EQ(section_.Reset(), S_OK);
  EXPECT_GT(Made(), 0);
  ExpectReleaseLeavesNothing();
}

TEST_F(TunnelDeviceTest, MissingTunnelFailsResetAndNothingIsLeft) {
  OverrideEmbeddedResource(ResourceType::Mesh, resource_id::kTunnelMesh,
                           nullptr, 0);
  EXPECT_TRUE(FAILED(section_.Reset()));
  ExpectReleaseLeavesNothing();
}

TEST_F(TunnelDeviceTest, MissingBlobFailsResetAfterTheTunnelAndReleaseFreesIt) {
  OverrideEmbeddedResource(ResourceType::Mesh, resource_id::kBlobMesh, nullptr,
                           0);
  EXPECT_TRUE(FAILED(section_.Reset()));
  EXPECT_GT(Made(), 0);
  ExpectReleaseLeavesNothing();
}

TEST_F(TunnelDeviceTest, RefusedStateBlockFailsResetAndReleaseFreesTheMeshes) {
  EXPECT_TRUE(FAILED(ResetWithStateBlockRefused()));
  EXPECT_GT(Made(), 0);
  ExpectReleaseLeavesNothing();
}

TEST(TunnelLifecycle, ReleaseWithoutResetReleasesNothing) {
  Tunnel section;
  section.Release();
  section.Release();
  EXPECT_EQ(section.done.load(), 0);
}

}  // namespace
