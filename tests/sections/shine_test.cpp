// Shine: the tick's rules without a device (the overlay's stages and their
// flashes, also across stalls; the tumble, the twist and the backdrop's
// turn; the end at second 82), and Reset/Render/Release on a headless
// device.
#include "sections/shine.h"

#include <gtest/gtest.h>

#include "resource_ids.h"
#include "section_device_test.h"
#include "section_update_test.h"
#include "shell/section_table.h"

namespace {

class ShineUpdateTest : public SectionUpdateTest<Shine, 2> {
 protected:
  void SetUp() override {
    SectionUpdateTest::SetUp();
    glow_.flashLevel.store(0.0f);
  }
  // Whether a flash fired since the last call.
  bool Flashed() {
    const bool fired = glow_.flashLevel.load() != 0.0f;
    glow_.flashLevel.store(0.0f);
    return fired;
  }
};

TEST_F(ShineUpdateTest, StartsWithTheFirstOverlayAndNothingTurned) {
  const Shine::Animation a = State();
  EXPECT_EQ(a.stage, ShineStage::Frame);
  ExpectMatrixNear(a.meshWorld, WorldMatrix(), 0.0f);
  ExpectMatrixNear(a.twist, WorldMatrix(), 0.0f);
}

TEST_F(ShineUpdateTest,
       OverlayChangesAtFiftyThreeAndSixtyEightWithOneFlashEach) {
  TickRange(41000, 52999);
  EXPECT_EQ(State().stage, ShineStage::Frame);
  EXPECT_FALSE(Flashed());
  Tick(53000);
  EXPECT_EQ(State().stage, ShineStage::Bars);
  EXPECT_TRUE(Flashed());
  TickRange(53001, 67999);  // the rest of second 53 and on: no more flashes
  EXPECT_EQ(State().stage, ShineStage::Bars);
  EXPECT_FALSE(Flashed());
  Tick(68000);
  EXPECT_EQ(State().stage, ShineStage::Ticks);
  EXPECT_TRUE(Flashed());
  TickRange(68001, 81999);
  EXPECT_EQ(State().stage, ShineStage::Ticks);
  EXPECT_FALSE(Flashed());
}

TEST_F(ShineUpdateTest, AStallAcrossSecondFiftyThreeStillChangesTheOverlay) {
  TickRange(41000, 52500);
  EXPECT_FALSE(Flashed());
  Tick(54200);  // no tick falls in second 53
  EXPECT_EQ(State().stage, ShineStage::Bars);
  EXPECT_TRUE(Flashed());
  Tick(54201);
  EXPECT_FALSE(Flashed());
}

TEST_F(ShineUpdateTest,
       AStallAcrossBothChangesGoesToTheLastOverlayWithOneFlash) {
  Tick(52000);
  Tick(69500);
  EXPECT_EQ(State().stage, ShineStage::Ticks);
  EXPECT_TRUE(Flashed());
  Tick(69501);
  EXPECT_FALSE(Flashed());
}

TEST_F(ShineUpdateTest, ZeroDeltaStillTwistsButLeavesTumbleAndBackdrop) {
  TickRange(41001, 41500);
  const Shine::Animation before = State();
  const D3DXMATRIX backdrop = glow_.BackdropWorld();
  section_.Update(41500, 0);
  const Shine::Animation after = State();
  ExpectMatrixNear(after.meshWorld, before.meshWorld, 0.0f);
  ExpectMatrixNear(glow_.BackdropWorld(), backdrop, 0.0f);
  // One tick's twist: 0.001 rad about x, 0.001 about y, 0.002 about z.
  D3DXMATRIX twist = before.twist, r;
  D3DXMatrixMultiply(&twist, &twist, D3DXMatrixRotationX(&r, 0.001f));
  D3DXMatrixMultiply(&twist, &twist, D3DXMatrixRotationY(&r, 0.001f));
  D3DXMatrixMultiply(&twist, &twist, D3DXMatrixRotationZ(&r, 0.002f));
  ExpectMatrixNear(after.twist, twist, 0.0f);
}

TEST_F(ShineUpdateTest, TheTubeTumblesAndTheBackdropTurnsWithTime) {
  const D3DXMATRIX backdrop = glow_.BackdropWorld();
  TickRange(41001, 46000);
  const Shine::Animation a = State();
  // Five seconds at up to 0.05 to 0.07 degrees per ms: a visible turn that
  // keeps the matrix a rotation.
  EXPECT_LT(a.meshWorld._11, 0.999f);
  EXPECT_TRUE(IsScaledRotation(a.meshWorld, 1.0f));
  EXPECT_TRUE(IsScaledRotation(a.twist, 1.0f));
  EXPECT_NE(glow_.BackdropWorld()._11, backdrop._11);
}

TEST_F(ShineUpdateTest, EndsOnAnyTickOfSecondEightyTwo) {
  Tick(81999);
  EXPECT_EQ(section_.done.load(), 0);
  Tick(82000);
  EXPECT_EQ(section_.done.load(), 1);
  section_.done.store(0);
  Tick(82999);
  EXPECT_EQ(section_.done.load(), 1);
}

using ShineDeviceTest = SectionDeviceTest<Shine>;

TEST_F(ShineDeviceTest, AFrameBeforeTheFirstTickShowsBackdropAndTube) {
  ASSERT_EQ(section_.Reset(), S_OK);
  // The backdrop sphere covers the whole view.
  EXPECT_GT(LitShare(RenderFrame()), 0.95);
}

TEST_F(ShineDeviceTest, BlendStatesLeftForTheGlowDoNotReachTheNextFrame) {
  ASSERT_EQ(section_.Reset(), S_OK);
  const std::vector<uint32_t> first = RenderFrame();
  EXPECT_EQ(RenderState(D3DRS_VERTEXBLEND), D3DVBF_1WEIGHTS);
  EXPECT_EQ(RenderState(D3DRS_DESTBLEND), D3DBLEND_INVBLENDFACTOR);
  EXPECT_EQ(RenderState(D3DRS_BLENDFACTOR), 0x7FFFFFFFu);
  EXPECT_EQ(RenderState(D3DRS_FILLMODE), D3DFILL_SOLID);
  EXPECT_EQ(first, RenderFrame());
}

TEST_F(ShineDeviceTest, TheSecondOverlayAddsItsSideBars) {
  ASSERT_EQ(section_.Reset(), S_OK);
  section_.Update(52999, 0);
  const std::vector<uint32_t> plain = RenderFrame();
  section_.Update(53000, 0);  // no tumble: only the twist moves, slightly
  const std::vector<uint32_t> barred = RenderFrame();
  // A bar of the second frame picture lies over the left edge at y = 150
  // (the pictures differ there; the tube is far from it).
  const uint32_t before = plain[150 * 800 + 36];
  const uint32_t after = barred[150 * 800 + 36];
  EXPECT_NE(before, after);
  // The bars are orange: more red than blue.
  EXPECT_GT((after >> 16) & 0xFF, (after & 0xFF) + 40);
}

TEST_F(ShineDeviceTest, ReleaseGivesBackEverythingResetMade) {
  ASSERT_EQ(section_.Reset(), S_OK);
  EXPECT_GT(Made(), 0);
  ExpectReleaseLeavesNothing();
}

TEST_F(ShineDeviceTest, MissingTubeFailsResetAndNothingIsLeft) {
  OverrideEmbeddedResource(ResourceType::Mesh, resource_id::kBentTubeMesh,
                           nullptr, 0);
  EXPECT_TRUE(FAILED(section_.Reset()));
  ExpectReleaseLeavesNothing();
}

TEST_F(ShineDeviceTest, RefusedStateBlockFailsResetAndReleaseFreesTheTube) {
  EXPECT_TRUE(FAILED(ResetWithStateBlockRefused()));
  EXPECT_GT(Made(), 0);
  ExpectReleaseLeavesNothing();
}

TEST(ShineLifecycle, ReleaseWithoutResetReleasesNothing) {
  Shine section;
  section.Release();
  section.Release();
  EXPECT_EQ(section.done.load(), 0);
}

}  // namespace
