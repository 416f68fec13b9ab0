// Greets: the timer tick's rules without a device (the cards in turn, also
// when a late tick skips the two-second mark; the camera's descent, the
// switch to bobbing, the descent speed's limit, the rings' rates, the end
// at second 165), and Reset, Render and Release on a headless device.
#include "sections/greets.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "glow/glow_effect.h"
#include "headless_device.h"
#include "platform/system/embedded_resources.h"
#include "resource_ids.h"
#include "resources/texture_bank.h"
#include "section_device_test.h"
#include "section_update_test.h"
#include "shell/section_table.h"

namespace {

constexpr int kGreetsIndex = 5;
constexpr uint32_t kFirstTick = 137000;  // Arms gives way at 137 s

class GreetsUpdateTest : public SectionUpdateTest<Greets, kGreetsIndex> {
 protected:
  GreetsUpdateTest() { last_ = kFirstTick - 1; }  // the previous tick was Arms'
};

// The angle of a turn about y that a world matrix holds.
double TurnAboutY(const D3DXMATRIX& m) {
  return std::atan2(m.m[2][0], m.m[0][0]);
}

TEST_F(GreetsUpdateTest, StartsHighAboveTheRingsWithTheFirstCard) {
  const Greets::Animation state = State();
  EXPECT_EQ(state.eye.x, 0.0f);
  EXPECT_EQ(state.eye.y, 250.0f);
  EXPECT_EQ(state.eye.z, -1.0f);
  EXPECT_EQ(state.descentSpeed, 0.0f);
  EXPECT_FALSE(state.bobbing);
  EXPECT_EQ(state.greetingSlot, 23);
  EXPECT_EQ(state.overlay.m[3][0], 850.0f);
  EXPECT_EQ(state.overlay.m[3][1], 350.0f);
}

TEST_F(GreetsUpdateTest, CardsRunThroughSlots23To30OneEveryTwoSeconds) {
  std::vector<std::pair<uint32_t, int>> changes;
  int slot = State().greetingSlot;
  for (uint32_t t = kFirstTick; t <= kFirstTick + 20000; ++t) {
    Tick(t);
    if (State().greetingSlot != slot) {
      slot = State().greetingSlot;
      changes.emplace_back(t, slot);
    }
  }
  const std::vector<std::pair<uint32_t, int>> expected = {
      {138000, 24}, {140000, 25}, {142000, 26}, {144000, 27}, {146000, 28},
      {148000, 29}, {150000, 30}, {152000, 23}, {154000, 24}, {156000, 25}};
  EXPECT_EQ(changes, expected);
}

TEST_F(GreetsUpdateTest, ALateTickThatSkipsTheMarkStillTurnsTheCard) {
  TickRange(kFirstTick, 139998);
  EXPECT_EQ(State().greetingSlot, 24);
  // The timer was late: 139999 and 140000 never came.
  Tick(140001);
  EXPECT_EQ(State().greetingSlot, 25);
  TickRange(140002, 141999);
  EXPECT_EQ(State().greetingSlot, 25);
  Tick(142000);
  EXPECT_EQ(State().greetingSlot, 26);
}

TEST_F(GreetsUpdateTest, AStallOverTwoMarksTurnsTwoCards) {
  TickRange(kFirstTick, 139000);
  EXPECT_EQ(State().greetingSlot, 24);
  Tick(143500);  // past 140000 and 142000
  EXPECT_EQ(State().greetingSlot, 26);
}

TEST_F(GreetsUpdateTest, ARepeatedTickOnTheMarkTurnsTheCardOnce) {
  TickRange(kFirstTick, 140000);
  EXPECT_EQ(State().greetingSlot, 25);
  section_.Update(140000, 0);
  EXPECT_EQ(State().greetingSlot, 25);
}

TEST_F(GreetsUpdateTest, TheCameraHangsStillThenDescendsFasterAndMovesBack) {
  Tick(kFirstTick);
  // The first step is taken at speed 0.
  EXPECT_EQ(State().eye.y, 250.0f);
  EXPECT_EQ(State().eye.z, -1.0f);
  TickRange(kFirstTick + 1, kFirstTick + 999);
  const Greets::Animation oneSecond = State();
  TickRange(kFirstTick + 1000, kFirstTick + 1999);
  const Greets::Animation twoSeconds = State();
  const float firstDrop = 250.0f - oneSecond.eye.y;
  const float secondDrop = oneSecond.eye.y - twoSeconds.eye.y;
  // Speed n * 0.00001 on tick n: 0.00001 * (0 + ... + 999) = 4.995 units
  // in the first second, three times that in the next.
  EXPECT_NEAR(firstDrop, 4.995f, 1e-2);
  EXPECT_NEAR(secondDrop, 3 * firstDrop, 5e-2);
  // Back by the same steps.
  EXPECT_NEAR(-1.0f - twoSeconds.eye.z, firstDrop + secondDrop, 1e-3);
  EXPECT_FALSE(twoSeconds.bobbing);
}

TEST_F(GreetsUpdateTest, AtHeightZeroTheCameraStartsBobbingAtOnce) {
  Greets::Animation before = State();
  uint32_t t = kFirstTick;
  for (; t < 165000; ++t) {
    before = State();
    Tick(t);
    if (State().bobbing) break;
  }
  ASSERT_TRUE(State().bobbing);
  EXPECT_GT(before.eye.y, 0.0f);
  EXPECT_FALSE(before.bobbing);
  // The step took the height to 0 or below; the same tick puts it at
  // 30 sin(0.002 * delta).
  EXPECT_LE(before.eye.y - before.descentSpeed, 0.0f);
  EXPECT_NEAR(State().eye.y, 30.0 * std::sin(0.002), 1e-6);
  EXPECT_FLOAT_EQ(State().bobPhase, 0.002f);
  // About seven seconds in: 0.00001 n^2 / 2 = 250 at n = 7071.
  EXPECT_NEAR(t, kFirstTick + 7071, 5);

  // Up to 30 units above and below, never descending again: a quarter
  // turn (785 ms) later it is at the top.
  TickRange(t + 1, t + 785);
  EXPECT_TRUE(State().bobbing);
  EXPECT_NEAR(State().eye.y, 30.0f, 1e-3);
  float lowest = 30.0f, highest = -30.0f;
  for (uint32_t u = t + 786; u <= t + 4000; ++u) {
    Tick(u);
    lowest = std::min(lowest, State().eye.y);
    highest = std::max(highest, State().eye.y);
  }
  EXPECT_NEAR(lowest, -30.0f, 1e-3);
  EXPECT_NEAR(highest, 30.0f, 1e-3);
}

TEST_F(GreetsUpdateTest, TheCameraStopsMovingBackWithinAStepPast200) {
  TickRange(kFirstTick, kFirstTick + 8000);
  const Greets::Animation state = State();
  EXPECT_LE(state.eye.z, -200.0f);
  EXPECT_GT(state.eye.z, -200.0f - state.descentSpeed);
  TickRange(kFirstTick + 8001, kFirstTick + 9000);
  EXPECT_EQ(State().eye.z, state.eye.z);
}

TEST_F(GreetsUpdateTest, TheDescentSpeedStopsGrowingAtOne) {
  // 0.00001 per tick: 1.0 after about 100000 ticks.
  TickRange(kFirstTick, kFirstTick + 110000);
  const float speed = State().descentSpeed;
  EXPECT_GE(speed, 1.0f);
  EXPECT_LT(speed, 1.0f + 0.00001f);
  TickRange(kFirstTick + 110001, kFirstTick + 110100);
  EXPECT_EQ(State().descentSpeed, speed);
}

TEST_F(GreetsUpdateTest, RingsTurnAboutTheVerticalAtTheirOwnRates) {
  TickRange(kFirstTick, kFirstTick + 999);
  const Greets::Animation state = State();
  // 1000 ms at 0.002, -0.001 and 0.0006 radians per ms.
  EXPECT_NEAR(TurnAboutY(state.innerRingWorld), 2.0, 1e-3);
  EXPECT_NEAR(TurnAboutY(state.middleRingWorld), -1.0, 1e-3);
  EXPECT_NEAR(TurnAboutY(state.outerRingWorld), 0.6, 1e-3);
  for (const D3DXMATRIX* m :
       {&state.innerRingWorld, &state.middleRingWorld, &state.outerRingWorld}) {
    EXPECT_NEAR(m->m[1][1], 1.0f, 1e-6);  // the vertical stays put
  }
  // The overlay: 0.05 pixels per ms to the left (each step rounded to
  // single precision).
  EXPECT_NEAR(state.overlay.m[3][0], 850.0 - 0.05 * 1000, 0.1);
}

TEST_F(GreetsUpdateTest, ZeroDeltaMovesNothingButTheDescentSpeedGrows) {
  TickRange(kFirstTick, kFirstTick + 3000);
  const Greets::Animation before = State();
  const D3DXMATRIX backdrop = glow_.BackdropWorld();
  section_.Update(kFirstTick + 3000, 0);
  const Greets::Animation after = State();
  EXPECT_EQ(after.eye.y, before.eye.y);
  EXPECT_EQ(after.eye.z, before.eye.z);
  EXPECT_EQ(0, std::memcmp(&after.innerRingWorld, &before.innerRingWorld,
                           sizeof(D3DXMATRIX)));
  EXPECT_EQ(0,
            std::memcmp(&after.overlay, &before.overlay, sizeof(D3DXMATRIX)));
  EXPECT_EQ(
      0, std::memcmp(&backdrop, glow_.BackdropWorld().m, sizeof(D3DXMATRIX)));
  EXPECT_FLOAT_EQ(after.descentSpeed, before.descentSpeed + 0.00001f);
}

TEST_F(GreetsUpdateTest, EndsWithTheFirstTickOfSecond165) {
  TickRange(kFirstTick, 164999);
  EXPECT_EQ(section_.done.load(), 0);
  Tick(165000);
  EXPECT_EQ(section_.done.load(), 1);
}

TEST_F(GreetsUpdateTest, EndWindowIsSecond165ItselfAndAfter) {
  Tick(164999);
  EXPECT_EQ(section_.done.load(), 0);
  Tick(165999);
  EXPECT_EQ(section_.done.load(), 1);
}

// Reset, Render and Release on a device, with the glow object and the
// textures the show loads.
class GreetsDeviceTest : public SectionDeviceTest<Greets> {
 protected:
  void SetUp() override {
    SectionDeviceTest::SetUp();
    section_.endSecond = kSectionEndSeconds[kGreetsIndex];
  }
};

TEST_F(GreetsDeviceTest, TheFirstFrameShowsTheRingsAndTheNextCardChangesIt) {
  ASSERT_EQ(section_.Reset(), S_OK);
  section_.Render();
  const std::vector<uint32_t> first = headless_.ReadBackBuffer();
  // The golden rings, seen from above, around the middle of the frame:
  // red well above blue somewhere on a ring's band.
  int golden = 0;
  for (int y = 200; y < 400; ++y) {
    for (int x = 300; x < 500; ++x) {
      const uint32_t c = first[y * 800 + x];
      golden += ((c >> 16) & 0xFF) > (c & 0xFF) + 80;
    }
  }
  EXPECT_GT(golden, 500);

  // The next card (slot 24) replaces the first on the carrier with the
  // tick on the mark.
  section_.Update(138000, 1);
  ASSERT_EQ(section_.Published().greetingSlot, 24);
  section_.Render();
  const std::vector<uint32_t> next = headless_.ReadBackBuffer();
  int changed = 0;
  for (size_t i = 0; i < next.size(); ++i) changed += next[i] != first[i];
  EXPECT_GT(changed, 50);
}

TEST_F(GreetsDeviceTest, ReleaseGivesBackEverythingResetCreated) {
  ASSERT_EQ(section_.Reset(), S_OK);
  // Four meshes and the state block.
  EXPECT_GE(DeviceReferences(device()), before_ + 5);
  section_.Render();
  // The glow object keeps the back buffer it saved; not the section's.
  glow_.savedBackBuffer.Reset();
  ExpectReleaseLeavesNothing();
}

TEST_F(GreetsDeviceTest, ResetStopsAtEachMissingMeshAndReleaseIsSafe) {
  for (uint16_t id :
       {resource_id::kRingInnerMesh, resource_id::kRingMiddleMesh,
        resource_id::kRingOuterMesh, resource_id::kCardCarrierMesh}) {
    SCOPED_TRACE(id);
    OverrideEmbeddedResource(ResourceType::Mesh, id, nullptr, 0);
    EXPECT_TRUE(FAILED(section_.Reset()));
    ExpectReleaseLeavesNothing();
    ClearResourceOverrides();
  }
}

TEST(GreetsLifecycle, ReleaseWithoutResetReleasesNothing) {
  Greets section;
  section.Release();
  section.Release();
  EXPECT_EQ(section.done.load(), 0);
}

}  // namespace
