// Titrek: the tick's rules without a device (the camera's sway and the
// breathing lens, the turn of both meshes, the banner's scroll, the end at
// second 41), and Reset/Render/Release on a headless device.
#include "sections/titrek.h"

#include <gtest/gtest.h>

#include <cmath>

#include "resource_ids.h"
#include "section_device_test.h"
#include "section_update_test.h"
#include "shell/section_table.h"

namespace {

using TitrekUpdateTest = SectionUpdateTest<Titrek, 1>;

TEST_F(TitrekUpdateTest,
       BeforeTheFirstTickTheCameraStandsInFrontAndTheBannerOffScreen) {
  const Titrek::Animation a = State();
  EXPECT_EQ(a.eye.x, 0.0f);
  EXPECT_EQ(a.eye.y, -10.0f);
  EXPECT_EQ(a.eye.z, -15.1f);
  EXPECT_EQ(a.fovY, 1.585f);
  // The banner's top-left corner: just right of the 800-pixel screen.
  EXPECT_EQ(a.banner._41, 850.0f);
  EXPECT_EQ(a.banner._42, 380.0f);
  ExpectMatrixNear(a.mainWorld, WorldMatrix(), 0.0f);
}

TEST_F(TitrekUpdateTest, TheBlobHangsUpsideDownBelowTheRingsAtAFifthOfItsSize) {
  const D3DXMATRIX m = State().smallWorld;
  // Its centre: (0, -50, -30) scaled by 0.2.
  const D3DXVECTOR3 centre = Transformed(m, 0.0f, 0.0f, 0.0f);
  EXPECT_NEAR(centre.x, 0.0f, 1e-5f);
  EXPECT_NEAR(centre.y, -10.0f, 1e-5f);
  EXPECT_NEAR(centre.z, -6.0f, 1e-5f);
  // Its up (0, 1, 0) points down, 0.2 long; x is mirrored, z is not.
  const D3DXVECTOR3 top = Transformed(m, 0.0f, 1.0f, 0.0f);
  EXPECT_NEAR(top.y - centre.y, -0.2f, 1e-6f);
  const D3DXVECTOR3 side = Transformed(m, 1.0f, 0.0f, 0.0f);
  EXPECT_NEAR(side.x - centre.x, -0.2f, 1e-6f);
}

TEST_F(TitrekUpdateTest, TheCameraSwaysWithTheClock) {
  Tick(27000);
  // At t = 27000 ms:
  //   x = 15 sin(5.4) = 15 * -0.772764 = -11.5915
  //   y = 15 cos(8.1) = 15 * -0.243544 = -3.6532
  //   z = 3 cos(5.4) + 10 = 3 * 0.634693 + 10 = 11.9041
  //   fovY = sin(13.5) + 1.7 = 0.803784 + 1.7 = 2.5038
  const Titrek::Animation a = State();
  EXPECT_NEAR(a.eye.x, -11.5915f, 1e-3f);
  EXPECT_NEAR(a.eye.y, -3.6532f, 1e-3f);
  EXPECT_NEAR(a.eye.z, 11.9041f, 1e-3f);
  EXPECT_NEAR(a.fovY, 2.5038f, 1e-3f);
}

TEST_F(TitrekUpdateTest, TheLensBreathesAcrossItsWholeRangeWithinTheSection) {
  // sin(0.0005 t) passes +1 at t = 28274 ms and -1 at 34558 ms.
  float narrowest = 10.0f, widest = 0.0f;
  for (uint32_t t = 27000; t < 41000; t += 10) {
    section_.Update(t, 10);
    narrowest = std::min(narrowest, State().fovY);
    widest = std::max(widest, State().fovY);
  }
  EXPECT_GE(narrowest, 0.7f - 1e-6f);
  EXPECT_LE(widest, 2.7f + 1e-6f);
  EXPECT_LT(narrowest, 0.701f);
  EXPECT_GT(widest, 2.699f);
}

TEST_F(TitrekUpdateTest, BothMeshesTurnAboutTheWorldsVerticalAxis) {
  TickRange(27001, 28000);  // 1000 ms: 0.5 radians
  const Titrek::Animation a = State();
  EXPECT_NEAR(a.mainWorld._11, std::cos(0.5f), 1e-4f);
  EXPECT_NEAR(a.mainWorld._13, -std::sin(0.5f), 1e-4f);
  EXPECT_NEAR(a.mainWorld._22, 1.0f, 1e-6f);
  // The blob swings around the vertical axis through the rings' centre:
  // (0, -10, -6) turned by 0.5 rad is (-6 sin 0.5, -10, -6 cos 0.5).
  const D3DXVECTOR3 centre = Transformed(a.smallWorld, 0.0f, 0.0f, 0.0f);
  EXPECT_NEAR(centre.x, -2.87655f, 1e-3f);
  EXPECT_NEAR(centre.y, -10.0f, 1e-4f);
  EXPECT_NEAR(centre.z, -5.26550f, 1e-3f);
}

TEST_F(TitrekUpdateTest, ZeroDeltaLeavesMeshesAndBannerButMovesTheCamera) {
  TickRange(27001, 27500);
  const Titrek::Animation before = State();
  section_.Update(29000, 0);
  const Titrek::Animation after = State();
  ExpectMatrixNear(after.mainWorld, before.mainWorld, 0.0f);
  ExpectMatrixNear(after.smallWorld, before.smallWorld, 0.0f);
  ExpectMatrixNear(after.banner, before.banner, 0.0f);
  EXPECT_NE(after.eye.x, before.eye.x);
  EXPECT_NE(after.fovY, before.fovY);
}

TEST_F(TitrekUpdateTest, TheBannerScrollsLeftEightyPixelsASecondAndKeepsGoing) {
  TickRange(27001, 40000);  // 13000 ms of delta
  EXPECT_NEAR(State().banner._41, 850.0f - 1040.0f, 0.05f);
  EXPECT_EQ(State().banner._42, 380.0f);
  Tick(40999);
  EXPECT_NEAR(State().banner._41, -190.0f - 0.08f * 999, 0.05f);
}

TEST_F(TitrekUpdateTest, EndsOnAnyTickOfSecondFortyOne) {
  Tick(40999);
  EXPECT_EQ(section_.done.load(), 0);
  Tick(41000);
  EXPECT_EQ(section_.done.load(), 1);
  section_.done.store(0);
  Tick(41999);
  EXPECT_EQ(section_.done.load(), 1);
}

TEST_F(TitrekUpdateTest, EndsWhenAStallSkipsSecondFortyOne) {
  Tick(40500);
  Tick(42200);
  EXPECT_EQ(section_.done.load(), 1);
}

using TitrekDeviceTest = SectionDeviceTest<Titrek>;

TEST_F(TitrekDeviceTest, AFrameBeforeTheFirstTickShowsTheLitRings) {
  ASSERT_EQ(section_.Reset(), S_OK);
  const std::vector<uint32_t> frame = RenderFrame();
  // The rings around the light fill much of the view; the clear is black.
  EXPECT_GT(LitShare(frame), 0.3);
}

TEST_F(TitrekDeviceTest, SphereMapLeftOnStageZeroDoesNotReachTheNextFrame) {
  ASSERT_EQ(section_.Reset(), S_OK);
  const std::vector<uint32_t> first = RenderFrame();
  EXPECT_EQ(StageState(D3DTSS_TEXCOORDINDEX), D3DTSS_TCI_SPHEREMAP);
  // The next frame's first Apply selects set 0 again for the rings: the
  // same animation draws the same picture.
  const std::vector<uint32_t> second = RenderFrame();
  EXPECT_EQ(first, second);
}

TEST_F(TitrekDeviceTest, ReleaseGivesBackEverythingResetMade) {
  ASSERT_EQ(section_.Reset(), S_OK);
  EXPECT_GT(Made(), 0);
  section_.Release();
  EXPECT_EQ(Made(), 0);
  section_.Release();  // a second Release gives back nothing more
  EXPECT_EQ(Made(), 0);
}

TEST_F(TitrekDeviceTest, MissingRingsFailResetAndNothingIsLeft) {
  OverrideEmbeddedResource(ResourceType::Mesh, resource_id::kGyroRingsMesh,
                           nullptr, 0);
  EXPECT_TRUE(FAILED(section_.Reset()));
  ExpectReleaseLeavesNothing();
}

TEST_F(TitrekDeviceTest,
       MissingBlobFailsResetAfterTheRingsAndReleaseFreesThem) {
  OverrideEmbeddedResource(ResourceType::Mesh, resource_id::kBlobMesh, nullptr,
                           0);
  EXPECT_TRUE(FAILED(section_.Reset()));
  EXPECT_GT(Made(), 0);  // the rings were loaded
  ExpectReleaseLeavesNothing();
}

TEST_F(TitrekDeviceTest, RefusedStateBlockFailsResetAndReleaseFreesTheMeshes) {
  EXPECT_TRUE(FAILED(ResetWithStateBlockRefused()));
  EXPECT_GT(Made(), 0);
  ExpectReleaseLeavesNothing();
}

TEST(TitrekLifecycle, ReleaseWithoutResetReleasesNothing) {
  Titrek section;
  section.Release();
  section.Release();
  EXPECT_EQ(section.done.load(), 0);
}

}  // namespace
