// --bench: how fast every section draws, offscreen and without vsync.
//
// Each section is reached at full speed, then drawn frame after frame
// while the virtual clock follows the measured frame times, as a live show
// would, over at least five seconds of the section (or all of it, when it
// is shorter).
//
// Before the sections it measures the fill floor: one full-screen
// textured layer drawn the way the sprites draw one (blended, alpha
// tested, trilinear), the cheapest full-screen pass there is. Each
// section's median frame is also given in such layers.
//
// Besides wall-clock times it gives the CPU time of the whole process per
// frame (the window thread and the rasteriser threads together): on a
// machine shared with other work that is the steadier measure of what a
// frame costs.
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "glow/glow_effect.h"
#include "resources/texture_bank.h"
#include "shell/offline_show.h"
#include "shell/program.h"
#include "shell/section_table.h"

namespace {

constexpr uint32_t kMeasureMs = 5000;

double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  size_t index = static_cast<size_t>(p * (values.size() - 1) + 0.5);
  return values[std::min(index, values.size() - 1)];
}

using BenchClock = std::chrono::steady_clock;

double Ms(BenchClock::time_point from, BenchClock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

double ProcessCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 +
         static_cast<double>(t.tv_nsec) / 1e6;
}

// Milliseconds of one full-screen sprite layer: frames of kLayers layers
// against empty frames (both cleared and presented), the median of each.
// The flash picture covers the screen; drawn at an alpha of 254 it blends
// and is alpha tested (at 255 the device would see an opaque layer and
// copy it unblended, which is not the floor of a blended overlay).
double LayerMs(Demo& demo) {
  constexpr int kLayers = 8;
  constexpr int kFrames = 24;
  constexpr D3DCOLOR kLayerColor = 0xFEFFFFFF;
  IDirect3DDevice9* device = demo.device.get();
  IDirect3DTexture9* picture = demo.textureBank->Texture(slot::kFlash);
  auto frame = [&](int layers) {
    const auto begin = BenchClock::now();
    device->BeginScene();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    for (int i = 0; i < layers; ++i)
      demo.glow->DrawSprite(picture, kLayerColor);
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
    return Ms(begin, BenchClock::now());
  };
  std::vector<double> empty, full;
  for (int i = 0; i < 4; ++i) frame(kLayers);  // warm-up
  for (int i = 0; i < kFrames; ++i) {
    empty.push_back(frame(0));
    full.push_back(frame(kLayers));
  }
  return (Percentile(full, 0.5) - Percentile(empty, 0.5)) / kLayers;
}

}  // namespace

int RunBench(const Options&) {
  OfflineShow show;
  if (!show.Start()) return 1;
  Demo& demo = show.demo();
  using Clock = BenchClock;

  const double layer = LayerMs(demo);
  std::printf("fill floor: one full-screen sprite layer %.2f ms\n", layer);
  std::printf("%-8s %7s %9s %9s %9s %9s %9s %12s\n", "section", "frames",
              "p50 ms", "p99 ms", "max ms", "fps", "layers", "cpu ms/frame");
  for (int section = 0; section < kSectionCount; ++section) {
    const uint32_t startMs = SectionStartSecond(section) * 1000;
    const uint32_t endMs = kSectionEndSeconds[section] * 1000;
    // Reach the section; the paint that takes up the change comes first.
    if (startMs > 0) show.ticks().RunTo(startMs, true);
    demo.PaintFrame();
    if (demo.sectionIndex.load() != section) {
      std::fprintf(stderr, "quorbel: the show did not reach %s\n",
                   kSectionNames[section]);
      return 1;
    }
    std::vector<double> frameMs;
    const uint32_t stopMs = std::min(startMs + kMeasureMs, endMs - 1);
    uint32_t showMs = startMs;
    const auto begin = Clock::now();
    const double cpuBegin = ProcessCpuMs();
    auto last = begin;
    while (showMs < stopMs && demo.sectionIndex.load() == section) {
      demo.PaintFrame();
      const auto now = Clock::now();
      const double ms =
          std::chrono::duration<double, std::milli>(now - last).count();
      last = now;
      frameMs.push_back(ms);
      showMs += std::max<uint32_t>(1, static_cast<uint32_t>(ms));
      show.ticks().RunTo(showMs, false);
    }
    const double seconds = std::chrono::duration<double>(last - begin).count();
    const double cpuPerFrame =
        frameMs.empty()
            ? 0.0
            : (ProcessCpuMs() - cpuBegin) / static_cast<double>(frameMs.size());
    std::printf(
        "%-8s %7zu %9.2f %9.2f %9.2f %9.1f %9.1f %12.2f\n",
        kSectionNames[section], frameMs.size(), Percentile(frameMs, 0.5),
        Percentile(frameMs, 0.99),
        frameMs.empty() ? 0.0
                        : *std::max_element(frameMs.begin(), frameMs.end()),
        seconds > 0 ? frameMs.size() / seconds : 0.0,
        layer > 0 ? Percentile(frameMs, 0.5) / layer : 0.0, cpuPerFrame);
    std::fflush(stdout);
  }
  return 0;
}
