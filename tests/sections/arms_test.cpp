// Arms: the chains' simulation as behaviour (the push, the head's curve,
// chains settling into lines, the mirror pair of arms 0 and 29), the
// tumble and the scrolling overlay, the end at second 137; the point
// sprites' size on the device as the section draws them; Reset, Render and
// Release on a headless device, also when the point buffer cannot be
// locked.
#include "sections/arms.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "glow/glow_effect.h"
#include "headless_device.h"
#include "platform/system/embedded_resources.h"
#include "resource_ids.h"
#include "resources/texture_bank.h"
#include "section_device_test.h"
#include "section_update_test.h"
#include "shell/section_table.h"
#include "toolkit/camera.h"
#include "toolkit/expect_ok.h"

namespace {

constexpr int kArmsIndex = 4;
constexpr uint32_t kFirstTick = 108000;  // Tunnel gives way at 108 s
constexpr double kPi = 3.14159265358979323846;

// At t = 500 pi ms the head's x (sin 0.002 t) and y (cos 0.001 t) are
// both about zero: the head sits at the origin, where floats are finest.
constexpr float kHeadAtOrigin = 1570.7964f;

struct Vec {
  double x, y, z;
};
Vec At(const PointVertex& p) { return {p.x, p.y, p.z}; }
Vec Sub(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double Dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
double Length(Vec a) { return std::sqrt(Dot(a, a)); }
Vec Cross(Vec a, Vec b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

const PointVertex& Point(const ArmPoints& v, int arm, int j) {
  return v[arm * kPointsPerArm + j];
}

class ArmsUpdateTest : public SectionUpdateTest<Arms, kArmsIndex> {
 protected:
  ArmsUpdateTest() {
    last_ = kFirstTick - 1;
  }  // the previous tick was Tunnel's
};

TEST_F(ArmsUpdateTest, StartsAsAStarOfWhitePointsAroundTheOrigin) {
  const ArmPoints& v = State().points;
  for (int i = 0; i < kArmCount; ++i) {
    SCOPED_TRACE(i);
    const PointVertex& root = Point(v, i, 0);
    EXPECT_EQ(root.x, 0.0f);
    EXPECT_EQ(root.y, 0.0f);
    EXPECT_EQ(root.z, 0.0f);
    // Arm i leaves the origin at i * 360 / 29 degrees in the xy plane,
    // its points 0.01 units apart there.
    const double heading = i * 360.0 / 29.0 * kPi / 180.0;
    for (int j = 1; j < kPointsPerArm; ++j) {
      const PointVertex& p = Point(v, i, j);
      const double angle = std::atan2(p.y, p.x) - heading;
      EXPECT_NEAR(std::sin(angle), 0.0, 1e-5) << j;
      EXPECT_GT(std::cos(angle), 0.0) << j;
      EXPECT_NEAR(std::hypot(p.x, p.y), 0.01 * j, 1e-6) << j;
      EXPECT_EQ(p.size, 1.0f);
      EXPECT_EQ(p.color, 0xFFFFFFFFu);
    }
  }
}

TEST(ArmsSimulation, APointOnItsMovedPredecessorMovesByExactlyThePush) {
  Arms section;
  GlowEffect glow;
  section.Attach(nullptr, nullptr, &glow);
  section.StartAnimation();
  const ArmPoints start = section.Published().points;
  ArmPoints moved = start;
  Arms::SimulatePoints(moved, kHeadAtOrigin);

  for (int i : {0, 7, 20, 29}) {
    for (int j : {1, 2, 15, 29}) {
      SCOPED_TRACE(::testing::Message() << "arm " << i << " point " << j);
      // Put the point where its predecessor lands this tick (the
      // predecessor does not depend on it), then run the same tick.
      ArmPoints before = start;
      PointVertex& p = before[i * kPointsPerArm + j];
      const PointVertex& q = moved[i * kPointsPerArm + j - 1];
      p.x = q.x;
      p.y = q.y;
      p.z = q.z;
      ArmPoints after = before;
      Arms::SimulatePoints(after, kHeadAtOrigin);
      const PointVertex& predecessor = Point(after, i, j - 1);
      ASSERT_EQ(predecessor.x, q.x);
      ASSERT_EQ(predecessor.y, q.y);
      ASSERT_EQ(predecessor.z, q.z);

      // No gap to close: only the push, 0.78 * 0.01 * (j + 1) units
      // against (cos a, sin a, cos 360a), a = i * 360 / 29 degrees.
      const double a = i * 360.0 / 29.0 * kPi / 180.0;
      const double push = 0.78 * 0.01 * (j + 1);
      const PointVertex& p1 = Point(after, i, j);
      // Single precision at |p| < 0.5 and the angle's own rounding.
      const double tolerance = 1e-7 + 1e-6 * push;
      EXPECT_NEAR(double(p1.x) - p.x, -push * std::cos(a), tolerance);
      EXPECT_NEAR(double(p1.y) - p.y, -push * std::sin(a), tolerance);
      EXPECT_NEAR(double(p1.z) - p.z, -push * std::cos(a * 2.0 * kPi),
                  tolerance + 1e-5 * push);
    }
  }
}

TEST(ArmsSimulation, SizesShrinkAlongEachChainFromTheHead) {
  Arms section;
  GlowEffect glow;
  section.Attach(nullptr, nullptr, &glow);
  section.StartAnimation();
  ArmPoints v = section.Published().points;
  Arms::SimulatePoints(v, 5000.0f);
  for (int i = 0; i < kArmCount; ++i) {
    EXPECT_EQ(Point(v, i, 0).size, 1.0f);
    EXPECT_FLOAT_EQ(Point(v, i, 1).size, 1.12f);
    EXPECT_FLOAT_EQ(Point(v, i, 15).size, 0.56f);
    EXPECT_EQ(Point(v, i, 29).size, 0.0f);
  }
}

TEST_F(ArmsUpdateTest, TheHeadRunsOnItsCurveAndEveryRootJoinsIt) {
  for (uint32_t t : {108000u, 115321u, 136999u}) {
    SCOPED_TRACE(t);
    Tick(t);
    const ArmPoints& v = State().points;
    EXPECT_NEAR(v[0].x, 180.0 * std::sin(0.002 * t), 1e-4);
    EXPECT_NEAR(v[0].y, 180.0 * std::cos(0.001 * t), 1e-4);
    EXPECT_EQ(v[0].z, 0.0f);
    EXPECT_EQ(v[0].size, 1.0f);
    for (int i = 0; i < kArmCount; ++i) {
      const PointVertex& root = Point(v, i, 0);
      EXPECT_EQ(root.x, v[0].x);
      EXPECT_EQ(root.y, v[0].y);
      EXPECT_EQ(root.z, v[0].z);
      EXPECT_EQ(root.size, v[0].size);
    }
  }
}

TEST_F(ArmsUpdateTest, ArmsZeroAndTwentyNineDifferOnlyInDepth) {
  TickRange(kFirstTick, kFirstTick + 3000);
  const ArmPoints& v = State().points;
  double largestDepthGap = 0;
  for (int j = 0; j < kPointsPerArm; ++j) {
    const PointVertex& first = Point(v, 0, j);
    const PointVertex& last = Point(v, 29, j);
    EXPECT_NEAR(first.x, last.x, 1e-3) << j;
    EXPECT_NEAR(first.y, last.y, 1e-3) << j;
    largestDepthGap =
        std::max(largestDepthGap, std::fabs(double(first.z) - last.z));
  }
  EXPECT_GT(largestDepthGap, 10.0);
}

TEST_F(ArmsUpdateTest, WithTheHeadStillEachChainSettlesIntoALineLeadingAway) {
  // Ticks of delta 0 at one moment keep the head in one place.
  Tick(kFirstTick);
  for (int n = 0; n < 6000; ++n) section_.Update(kFirstTick, 0);
  const ArmPoints& v = State().points;
  const Vec head = At(v[0]);
  std::vector<Vec> directions;
  for (int i = 0; i < kArmCount; ++i) {
    SCOPED_TRACE(i);
    const Vec reach = Sub(At(Point(v, i, kPointsPerArm - 1)), head);
    const double length = Length(reach);
    ASSERT_GT(length, 50.0);
    const Vec u = {reach.x / length, reach.y / length, reach.z / length};
    directions.push_back(u);
    double lastDistance = 0, lastGap = 0;
    for (int j = 1; j < kPointsPerArm; ++j) {
      const Vec offset = Sub(At(Point(v, i, j)), head);
      // On the line from the head through the tip (within a hundredth of
      // a unit: single precision settles each link only to within about
      // 50 units in the last place of its coordinates)...
      EXPECT_LT(Length(Cross(offset, u)), 1e-2) << j;
      // ... each point farther out than the one before, the gaps growing
      // along the chain.
      const double distance = Dot(offset, u);
      const double gap = distance - lastDistance;
      EXPECT_GT(gap, lastGap) << j;
      lastDistance = distance;
      lastGap = gap;
    }
  }
  // Thirty different directions: a star, not a bundle.
  for (int a = 0; a < kArmCount; ++a) {
    for (int b = a + 1; b < kArmCount; ++b) {
      EXPECT_LT(Dot(directions[a], directions[b]), 0.999) << a << " " << b;
    }
  }
}

TEST_F(ArmsUpdateTest,
       ZeroDeltaKeepsTumbleAndOverlayButMovesPointsAndBackdrop) {
  TickRange(kFirstTick, kFirstTick + 100);
  const Arms::Animation before = State();
  const D3DXMATRIX backdrop = glow_.BackdropWorld();
  section_.Update(kFirstTick + 100, 0);
  const Arms::Animation after = State();
  EXPECT_EQ(0, std::memcmp(&after.swarmWorld, &before.swarmWorld,
                           sizeof(D3DXMATRIX)));
  EXPECT_EQ(
      0, std::memcmp(&after.meshWorld, &before.meshWorld, sizeof(D3DXMATRIX)));
  EXPECT_EQ(0,
            std::memcmp(&after.overlay, &before.overlay, sizeof(D3DXMATRIX)));
  int moved = 0;
  for (int k = 0; k < kArmPointCount; ++k) {
    moved += after.points[k].x != before.points[k].x ||
             after.points[k].y != before.points[k].y ||
             after.points[k].z != before.points[k].z;
  }
  EXPECT_GT(moved, kArmPointCount / 2);
  EXPECT_NE(
      0, std::memcmp(&backdrop, glow_.BackdropWorld().m, sizeof(D3DXMATRIX)));
}

TEST_F(ArmsUpdateTest, TheSwarmTumblesAndTheMeshHangsOffItsCentre) {
  TickRange(kFirstTick, kFirstTick + 1999);
  const Arms::Animation state = State();
  // 2000 ms: about 0.6, 0.4 and 0.2 radians about y, x and z.
  EXPECT_LT(state.swarmWorld.m[0][0], 0.95f);
  for (int r = 0; r < 3; ++r) {
    const float* row = state.swarmWorld.m[r];
    EXPECT_NEAR(row[0] * row[0] + row[1] * row[1] + row[2] * row[2], 1.0, 1e-4);
    for (int c = 0; c < 3; ++c) {
      EXPECT_EQ(state.meshWorld.m[r][c], state.swarmWorld.m[r][c]);
    }
  }
  // Whatever the tumble, the mesh's origin lies at its offset.
  EXPECT_EQ(state.meshWorld.m[3][0], -170.0f);
  EXPECT_EQ(state.meshWorld.m[3][1], -50.0f);
  EXPECT_EQ(state.meshWorld.m[3][2], -180.0f);
  // 0.05 pixels per ms to the left from x = 850 (each step rounded to
  // single precision), y stays at 320.
  EXPECT_NEAR(state.overlay.m[3][0], 850.0 - 0.05 * 2000, 0.1);
  EXPECT_EQ(state.overlay.m[3][1], 320.0f);
}

TEST_F(ArmsUpdateTest, BackdropTurnsOnEveryTick) {
  Tick(kFirstTick);
  const D3DXMATRIX before = glow_.BackdropWorld();
  Tick(kFirstTick + 1);
  EXPECT_NE(0,
            std::memcmp(&before, glow_.BackdropWorld().m, sizeof(D3DXMATRIX)));
}

TEST_F(ArmsUpdateTest, EndsWithTheFirstTickOfSecond137) {
  TickRange(kFirstTick, 136999);
  EXPECT_EQ(section_.done.load(), 0);
  Tick(137000);
  EXPECT_EQ(section_.done.load(), 1);
}

TEST_F(ArmsUpdateTest, EndWindowIsSecond137ItselfAndAfter) {
  Tick(136999);
  EXPECT_EQ(section_.done.load(), 0);
  Tick(137999);
  EXPECT_EQ(section_.done.load(), 1);
}

TEST(ArmsThreads, FramesReadWholeTicksWhileTheTimerRuns) {
  // Ticks under the shell's lock on the timer thread; frames read the
  // published copy without it. A copy torn between two ticks would show
  // a root that is not where the head is. Run under ThreadSanitizer this
  // also proves there is no data race.
  GlowEffect glow;
  Arms section;
  section.Attach(nullptr, nullptr, &glow);
  section.endSecond = kSectionEndSeconds[kArmsIndex];
  section.StartAnimation();
  std::mutex tickLock;
  std::atomic<bool> finished{false};
  std::thread timer([&] {
    for (uint32_t t = kFirstTick; t <= kFirstTick + 3000; ++t) {
      std::lock_guard<std::mutex> lock(tickLock);
      section.Update(t, 1);
    }
    finished.store(true);
  });
  int frames = 0;
  bool torn = false;
  while (!finished.load() || frames == 0) {
    const Arms::Animation frame = section.Published();
    for (int i = 0; i < kArmCount; ++i) {
      const PointVertex& root = Point(frame.points, i, 0);
      torn |= root.x != frame.points[0].x || root.y != frame.points[0].y;
    }
    ++frames;
  }
  timer.join();
  EXPECT_FALSE(torn);
  EXPECT_GT(frames, 0);
}

// The point sprites as the section draws them: its render states, its
// buffer (created with the 20-byte quad format, usage 0), drawn as an
// indexed point list of kPointVertexFvf records, seen by its camera (eye
// 340 units before the origin, lens 1.4 rad, aspect 1.3). The side of a
// point is Vh * size / sqrt(1 + De) pixels (POINTSCALE_A 1 and C 0 by
// default, B 1), Vh the render target's height and De the distance from
// the eye; sizes below one pixel are drawn as one pixel. Direct3D covers
// the pixels whose centres (integer coordinates) lie inside the square
// around the projected centre, which for a point on the axis is pixel
// (Vw / 2, Vh / 2).
class ArmsPointSpriteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(headless_.ok()) << headless_.error();
    device_ = headless_.device();
    bank_.SetDevice(device_);
    ASSERT_EQ(bank_.LoadAll(), S_OK);
    ASSERT_EQ(
        device_->CreateTexture(1, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                               white_.Receive(), nullptr),
        S_OK);
    D3DLOCKED_RECT texel;
    ASSERT_EQ(white_->LockRect(0, &texel, nullptr, 0), S_OK);
    *static_cast<uint32_t*>(texel.pBits) = 0xFFFFFFFF;
    white_->UnlockRect(0);
  }
  void TearDown() override { bank_.Destroy(); }

  // Draws the points with the section's states into the current target,
  // cleared to black first.
  void DrawPoints(const std::vector<PointVertex>& points,
                  IDirect3DTexture9* texture) {
    const UINT count = static_cast<UINT>(points.size());
    ComPtr<IDirect3DVertexBuffer9> buffer;
    ASSERT_EQ(device_->CreateVertexBuffer(
                  count * sizeof(PointVertex), 0, D3DFVF_XYZ | D3DFVF_TEX1,
                  D3DPOOL_DEFAULT, buffer.Receive(), nullptr),
              S_OK);
    void* data = nullptr;
    ASSERT_EQ(buffer->Lock(0, 0, &data, 0), S_OK);
    std::memcpy(data, points.data(), count * sizeof(PointVertex));
    buffer->Unlock();
    ComPtr<IDirect3DIndexBuffer9> indices;
    ASSERT_EQ(device_->CreateIndexBuffer(count * 4, D3DUSAGE_WRITEONLY,
                                         D3DFMT_INDEX32, D3DPOOL_DEFAULT,
                                         indices.Receive(), nullptr),
              S_OK);
    ASSERT_EQ(indices->Lock(0, 0, &data, 0), S_OK);
    for (UINT n = 0; n < count; ++n) static_cast<uint32_t*>(data)[n] = n;
    indices->Unlock();

    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    device_->BeginScene();
    device_->SetRenderState(D3DRS_ZENABLE, FALSE);
    device_->SetRenderState(D3DRS_LIGHTING, TRUE);
    device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    device_->SetRenderState(D3DRS_POINTSPRITEENABLE, TRUE);
    device_->SetRenderState(D3DRS_POINTSCALEENABLE, TRUE);
    device_->SetRenderState(D3DRS_POINTSIZE, FloatToDword(3.0f));
    device_->SetRenderState(D3DRS_POINTSCALE_B, FloatToDword(1.0f));
    device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device_->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device_->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    SetCamera(device_, D3DXVECTOR3(0.0f, 0.0f, -340.0f),
              D3DXVECTOR3(0.0f, 0.0f, 0.0f), D3DXVECTOR3(0.0f, 1.0f, 0.0f),
              Lens{1.4f, 1.3f, 1.0f, 1000.0f});
    const WorldMatrix identity;
    device_->SetTransform(D3DTS_WORLD, &identity);
    device_->SetTexture(0, texture);
    device_->SetStreamSource(0, buffer.get(), 0, sizeof(PointVertex));
    device_->SetIndices(indices.get());
    device_->SetFVF(kPointVertexFvf);
    EXPECT_EQ(
        device_->DrawIndexedPrimitive(D3DPT_POINTLIST, 0, 0, count, 0, count),
        S_OK);
    device_->EndScene();
    device_->SetStreamSource(0, nullptr, 0, 0);
    device_->SetIndices(nullptr);
  }

  // The lit run along row y: its first column and its length.
  static void Run(const std::vector<uint32_t>& pixels, int width, int y,
                  int* first, int* count) {
    *first = -1;
    *count = 0;
    for (int x = 0; x < width; ++x) {
      if ((pixels[y * width + x] & 0xFFFFFF) != 0) {
        if (*first < 0) *first = x;
        ++*count;
      }
    }
  }

  HeadlessDevice headless_;
  IDirect3DDevice9* device_ = nullptr;
  TextureBank bank_;
  ComPtr<IDirect3DTexture9> white_;
};

TEST_F(ArmsPointSpriteTest, NextToTheHeadOnTheBackBuffer) {
  // Size 1.12 at the origin, De = 340: 600 * 1.12 / sqrt(341) = 36.39
  // pixels, from 381.80 to 418.20 about pixel 400: columns 382 ... 418.
  DrawPoints({{0.0f, 0.0f, 0.0f, 1.12f, 0xFFFFFFFF}}, white_.get());
  const std::vector<uint32_t> frame = headless_.ReadBackBuffer();
  int first, count;
  Run(frame, 800, 300, &first, &count);
  EXPECT_EQ(first, 382);
  EXPECT_EQ(count, 37);
  EXPECT_EQ(frame[300 * 800 + 400], 0xFFFFFFFFu);
}

TEST_F(ArmsPointSpriteTest, FartherPointsAreSmaller) {
  // Size 1.1, 59 units behind the origin, De = 399: 600 * 1.1 / 20 = 33
  // pixels, from 383.5 to 416.5: columns 384 ... 416, rows 284 ... 316.
  DrawPoints({{0.0f, 0.0f, 59.0f, 1.1f, 0xFFFFFFFF}}, white_.get());
  const std::vector<uint32_t> frame = headless_.ReadBackBuffer();
  int first, count;
  Run(frame, 800, 300, &first, &count);
  EXPECT_EQ(first, 384);
  EXPECT_EQ(count, 33);
  EXPECT_NE(frame[284 * 800 + 400] & 0xFFFFFF, 0u);
  EXPECT_NE(frame[316 * 800 + 400] & 0xFFFFFF, 0u);
  EXPECT_EQ(frame[283 * 800 + 400] & 0xFFFFFF, 0u);
  EXPECT_EQ(frame[317 * 800 + 400] & 0xFFFFFF, 0u);
}

TEST_F(ArmsPointSpriteTest, TheTipOfAnArmIsOnePixel) {
  // Size 0 is clamped to POINTSIZE_MIN, one pixel: pixel (400, 300) only.
  DrawPoints({{0.0f, 0.0f, 0.0f, 0.0f, 0xFFFFFFFF}}, white_.get());
  const std::vector<uint32_t> frame = headless_.ReadBackBuffer();
  int first, count;
  Run(frame, 800, 300, &first, &count);
  EXPECT_EQ(first, 400);
  EXPECT_EQ(count, 1);
}

TEST_F(ArmsPointSpriteTest, InTheGlowTargetPointsShrinkWithItsHeight) {
  // The glow pass draws into a 256 x 256 target: 256 * 1.12 / sqrt(341)
  // = 15.53 pixels, from 120.24 to 135.76 about pixel 128: 121 ... 135.
  ComPtr<IDirect3DTexture9> target;
  ASSERT_EQ(device_->CreateTexture(256, 256, 1, D3DUSAGE_RENDERTARGET,
                                   D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                                   target.Receive(), nullptr),
            S_OK);
  ComPtr<IDirect3DSurface9> surface, backBuffer;
  ASSERT_EQ(target->GetSurfaceLevel(0, surface.Receive()), S_OK);
  ASSERT_EQ(device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO,
                                   backBuffer.Receive()),
            S_OK);
  ASSERT_EQ(device_->SetRenderTarget(0, surface.get()), S_OK);
  DrawPoints({{0.0f, 0.0f, 0.0f, 1.12f, 0xFFFFFFFF}}, white_.get());
  device_->SetRenderTarget(0, backBuffer.get());
  std::vector<uint32_t> pixels;
  ASSERT_EQ(device_->ReadTexture(target.get(), &pixels), S_OK);
  int first, count;
  Run(pixels, 256, 128, &first, &count);
  EXPECT_EQ(first, 121);
  EXPECT_EQ(count, 15);
}

