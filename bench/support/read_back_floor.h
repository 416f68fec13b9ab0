// The floor under every frame benchmark on a headless device: a frame is
// timed up to a read-back of the back buffer, so that a CPU renderer has
// finished its deferred work; this is that read-back alone (after a
// clear), to be subtracted.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "headless_device.h"

inline void BM_ReadBackBufferOnly(benchmark::State& state) {
  HeadlessDevice headless;
  if (!headless.ok()) {
    state.SkipWithError(headless.error().c_str());
    return;
  }
  IDirect3DDevice9* device = headless.device();
  std::vector<uint32_t> pixels;
  for (auto _ : state) {
    device->BeginScene();
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    device->EndScene();
    device->ReadBackBuffer(&pixels);
  }
}
