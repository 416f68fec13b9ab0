// topuz: the timer tick's rules without a device (flashes and jumps on new
// whole seconds, the camera's drift, the fade from 13.5 s, the end at
// second 27), and Reset/Release on a headless device.
#include "sections/topuz.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <mutex>
#include <thread>

#include "glow/glow_effect.h"
#include "headless_device.h"
#include "platform/system/embedded_resources.h"
#include "resources/texture_bank.h"
#include "section_device_test.h"
#include "section_update_test.h"
#include "shell/section_table.h"

namespace {

constexpr float kDegree = 0.017453292f;

using TopuzUpdateTest = SectionUpdateTest<topuz, 0>;

// The world matrix after turning `before` by `degrees` about z, y, then x.
D3DXMATRIX Spun(const D3DXMATRIX& before, double degrees) {
  const float a = static_cast<float>(degrees * kDegree);
  D3DXMATRIX out = before, r;
  D3DXMatrixMultiply(&out, &out, D3DXMatrixRotationZ(&r, a));
  D3DXMatrixMultiply(&out, &out, D3DXMatrixRotationY(&r, a));
  D3DXMatrixMultiply(&out, &out, D3DXMatrixRotationX(&r, a));
  return out;
}

TEST_F(TopuzUpdateTest, StartsWithTheCameraFarBackAndNothingTurned) {
  const topuz::Animation state = State();
  EXPECT_EQ(state.eye.z, -225.0f);
  EXPECT_EQ(state.fade, 0.0f);
  EXPECT_EQ(state.meshWorld.m[0][0], 1.0f);
  EXPECT_EQ(state.twist.m[1][1], 1.0f);
  EXPECT_EQ(state.lastSecond, 0u);
}

TEST_F(TopuzUpdateTest, FirstTwoSecondsFireNoFlashAndNoJump) {
  glow_.flashLevel.store(0.0f);
  TickRange(0, 1999);
  EXPECT_EQ(glow_.flashLevel.load(), 0.0f);
  // Only the drift: 0.04 units per ms over 1999 ms.
  EXPECT_NEAR(State().eye.z, -225.0f - 0.04f * 1999, 1e-2);
}

TEST_F(TopuzUpdateTest, FirstFlashJumpAndSpinComeAtTwoSeconds) {
  TickRange(0, 1999);
  glow_.flashLevel.store(0.0f);
  const topuz::Animation before = State();
  Tick(2000);
  EXPECT_EQ(glow_.flashLevel.load(), 1.0f);
  const topuz::Animation after = State();
  EXPECT_NEAR(after.eye.z - before.eye.z, 40.0f - 0.04f, 1e-3);
  ExpectMatrixNear(after.meshWorld, Spun(before.meshWorld, 80.005), 1e-5f);
  // Then one more with every whole second.
  glow_.flashLevel.store(0.0f);
  TickRange(2001, 2999);
  EXPECT_EQ(glow_.flashLevel.load(), 0.0f);
  Tick(3000);
  EXPECT_EQ(glow_.flashLevel.load(), 1.0f);
}

TEST_F(TopuzUpdateTest, TickAcrossTwoSecondsFlashesOnceAndJumpsTwice) {
  TickRange(0, 2500);
  glow_.flashLevel.store(0.5f);
  const topuz::Animation before = State();
  Tick(4100);  // from second 2 to second 4 in one tick of 1600 ms
  EXPECT_EQ(glow_.flashLevel.load(), 1.0f);
  const topuz::Animation after = State();
  EXPECT_NEAR(after.eye.z - before.eye.z, 80.0f - 0.04f * 1600, 1e-3);
  ExpectMatrixNear(after.meshWorld, Spun(before.meshWorld, 160.005), 1e-5f);
}

TEST_F(TopuzUpdateTest, ZeroDeltaStillSpinsAndTwistsButDoesNotDrift) {
  TickRange(0, 500);
  const topuz::Animation before = State();
  const D3DXMATRIX backdrop = glow_.BackdropWorld();
  section_.Update(500, 0);
  const topuz::Animation after = State();
  EXPECT_EQ(after.eye.z, before.eye.z);
  EXPECT_EQ(after.fade, before.fade);
  ExpectMatrixNear(glow_.BackdropWorld(), backdrop, 0.0f);
  ExpectMatrixNear(after.meshWorld, Spun(before.meshWorld, 0.005), 1e-6f);
  D3DXMATRIX twist = before.twist, r;
  D3DXMatrixMultiply(&twist, &twist, D3DXMatrixRotationX(&r, 0.0005f));
  D3DXMatrixMultiply(&twist, &twist, D3DXMatrixRotationY(&r, 0.0002f));
  D3DXMatrixMultiply(&twist, &twist, D3DXMatrixRotationZ(&r, 0.0003f));
  ExpectMatrixNear(after.twist, twist, 0.0f);
}

TEST_F(TopuzUpdateTest, CameraCirclesWithTheClock) {
  Tick(1234);
  const topuz::Animation state = State();
  EXPECT_NEAR(state.eye.x, 150.0 * std::cos(1.234) - 250.0, 1e-3);
  EXPECT_NEAR(state.eye.y, 150.0 * std::sin(1.234) - 280.0, 1e-3);
}

TEST_F(TopuzUpdateTest, BackdropTurnsWithDelta) {
  Tick(1);
  const D3DXMATRIX before = glow_.BackdropWorld();
  Tick(101);
  const D3DXMATRIX after = glow_.BackdropWorld();
  bool changed = false;
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) changed |= after.m[r][c] != before.m[r][c];
  }
  EXPECT_TRUE(changed);
}

