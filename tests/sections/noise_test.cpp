// Noise: the tick's rules without a device (the pictures switching ten
// times a second, the fade over the first second, the end at second 225),
// and on a headless device which picture a frame shows and how opaque.
#include "sections/noise.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "glow/glow_effect.h"
#include "headless_device.h"
#include "resources/texture_bank.h"
#include "section_update_test.h"
#include "shell/section_table.h"

namespace {

constexpr int kNoise = 7;

class NoiseUpdateTest : public SectionUpdateTest<Noise, kNoise> {
 protected:
  // `count` ticks of 1 ms each.
  void TickMs(uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) Tick(last_ + 1);
  }
  int Picture() const { return static_cast<int>(State().frame); }
};

TEST_F(NoiseUpdateTest, StartsOnTheFirstPictureFullyOpaque) {
  const Noise::Animation a = State();
  EXPECT_EQ(a.frame, 31.0f);
  EXPECT_EQ(a.alpha, 1.0f);
  EXPECT_EQ(a.rotation, 0.0f);
}

TEST_F(NoiseUpdateTest, PicturesSwitchEvery100Milliseconds) {
  TickMs(50);
  EXPECT_EQ(Picture(), 31);
  TickMs(100);  // 150 ms
  EXPECT_EQ(Picture(), 32);
  TickMs(100);  // 250 ms: past 33 at about 201 ms, back to 31
  EXPECT_EQ(Picture(), 31);
  TickMs(100);  // 350 ms
  EXPECT_EQ(Picture(), 32);
  // Over a whole second the picture stays one of the two; 33 never shows
  // with 1 ms ticks.
  for (int i = 0; i < 1000; ++i) {
    TickMs(1);
    ASSERT_TRUE(Picture() == 31 || Picture() == 32) << State().frame;
  }
}

TEST_F(NoiseUpdateTest, ATickCarryingThePicturePast33StartsAgainAtExactly31) {
  // From 31 a single tick of 201 ms makes 33.01: the excess is dropped.
  section_.Update(219201, 201);
  EXPECT_EQ(State().frame, 31.0f);
  // One of 1000 ms makes 41: also exactly 31.
  section_.Update(220201, 1000);
  EXPECT_EQ(State().frame, 31.0f);
}

TEST_F(NoiseUpdateTest, ThirdPictureOnlyOnATickLandingOn33Exactly) {
  // 31 + 0.01 x 200 is 33.0: not past 33, so the third picture shows.
  section_.Update(219200, 200);
  EXPECT_EQ(State().frame, 33.0f);
  EXPECT_EQ(Picture(), 33);
  section_.Update(219201, 1);
  EXPECT_EQ(State().frame, 31.0f);
}

TEST_F(NoiseUpdateTest, FadesOutOverTheFirstSecond) {
  TickMs(250);
  EXPECT_NEAR(State().alpha, 0.75f, 1e-4);
  TickMs(250);
  EXPECT_NEAR(State().alpha, 0.5f, 1e-4);
  TickMs(499);
  EXPECT_GT(State().alpha, 0.0f);
  EXPECT_LT(State().alpha, 0.0015f);
  TickMs(2);
  EXPECT_EQ(State().alpha, 0.0f);
  // And stays there, never below.
  TickMs(3000);
  EXPECT_EQ(State().alpha, 0.0f);
}

TEST_F(NoiseUpdateTest, ASingleTickOfASecondOrMoreFadesItOutAtOnce) {
  section_.Update(220000, 1000);
  EXPECT_EQ(State().alpha, 0.0f);
  section_.StartAnimation();
  section_.Update(223000, 4000);
  EXPECT_EQ(State().alpha, 0.0f);
  // Just under a second leaves a trace.
  section_.StartAnimation();
  section_.Update(219999, 999);
  EXPECT_GT(State().alpha, 0.0f);
}

TEST_F(NoiseUpdateTest, ZeroDeltaChangesNothing) {
  TickMs(123);
  const Noise::Animation before = State();
  section_.Update(last_, 0);
  const Noise::Animation after = State();
  EXPECT_EQ(after.frame, before.frame);
  EXPECT_EQ(after.alpha, before.alpha);
  EXPECT_EQ(after.rotation, 0.0f);
}

TEST_F(NoiseUpdateTest, EndsWithTheFirstTickOfSecond225) {
  section_.Update(224999, 1);
  EXPECT_EQ(section_.done.load(), 0);
  section_.Update(225000, 1);
  EXPECT_EQ(section_.done.load(), 1);
}

TEST_F(NoiseUpdateTest, RunsItsWholeTimeWithoutEnding) {
  TickMs(5999);  // to 224999
  EXPECT_EQ(section_.done.load(), 0);
  TickMs(1);
  EXPECT_EQ(section_.done.load(), 1);
}

// Brightness of a pixel, 0 to 255 (the noise pictures are grey).
double Level(uint32_t pixel) {
  return (((pixel >> 16) & 0xFF) + ((pixel >> 8) & 0xFF) + (pixel & 0xFF)) /
         3.0;
}

// The picture of a texture slot as a full-screen sprite shows it: the
// sprite scales the texture by (0.8, 0.6), so screen pixel (x, y) covers
// texels x / 0.8 ... (x + 1) / 0.8 and y / 0.6 ... (y + 1) / 0.6; their
// average stands for what filtering makes of them.
class SpritePicture {
 public:
  SpritePicture(IDirect3DDevice9* device, IDirect3DTexture9* texture) {
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(0, &desc);
    width_ = static_cast<int>(desc.Width);
    device->ReadTexture(texture, &texels_);
  }
  bool ok() const { return !texels_.empty(); }
  double At(int x, int y) const {
    const int u0 = static_cast<int>(x / 0.8),
              u1 = static_cast<int>((x + 1) / 0.8);
    const int v0 = static_cast<int>(y / 0.6),
              v1 = static_cast<int>((y + 1) / 0.6);
    double sum = 0;
    int n = 0;
    for (int v = v0; v <= v1; ++v) {
      for (int u = u0; u <= u1; ++u) {
        sum += Level(texels_[static_cast<size_t>(v) * width_ + u]);
        ++n;
      }
    }
    return sum / n;
  }

