// What the timer thread spends on a section's tick. A tick comes every
// millisecond, and the frame waits for none of it, but a tick that took a
// good part of a millisecond would make the timer late: it must stay far
// below 1 ms. Arms is the heavy one (900 points stepped and a copy of all
// of them published on every tick); Greets is for comparison.
//
// Then what one frame of each costs on the window thread, on a headless
// device: Render followed by a read-back of the back buffer, so that the
// renderer has finished the work being timed (a CPU renderer defers it
// otherwise); BM_ReadBackBufferOnly is the read-back alone, to subtract.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "glow/glow_effect.h"
#include "headless_device.h"
#include "read_back_floor.h"
#include "resources/texture_bank.h"
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

// Frames of a section at `moment` ms of the show (reached by ticks every
// millisecond from `firstTick`), drawn again and again.
template <typename Section>
void DrawFrames(benchmark::State& state, uint32_t firstTick, uint32_t moment) {
  HeadlessDevice headless;
  if (!headless.ok()) {
    state.SkipWithError(headless.error().c_str());
    return;
  }
  IDirect3DDevice9* device = headless.device();
  TextureBank bank;
  bank.SetDevice(device);
  GlowEffect glow;
  Section section;
  if (FAILED(bank.LoadAll()) || FAILED(glow.Init(device, &bank))) {
    state.SkipWithError("textures or glow failed");
    return;
  }
  section.Attach(device, &bank, &glow);
  if (FAILED(section.Reset())) {
    state.SkipWithError("Reset failed");
  } else {
    for (uint32_t t = firstTick; t <= moment; ++t) section.Update(t, 1);
    std::vector<uint32_t> pixels;
    for (auto _ : state) {
      section.Render();
      device->ReadBackBuffer(&pixels);
    }
  }
  section.Release();
  glow.Release();
  bank.Destroy();
}

// The swarm formed and spread over the screen.
void BM_ArmsFrame(benchmark::State& state) {
  DrawFrames<Arms>(state, 108000, 111000);
}
// Process CPU time counts the renderer's worker threads too: on a busy
// machine it is the steadier measure of the work.
BENCHMARK(BM_ArmsFrame)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// The camera at the rings' height, a card facing it.
void BM_GreetsFrame(benchmark::State& state) {
  DrawFrames<Greets>(state, 137000, 150000);
}
BENCHMARK(BM_GreetsFrame)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

BENCHMARK(BM_ReadBackBufferOnly)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
