// What one frame's glow costs: the four blur passes between the 256 x 256
// targets and the composition onto the 800 x 600 back buffer. Each
// iteration ends with a read-back of the back buffer, so the renderer has
// finished the work being timed (a CPU renderer defers it otherwise); the
// second benchmark times that read-back alone, to be subtracted.
#include <benchmark/benchmark.h>

#include <vector>

#include "glow/glow_effect.h"
#include "headless_device.h"
#include "read_back_floor.h"
#include "resources/texture_bank.h"

namespace {

void BM_ProcessAndComposeGlow(benchmark::State& state) {
  HeadlessDevice headless;
  if (!headless.ok()) {
    state.SkipWithError(headless.error().c_str());
    return;
  }
  IDirect3DDevice9* device = headless.device();
  TextureBank bank;
  GlowEffect glow;
  if (FAILED(glow.Init(device, &bank))) {
    state.SkipWithError("glow Init failed");
    return;
  }
  std::vector<uint32_t> pixels;
  for (auto _ : state) {
    device->BeginScene();
    glow.BeginGlowTarget(0x00000000, true);
    glow.ProcessGlow(0.01f, true);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000,
                  1.0f, 0);
    glow.ComposeGlow();
    device->EndScene();
    device->ReadBackBuffer(&pixels);
  }
  glow.Release();
}
// Process CPU time counts the renderer's worker threads too: on a busy machine
// it is the steadier measure of the work.
BENCHMARK(BM_ProcessAndComposeGlow)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

BENCHMARK(BM_ReadBackBufferOnly)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