 private:
  int width_ = 0;
  std::vector<uint32_t> texels_;
};

// How a frame's middle compares with a picture: the correlation of their
// brightness, and the frame's mean over the picture's mean.
struct Likeness {
  double correlation;
  double brightness;
};

Likeness Compare(const std::vector<uint32_t>& frame,
                 const SpritePicture& picture) {
  double sf = 0, sp = 0, sff = 0, spp = 0, sfp = 0;
  int n = 0;
  // The middle of the screen, well inside the overlay frame.
  for (int y = 150; y < 450; y += 2) {
    for (int x = 200; x < 600; x += 2) {
      const double f = Level(frame[static_cast<size_t>(y) * 800 + x]);
      const double p = picture.At(x, y);
      sf += f;
      sp += p;
      sff += f * f;
      spp += p * p;
      sfp += f * p;
      ++n;
    }
  }
  const double cov = sfp / n - (sf / n) * (sp / n);
  const double vf = sff / n - (sf / n) * (sf / n);
  const double vp = spp / n - (sp / n) * (sp / n);
  return {vf > 0 && vp > 0 ? cov / std::sqrt(vf * vp) : 0.0, sf / sp};
}

class NoiseDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(headless_.ok()) << headless_.error();
    device_ = headless_.device();
    bank_.SetDevice(device_);
    ASSERT_EQ(bank_.LoadAll(), S_OK);
    ASSERT_EQ(glow_.Init(device_, &bank_), S_OK);
    section_.Attach(device_, &bank_, &glow_);
    section_.endSecond = kSectionEndSeconds[kNoise];
    ASSERT_EQ(section_.Reset(), S_OK);
  }
  void TearDown() override {
    bank_.Destroy();
    glow_.Release();
    section_.Release();
  }
  std::vector<uint32_t> Frame() {
    section_.Render();
    return headless_.ReadBackBuffer();
  }
  Likeness Against(int slot, const std::vector<uint32_t>& frame) {
    const SpritePicture picture(device_, bank_.Texture(slot));
    EXPECT_TRUE(picture.ok()) << slot;
    return Compare(frame, picture);
  }

  HeadlessDevice headless_;
  IDirect3DDevice9* device_ = nullptr;
  TextureBank bank_;
  GlowEffect glow_;
  Noise section_;
};

TEST_F(NoiseDeviceTest, FirstFrameShowsTheFirstPictureFullyOpaque) {
  // The paint that makes Noise current draws it before its first tick.
  const std::vector<uint32_t> frame = Frame();
  const Likeness first = Against(slot::kStatic1, frame);
  EXPECT_GT(first.correlation, 0.8);
  EXPECT_NEAR(first.brightness, 1.0, 0.05);
  // Not one of the other two pictures, which are noise of their own.
  EXPECT_LT(Against(slot::kStatic2, frame).correlation, 0.3);
  EXPECT_LT(Against(slot::kStatic3, frame).correlation, 0.3);
}

TEST_F(NoiseDeviceTest, SecondPictureAfter150MillisecondsAtHalfTheWayOut) {
  for (uint32_t t = 219001; t <= 219150; ++t) section_.Update(t, 1);
  const std::vector<uint32_t> frame = Frame();
  const Likeness second = Against(slot::kStatic2, frame);
  EXPECT_GT(second.correlation, 0.8);
  // alpha 0.85: 216 of 255 over black.
  EXPECT_NEAR(second.brightness, 216.0 / 255, 0.05);
  EXPECT_LT(Against(slot::kStatic1, frame).correlation, 0.3);
}

TEST_F(NoiseDeviceTest, ThirdPictureOnTheTickThatLandsOn33) {
  section_.Update(219200, 200);
  const std::vector<uint32_t> frame = Frame();
  const Likeness third = Against(slot::kStatic3, frame);
  EXPECT_GT(third.correlation, 0.8);
  // alpha 0.8: 204 of 255.
  EXPECT_NEAR(third.brightness, 204.0 / 255, 0.05);
}

TEST_F(NoiseDeviceTest, AfterTheFadeOnlyBlackAndTheOverlayRemain) {
  section_.Update(220000, 1000);
  const std::vector<uint32_t> frame = Frame();
  // The middle is the black clear: the overlay is transparent there.
  for (int y = 100; y < 500; y += 5) {
    for (int x = 100; x < 700; x += 5) {
      ASSERT_EQ(frame[static_cast<size_t>(y) * 800 + x] & 0xFFFFFF, 0u)
          << x << ", " << y;
    }
  }
  // The overlay's frame line runs 16 px inside the edges.
  int lit = 0;
  for (int x = 100; x < 700; ++x) {
    for (int y = 10; y < 24; ++y) {
      lit += Level(frame[static_cast<size_t>(y) * 800 + x]) > 40;
    }
  }
  EXPECT_GT(lit, 300);
}

TEST(NoiseLifecycle, ReleaseHasNothingToGiveBack) {
  Noise section;
  section.Release();
  section.Release();
  EXPECT_EQ(section.done.load(), 0);
}

}  // namespace
