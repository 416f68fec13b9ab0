// The flash level: raised to 1 by Flash, decayed by every timer tick, and
// drawn by DrawFlash as the slot-7 picture modulated by the level.
#include <cmath>

#include "glow_test_fixture.h"

namespace {

TEST(FlashLevel, StartsDarkAndFlashRaisesItToOne) {
  GlowEffect glow;
  EXPECT_EQ(glow.flashLevel.load(), 0.0f);
  glow.Flash();
  EXPECT_EQ(glow.flashLevel.load(), 1.0f);
}

TEST(FlashLevel, DecaysByTwoThousandthsPerMillisecond) {
  GlowEffect glow;
  glow.Flash();
  glow.UpdateFlash(0, 1);
  EXPECT_EQ(glow.flashLevel.load(), 1.0f - 0.002f);
  glow.Flash();
  glow.UpdateFlash(12345, 100);  // elapsed plays no part
  EXPECT_FLOAT_EQ(glow.flashLevel.load(), 0.8f);
}

TEST(FlashLevel, StopsAtExactlyZeroInsteadOfGoingBelow) {
  GlowEffect glow;
  glow.flashLevel.store(0.3f);
  glow.UpdateFlash(0, 200);
  EXPECT_EQ(glow.flashLevel.load(), 0.0f);
  EXPECT_FALSE(std::signbit(glow.flashLevel.load()));
}

TEST(FlashLevel, ZeroLevelIgnoresTicks) {
  GlowEffect glow;
  glow.UpdateFlash(0, 1000);
  EXPECT_EQ(glow.flashLevel.load(), 0.0f);
}

TEST(FlashLevel, FullFlashIsGoneWithinHalfASecondOfMillisecondTicks) {
  GlowEffect glow;
  glow.Flash();
  int ticks = 0;
  while (glow.flashLevel.load() > 0.0f && ticks < 1000) {
    glow.UpdateFlash(ticks, 1);
    ++ticks;
    ASSERT_GE(glow.flashLevel.load(), 0.0f);
  }
  // Rounding in single precision may leave a sliver after tick 500; the
  // next tick clears it.
  EXPECT_GE(ticks, 499);
  EXPECT_LE(ticks, 501);
  EXPECT_EQ(glow.flashLevel.load(), 0.0f);
}

TEST(FlashColour, IsTheTruncatedLevelInAllFourBytes) {
  EXPECT_EQ(GlowEffect::FlashColor(1.0f), 0xFFFFFFFFu);
  EXPECT_EQ(GlowEffect::FlashColor(0.5f), 0x7F7F7F7Fu);  // 127.5 truncated
  EXPECT_EQ(GlowEffect::FlashColor(0.0f), 0x00000000u);
  EXPECT_EQ(GlowEffect::FlashColor(0.002f), 0x00000000u);
  EXPECT_EQ(GlowEffect::FlashColor(0.004f), 0x01010101u);
}

class DrawFlashTest : public GlowFixture {
 protected:
  // Black frame, white flash picture; returns the frame's middle pixel.
  uint32_t DrawAt(float level) {
    slots_[7] = SolidTexture(1024, 1024, 0xFFFFFFFF);
    device_->BeginScene();
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000,
                   1.0f, 0);
    device_->EndScene();
    glow_.flashLevel.store(level);
    glow_.DrawFlash();
    const std::vector<uint32_t> frame = headless_.ReadBackBuffer();
    corner_ = frame[0];
    return frame[300 * 800 + 400];
  }
  uint32_t corner_ = 0;
};

TEST_F(DrawFlashTest, FullLevelDrawsThePictureUnmodulated) {
  const uint32_t middle = DrawAt(1.0f);
  EXPECT_EQ(middle & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(corner_ & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(DrawFlashTest, HalfLevelModulatesColourAndAlphaBy127) {
  // rgb 255 x 127/255, blended by alpha 127/255 over black: 63.25.
  const uint32_t middle = DrawAt(0.5f);
  EXPECT_NEAR(Red(middle), 63, 1);
  EXPECT_NEAR(Green(middle), 63, 1);
  EXPECT_NEAR(Blue(middle), 63, 1);
}

TEST_F(DrawFlashTest, ZeroLevelLeavesTheFrameAlone) {
  const uint32_t middle = DrawAt(0.0f);
  EXPECT_EQ(middle & 0xFFFFFF, 0u);
}

}  // namespace
