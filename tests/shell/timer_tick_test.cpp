// The demo clock as TimerTick measures it.
#include <gtest/gtest.h>

#include "demo_fixture.h"

namespace {

using TimerTickTest = DemoFixture;

TEST_F(TimerTickTest, FirstTickIsZeroAndDeltasAddUpToElapsed) {
  Demo& demo = StartDemo();
  // Irregular steps, as a real timer delivers them.
  const uint32_t steps[] = {0, 1, 1, 3, 1, 17, 2, 1, 250, 1};
  uint32_t now = 123456;
  uint32_t expected = 0;
  for (uint32_t step : steps) {
    now += step;
    expected += step;
    clock.Set(now);
    demo.TimerTick();
  }
  FakeSection* topuz = parts.fakes[0];
  EXPECT_EQ(topuz->firstElapsed, 0u);
  EXPECT_EQ(topuz->firstDelta, 0u);
  EXPECT_EQ(topuz->lastElapsed, expected - steps[0]);
  EXPECT_EQ(topuz->deltaSum, topuz->lastElapsed);
  EXPECT_EQ(demo.LastElapsed(), topuz->lastElapsed);
}

TEST_F(TimerTickTest, ClockReadingZeroAtTheFirstTickIsAValidBase) {
  clock.Set(0);
  Demo& demo = StartDemo();
  demo.TimerTick();  // base taken at 0
  clock.Set(40);
  demo.TimerTick();
  EXPECT_EQ(parts.fakes[0]->lastElapsed, 40u);
}

TEST_F(TimerTickTest, MillisecondCounterWrapAroundKeepsElapsedCounting) {
  clock.Set(0xFFFFFFF0u);
  Demo& demo = StartDemo();
  demo.TimerTick();
  clock.Set(0x00000010u);  // 32 ms later, past the wrap
  demo.TimerTick();
  EXPECT_EQ(parts.fakes[0]->lastElapsed, 32u);
  EXPECT_EQ(parts.fakes[0]->deltaSum, 32u);
}

TEST_F(TimerTickTest, FlashDecaysOnEveryTick) {
  Demo& demo = StartDemo();
  for (int i = 0; i < 5; ++i) {
    clock.Advance(1);
    demo.TimerTick();
  }
  EXPECT_EQ(parts.flashUpdates.load(), 5);
}

TEST_F(TimerTickTest, TicksBeforeStartUpOrAfterShutdownDoNothing) {
  Demo& demo = MakeDemo();
  demo.TimerTick();
  EXPECT_EQ(parts.flashUpdates.load(), 0);
  ASSERT_EQ(demo.InitDemo(), S_OK);
  demo.Shutdown();
  demo.TimerTick();
  EXPECT_EQ(parts.flashUpdates.load(), 0);
  EXPECT_EQ(log.Count("UPDATE AFTER RELEASE"), 0);
}

}  // namespace