TEST_F(TopuzUpdateTest, PictureFadesInFromThirteenAndAHalfSeconds) {
  TickRange(0, 13499);
  EXPECT_EQ(State().fade, 0.0f);
  Tick(13500);
  EXPECT_FLOAT_EQ(State().fade, 0.001f);
  TickRange(13501, 14498);
  EXPECT_LT(State().fade, 1.0f);
  TickRange(14499, 14600);
  EXPECT_EQ(State().fade, 1.0f);
}

TEST_F(TopuzUpdateTest, EndsWithTheFirstTickOfSecondTwentySeven) {
  TickRange(0, 26999);
  EXPECT_EQ(section_.done.load(), 0);
  Tick(27000);
  EXPECT_EQ(section_.done.load(), 1);
}

TEST_F(TopuzUpdateTest, EndsAnywhereInSecondTwentySeven) {
  Tick(0);
  Tick(27999);
  EXPECT_EQ(section_.done.load(), 1);
}

TEST_F(TopuzUpdateTest, EndsEvenWhenTheFirstTickComesAfterSecondTwentySeven) {
  // A stall that skips the whole of second 27 must not keep the show here.
  Tick(28500);
  EXPECT_EQ(section_.done.load(), 1);
  section_.done.store(0);
  Tick(31000);
  EXPECT_EQ(section_.done.load(), 1);
}

// Rows of a rotation matrix have unit length; a copy torn between the ticks
// before and after an 80-degree jump does not.
bool IsRotation(const D3DXMATRIX& m) {
  for (int r = 0; r < 3; ++r) {
    const float length =
        m.m[r][0] * m.m[r][0] + m.m[r][1] * m.m[r][1] + m.m[r][2] * m.m[r][2];
    if (std::fabs(length - 1.0f) > 1e-3f) return false;
  }
  return true;
}

TEST(TopuzThreads, FramesReadWholeTicksWhileTheTimerRuns) {
  // The shell's arrangement: ticks under its lock on the timer thread; the
  // frame reads the section's and the backdrop's published copies without
  // it. Run under ThreadSanitizer this also proves there is no data race.
  GlowEffect glow;
  topuz section;
  section.Attach(nullptr, nullptr, &glow);
  section.endSecond = kSectionEndSeconds[0];
  section.StartAnimation();
  std::mutex tickLock;
  std::atomic<bool> finished{false};
  std::thread timer([&] {
    for (uint32_t t = 0; t <= 6000; ++t) {
      std::lock_guard<std::mutex> lock(tickLock);
      section.Update(t, t == 0 ? 0 : 1);
    }
    finished.store(true);
  });
  int frames = 0;
  bool torn = false;
  while (!finished.load() || frames == 0) {
    const topuz::Animation frame = section.Published();
    torn |= !IsRotation(frame.meshWorld) || !IsRotation(frame.twist) ||
            !IsRotation(glow.BackdropWorld());
    ++frames;
  }
  timer.join();
  EXPECT_FALSE(torn);
  EXPECT_GT(frames, 0);
  EXPECT_EQ(section.done.load(), 0);
}

// Reset and Release on a device, with the glow object and the textures the
// show loads.
using TopuzDeviceTest = SectionDeviceTest<topuz>;

TEST_F(TopuzDeviceTest, ResetOpensTheShowWithAFlashAndDrawsAFrame) {
  glow_.flashLevel.store(0.0f);
  ASSERT_EQ(section_.Reset(), S_OK);
  EXPECT_EQ(glow_.flashLevel.load(), 1.0f);
  // The first frame comes before the first tick: the backdrop, the knot and
  // the overlay are drawn over the green clear (no green pixel survives the
  // backdrop in the middle of the frame).
  section_.Render();
  const std::vector<uint32_t> frame = headless_.ReadBackBuffer();
  EXPECT_NE(frame[300 * 800 + 400] & 0xFFFFFF, 0x00FF00u);
  // The glow object keeps the back buffer it saved; not the section's.
  glow_.savedBackBuffer.Reset();
  ExpectReleaseLeavesNothing();
}

TEST_F(TopuzDeviceTest, ResetFailsWithTheMeshMissingAndReleaseIsSafe) {
  OverrideEmbeddedResource(ResourceType::Mesh, 104, nullptr, 0);
  EXPECT_TRUE(FAILED(section_.Reset()));
  ExpectReleaseLeavesNothing();
}

TEST(TopuzLifecycle, ReleaseWithoutResetReleasesNothing) {
  topuz section;
  section.Release();
  section.Release();
  EXPECT_EQ(section.done.load(), 0);
}

}  // namespace
