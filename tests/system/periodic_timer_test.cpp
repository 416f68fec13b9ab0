// The 1 ms timer: its schedule rule, and stopping.
#include "platform/system/periodic_timer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

constexpr int64_t kMs = 1000000;  // ns

TEST(PeriodicTimerSchedule, OnTimeTicksKeepAbsoluteDeadlines) {
  // Tick for deadline 10 ms finished at 10.3 ms: next at 11 ms, not 11.3.
  EXPECT_EQ(PeriodicTimer::NextDeadline(10 * kMs, 10 * kMs + 300000, kMs),
            11 * kMs);
}

TEST(PeriodicTimerSchedule, SlightlyLateTickDoesNotDrift) {
  // Late by most of a period: the schedule still holds.
  EXPECT_EQ(PeriodicTimer::NextDeadline(10 * kMs, 10 * kMs + 999999, kMs),
            11 * kMs);
}

TEST(PeriodicTimerSchedule, StallFiresOnceThenResyncs) {
  // A 50 ms stall: the late tick has fired; the next one comes one period
  // after now, not 50 catch-up ticks in a burst.
  int64_t deadline = 10 * kMs;
  const int64_t now = 60 * kMs + 123;
  int64_t next = PeriodicTimer::NextDeadline(deadline, now, kMs);
  EXPECT_EQ(next, now + kMs);
  // Simulate the following ticks running on time: one per period again.
  std::vector<int64_t> schedule;
  for (int i = 0; i < 5; ++i) {
    schedule.push_back(next);
    next = PeriodicTimer::NextDeadline(next, next + 1000, kMs);
  }
  for (size_t i = 1; i < schedule.size(); ++i) {
    EXPECT_EQ(schedule[i] - schedule[i - 1], kMs);
  }
}

TEST(PeriodicTimerSchedule, ExactlyOnePeriodLateResyncs) {
  EXPECT_EQ(PeriodicTimer::NextDeadline(10 * kMs, 11 * kMs, kMs), 12 * kMs);
}

TEST(PeriodicTimer, TicksUntilStopped) {
  PeriodicTimer timer;
  std::atomic<int> ticks{0};
  ASSERT_TRUE(timer.Start(1, [&] { ++ticks; }));
  EXPECT_TRUE(timer.Running());
  EXPECT_FALSE(timer.Start(1, [] {}));  // already running
  while (ticks.load() < 5)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  timer.Stop();
  EXPECT_FALSE(timer.Running());
  const int afterStop = ticks.load();
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(ticks.load(), afterStop);
}

TEST(PeriodicTimer, StopWaitsForTheRunningTick) {
  PeriodicTimer timer;
  std::atomic<bool> inside{false};
  std::atomic<bool> finished{false};
  ASSERT_TRUE(timer.Start(1, [&] {
    inside.store(true);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    finished.store(true);
  }));
  while (!inside.load()) std::this_thread::yield();
  timer.Stop();
  // Stop came back only after the tick in progress had ended.
  EXPECT_TRUE(finished.load());
}

TEST(PeriodicTimer, StopTwiceAndRestart) {
  PeriodicTimer timer;
  timer.Stop();  // never started
  std::atomic<int> ticks{0};
  ASSERT_TRUE(timer.Start(1, [&] { ++ticks; }));
  timer.Stop();
  timer.Stop();
  ASSERT_TRUE(timer.Start(1, [&] { ++ticks; }));
  while (ticks.load() < 2)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  timer.Stop();
}

TEST(PeriodicTimer, RejectsZeroPeriodAndEmptyCallback) {
  PeriodicTimer timer;
  EXPECT_FALSE(timer.Start(0, [] {}));
  EXPECT_FALSE(timer.Start(1, nullptr));
}

}  // namespace
