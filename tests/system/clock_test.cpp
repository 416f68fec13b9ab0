// The clocks the show reads.
#include "platform/system/clock.h"

#include <gtest/gtest.h>

namespace {

TEST(Clock, VirtualClockMovesOnlyWhenTold) {
  VirtualClock clock(100);
  EXPECT_EQ(clock.Milliseconds(), 100u);
  clock.Advance(5);
  EXPECT_EQ(clock.Milliseconds(), 105u);
  clock.Set(0xFFFFFFFFu);
  clock.Advance(2);
  EXPECT_EQ(clock.Milliseconds(), 1u);  // wraps like a 32-bit counter
}

TEST(Clock, OffsetClockFollowsItsBase) {
  VirtualClock base(1000);
  OffsetClock shifted(&base, 24000);
  EXPECT_EQ(shifted.Milliseconds(), 25000u);
  base.Advance(7);
  EXPECT_EQ(shifted.Milliseconds(), 25007u);
}

TEST(Clock, MonotonicClockNeverGoesBack) {
  MonotonicClock clock;
  int64_t lastNs = MonotonicNanoseconds();
  uint32_t lastMs = clock.Milliseconds();
  for (int i = 0; i < 1000; ++i) {
    int64_t ns = MonotonicNanoseconds();
    uint32_t ms = clock.Milliseconds();
    EXPECT_GE(ns, lastNs);
    EXPECT_LE(static_cast<uint32_t>(ms - lastMs), 1000u);
    lastNs = ns;
    lastMs = ms;
  }
}

}  // namespace
