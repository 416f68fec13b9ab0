// A thread that calls a function at a fixed period (the show's 1 ms tick).
//
// Deadlines are absolute on CLOCK_MONOTONIC, so the tick rate does not
// drift with the time each tick takes. A tick that comes late (the thread
// was descheduled, the callback stalled) fires once and the schedule then
// re-syncs to "now + period": missed ticks are dropped, never fired in a
// burst, because animation reads elapsed time from the clock anyway.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

class PeriodicTimer {
 public:
  PeriodicTimer() = default;
  ~PeriodicTimer() { Stop(); }
  PeriodicTimer(const PeriodicTimer&) = delete;
  PeriodicTimer& operator=(const PeriodicTimer&) = delete;

  // Starts ticking; the first tick comes one period from now. False when
  // already running or the thread cannot start.
  bool Start(uint32_t periodMs, std::function<void()> tick);
  // Stops the thread. Returns after a tick that is running has finished;
  // no tick starts afterwards. Safe to call any number of times, from any
  // thread but the timer's own.
  void Stop();
  bool Running() const { return running_.load(); }
  // Inside a tick: the CLOCK_MONOTONIC deadline (ns) that tick was due at;
  // lets a caller measure how late ticks come.
  int64_t CurrentDeadline() const { return currentDeadline_.load(); }

  // The schedule rule, in nanoseconds: the deadline after `deadline`, given
  // that the tick for `deadline` finished at `now`.
  static int64_t NextDeadline(int64_t deadline, int64_t now, int64_t period);

 private:
  void Loop(int64_t periodNs);

  std::mutex controlMutex_;  // serialises Start and Stop
  std::atomic<bool> running_{false};
  std::atomic<int64_t> currentDeadline_{0};
  std::function<void()> tick_;
  std::thread thread_;
};
