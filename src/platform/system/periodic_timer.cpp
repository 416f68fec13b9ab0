#include "platform/system/periodic_timer.h"

#include <sys/prctl.h>
#include <time.h>

#include "platform/system/clock.h"

namespace {

timespec ToTimespec(int64_t ns) {
  timespec ts{};
  ts.tv_sec = static_cast<time_t>(ns / 1000000000);
  ts.tv_nsec = static_cast<long>(ns % 1000000000);
  return ts;
}

}  // namespace

int64_t PeriodicTimer::NextDeadline(int64_t deadline, int64_t now,
                                    int64_t period) {
  int64_t next = deadline + period;
  // Already past the next deadline: this tick was late by a period or
  // more. Skip what was missed and start a fresh schedule from now.
  if (next <= now) next = now + period;
  return next;
}

bool PeriodicTimer::Start(uint32_t periodMs, std::function<void()> tick) {
  std::lock_guard<std::mutex> lock(controlMutex_);
  if (running_.load() || periodMs == 0 || !tick) return false;
  tick_ = std::move(tick);
  running_.store(true);
  try {
    thread_ = std::thread(&PeriodicTimer::Loop, this,
                          static_cast<int64_t>(periodMs) * 1000000);
  } catch (...) {
    running_.store(false);
    return false;
  }
  return true;
}

void PeriodicTimer::Stop() {
  std::lock_guard<std::mutex> lock(controlMutex_);
  running_.store(false);
  // join() returns only once Loop has left, so a tick in progress has
  // finished and none can follow.
  if (thread_.joinable()) thread_.join();
  tick_ = nullptr;
}

void PeriodicTimer::Loop(int64_t periodNs) {
  // The kernel may otherwise defer our wake-ups by the default 50 us slack.
  prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  int64_t deadline = MonotonicNanoseconds() + periodNs;
  while (running_.load()) {
    timespec wake = ToTimespec(deadline);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &wake, nullptr) !=
           0) {
      // EINTR: sleep on to the same absolute deadline.
    }
    if (!running_.load()) break;
    currentDeadline_.store(deadline);
    tick_();
    deadline = NextDeadline(deadline, MonotonicNanoseconds(), periodNs);
  }
}
