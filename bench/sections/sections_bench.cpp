// What the timer thread spends on a section's tick. A tick comes every
// millisecond, and the frame waits for none of it, but a tick that took a
// good part of a millisecond would make the timer late: it must stay far
// below 1 ms. Arms is the heavy one (900 points stepped and a copy of all
// of them published on every tick); Greets is for comparison.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "glow/glow_effect.h"
#include "sections/arms.h"
#include "sections/greets.h"

namespace {

// Whole ticks as the shell makes them: one millisecond apart, through the
// section's Update (the simulation, the tumble, the backdrop's turn and
// the published copy).
template <typename Section>
void TickEveryMillisecond(benchmark::State& state, uint32_t firstTick) {
  GlowEffect glow;  // only its backdrop turn is used by a tick
  Section section;
  section.Attach(nullptr, nullptr, &glow);
  section.StartAnimation();
  uint32_t elapsed = firstTick;
  for (auto _ : state) {
    section.Update(elapsed, 1);
    ++elapsed;
  }
  benchmark::DoNotOptimize(section.Published());
}

void BM_ArmsTick(benchmark::State& state) {
  TickEveryMillisecond<Arms>(state, 108000);
}
BENCHMARK(BM_ArmsTick)->Unit(benchmark::kMicrosecond);

void BM_GreetsTick(benchmark::State& state) {
  TickEveryMillisecond<Greets>(state, 137000);
}
BENCHMARK(BM_GreetsTick)->Unit(benchmark::kMicrosecond);

// The 900 points alone, without the copy a tick publishes.
void BM_ArmsSimulatePoints(benchmark::State& state) {
  GlowEffect glow;
  Arms section;
  section.Attach(nullptr, nullptr, &glow);
  section.StartAnimation();
  ArmPoints points = section.Published().points;
  float t = 108000.0f;
  for (auto _ : state) {
    Arms::SimulatePoints(points, t);
    benchmark::DoNotOptimize(points);
    t += 1.0f;
  }
}
BENCHMARK(BM_ArmsSimulatePoints)->Unit(benchmark::kMicrosecond);

// What a frame pays on the window thread to take its copy of the points.
void BM_ArmsFrameCopy(benchmark::State& state) {
  GlowEffect glow;
  Arms section;
  section.Attach(nullptr, nullptr, &glow);
  section.StartAnimation();
  for (auto _ : state) {
    Arms::Animation frame = section.Published();
    benchmark::DoNotOptimize(frame);
  }
}
BENCHMARK(BM_ArmsFrameCopy)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