TEST_F(ArmsPointSpriteTest, TheDotTextureSpansEachPointAndFadesOutward) {
  // The soft dot is stretched over the whole 37-pixel square: bright in
  // the middle, fading to nothing at the rim (the corners, past the
  // dot's circle, add no light at all).
  DrawPoints({{0.0f, 0.0f, 0.0f, 1.12f, 0xFFFFFFFF}},
             bank_.Texture(slot::kDot));
  const std::vector<uint32_t> frame = headless_.ReadBackBuffer();
  auto green = [&](int x, int y) { return (frame[y * 800 + x] >> 8) & 0xFF; };
  EXPECT_GT(green(400, 300), 200u);
  EXPECT_LT(green(411, 300), green(400, 300));
  EXPECT_LT(green(417, 300), green(411, 300));
  EXPECT_LT(green(382, 282), 16u);
  EXPECT_LT(green(418, 318), 16u);
  // Nothing outside the square.
  EXPECT_EQ(frame[300 * 800 + 381] & 0xFFFFFF, 0u);
  EXPECT_EQ(frame[300 * 800 + 419] & 0xFFFFFF, 0u);
}

// Reset, Render and Release on a device, with the glow object and the
// textures the show loads.
class ArmsDeviceTest : public SectionDeviceTest<Arms> {
 protected:
  void SetUp() override {
    SectionDeviceTest::SetUp();
    section_.endSecond = kSectionEndSeconds[kArmsIndex];
  }
  // Mean of red, green and blue over a square around (x, y).
  double Brightness(const std::vector<uint32_t>& frame, int x, int y,
                    int half) {
    double sum = 0;
    int n = 0;
    for (int py = y - half; py <= y + half; ++py) {
      for (int px = x - half; px <= x + half; ++px) {
        const uint32_t c = frame[py * 800 + px];
        sum += ((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF);
        n += 3;
      }
    }
    return sum / n;
  }
};

TEST_F(ArmsDeviceTest, TheFirstFrameBeforeAnyTickShowsTheStarAtTheCentre) {
  ASSERT_EQ(section_.Reset(), S_OK);
  section_.Render();
  const std::vector<uint32_t> frame = headless_.ReadBackBuffer();
  // All 900 points lie within 0.3 units of the origin, 340 units ahead:
  // one white blob of about 600 / sqrt(341) = 32 pixels at the centre,
  // over the dark backdrop.
  EXPECT_GT(Brightness(frame, 400, 300, 3), 200.0);
  EXPECT_LT(Brightness(frame, 400, 120, 3), 150.0);
}

TEST_F(ArmsDeviceTest, AFrameWhosePointsCannotBeUploadedDrawsWithoutThem) {
  ASSERT_EQ(section_.Reset(), S_OK);
  section_.Update(kFirstTick, 1);
  section_.Render();
  const std::vector<uint32_t> withPoints = headless_.ReadBackBuffer();

  // Someone else holds the buffer locked: the upload fails.
  void* held = nullptr;
  ASSERT_EQ(section_.pointBuffer()->Lock(0, 0, &held, 0), S_OK);
  if (kStopOnUnexpectedFailure) {
    // Debug builds stop where the failure happens (before any drawing).
    // The renderer runs threads of its own: the child starts afresh.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(section_.Render(), "Lock.*failed");
  } else {
    ::testing::internal::CaptureStderr();
    section_.Render();
    const std::vector<uint32_t> without = headless_.ReadBackBuffer();
    section_.Render();
    const std::string report = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(report.find("Lock"), std::string::npos) << report;
    EXPECT_EQ(report.find("failed"), report.rfind("failed"))
        << "reported more than once: " << report;
    // After one tick the points still crowd the centre.
    EXPECT_GT(Brightness(withPoints, 400, 300, 3),
              Brightness(without, 400, 300, 3) + 60.0);
  }
  ASSERT_EQ(section_.pointBuffer()->Unlock(), S_OK);
  section_.Render();
  const std::vector<uint32_t> again = headless_.ReadBackBuffer();
  EXPECT_NEAR(Brightness(again, 400, 300, 3),
              Brightness(withPoints, 400, 300, 3), 1.0);
}

TEST_F(ArmsDeviceTest, ReleaseGivesBackEverythingResetCreated) {
  ASSERT_EQ(section_.Reset(), S_OK);
  // The mesh, the two buffers and the state block.
  EXPECT_GE(DeviceReferences(device()), before_ + 4);
  section_.Render();
  // The glow object keeps the back buffer it saved; not the section's.
  glow_.savedBackBuffer.Reset();
  ExpectReleaseLeavesNothing();
}

TEST_F(ArmsDeviceTest, ResetFailsWithTheMeshMissingAndReleaseIsSafe) {
  OverrideEmbeddedResource(ResourceType::Mesh, resource_id::kBentTubeMesh,
                           nullptr, 0);
  EXPECT_TRUE(FAILED(section_.Reset()));
  ExpectReleaseLeavesNothing();
}

TEST(ArmsLifecycle, ReleaseWithoutResetReleasesNothing) {
  Arms section;
  section.Release();
  section.Release();
  EXPECT_EQ(section.pointBuffer(), nullptr);
}

}  // namespace
