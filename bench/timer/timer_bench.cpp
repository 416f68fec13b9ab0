// How well the 1 ms timer keeps time: ticks per second, how late each tick
// fires after its deadline (p50, p99, max), how many were dropped by
// re-syncs, and the drift of the tick count against the wall clock.
//
//   timer_bench [seconds]   (10 by default)
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "platform/system/clock.h"
#include "platform/system/periodic_timer.h"

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
  std::vector<int64_t> lateness;
  lateness.reserve(static_cast<size_t>(seconds * 1100) + 16);
  PeriodicTimer timer;
  int64_t firstTick = 0, lastTick = 0;
  timer.Start(1, [&] {
    const int64_t now = MonotonicNanoseconds();
    if (firstTick == 0) firstTick = now;
    lastTick = now;
    if (lateness.size() < lateness.capacity()) {
      lateness.push_back(now - timer.CurrentDeadline());
    }
  });
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  timer.Stop();

  const size_t ticks = lateness.size();
  if (ticks < 2) {
    std::fprintf(stderr, "timer_bench: too few ticks\n");
    return 1;
  }
  const double span = (lastTick - firstTick) / 1e9;
  std::vector<int64_t> sorted = lateness;
  std::sort(sorted.begin(), sorted.end());
  auto pct = [&](double p) {
    return sorted[std::min(sorted.size() - 1,
                           static_cast<size_t>(p * (sorted.size() - 1)))] /
           1000.0;
  };
  // Ticks the span should have held at exactly 1 ms apart.
  const double expected = span * 1000.0 + 1.0;
  std::printf("ticks           %zu in %.3f s\n", ticks, span);
  std::printf("ticks/s         %.1f\n", (ticks - 1) / span);
  std::printf("drift           %+.0f ticks (%+.3f%%)\n", ticks - expected,
              100.0 * (ticks - expected) / expected);
  std::printf("lateness p50    %.1f us\n", pct(0.50));
  std::printf("lateness p99    %.1f us\n", pct(0.99));
  std::printf("lateness max    %.1f us\n", sorted.back() / 1000.0);
  // Each of these dropped the ticks it had missed and re-synced.
  const size_t resyncs = static_cast<size_t>(
      sorted.end() - std::lower_bound(sorted.begin(), sorted.end(), 1000000));
  std::printf("late >= 1 ms    %zu (re-synced)\n", resyncs);
  return 0;
}
