// What a frame of each section costs in CPU time, on a shared machine.
//
// --bench gives wall-clock frame times, which on a machine other people
// build on move by a fifth from one run to the next. This benchmark draws
// the same frames every run (a fixed step of the virtual clock from each
// section's start, as an export at 30 frames per second does) and reports,
// besides the wall time, the CPU time the whole process spent per frame
// (the window thread and llvmpipe's rasteriser threads together): the
// work a frame takes, which other load on the machine stretches much less.
// Each frame ends with a read-back of the back buffer, so the renderer has
// finished it before the clocks are read.
//
//   frame_cost_bench [FRAMES [REPEATS]]   (defaults 60 and 3; the best of
//                                           the repeats is kept)
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "shell/offline_show.h"
#include "shell/section_table.h"

namespace {

double ProcessCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double WallMs() {
  return std::chrono::duration<double, std::milli>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
  const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  constexpr uint32_t kStepMs = 33;  // 30 frames per second

  std::printf("%-8s %8s %12s %12s\n", "section", "frames", "cpu ms/frame",
              "wall ms/frame");
  double totalCpu = 0.0, totalWall = 0.0;
  for (int section = 0; section < kSectionCount; ++section) {
    double bestCpu = 1e30, bestWall = 1e30;
    for (int repeat = 0; repeat < repeats; ++repeat) {
      // A fresh show per section and repeat: each starts from the same
      // state (textures uploaded as the section first draws them are part
      // of its warm-up, not of the frames measured).
      OfflineShow show;
      if (!show.Start()) return 1;
      Demo& demo = show.demo();
      std::vector<uint32_t> pixels;
      demo.SetFrameCapture(
          [&](IDirect3DDevice9* device) { device->ReadBackBuffer(&pixels); });
      const uint32_t startMs = SectionStartSecond(section) * 1000;
      if (startMs > 0) show.ticks().RunTo(startMs, true);
      // Warm-up: programs compiled, textures uploaded.
      uint32_t t = startMs;
      for (int i = 0; i < 5; ++i) {
        demo.PaintFrame();
        t += kStepMs;
        show.ticks().RunTo(t, false);
      }
      const double cpu0 = ProcessCpuMs(), wall0 = WallMs();
      for (int i = 0; i < frames; ++i) {
        demo.PaintFrame();
        t += kStepMs;
        show.ticks().RunTo(t, false);
      }
      bestCpu = std::min(bestCpu, (ProcessCpuMs() - cpu0) / frames);
      bestWall = std::min(bestWall, (WallMs() - wall0) / frames);
    }
    totalCpu += bestCpu;
    totalWall += bestWall;
    std::printf("%-8s %8d %12.2f %12.2f\n", kSectionNames[section], frames,
                bestCpu, bestWall);
    std::fflush(stdout);
  }
  std::printf("%-8s %8s %12.2f %12.2f\n", "sum", "", totalCpu, totalWall);
  return 0;
}
