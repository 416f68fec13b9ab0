// The show in a window: the event loop on the window thread, the 1 ms
// timer on its own.
#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/system/audio_system.h"
#include "platform/system/clock.h"
#include "platform/system/demo_window.h"
#include "platform/system/message_boxes.h"
#include "platform/system/periodic_timer.h"
#include "platform/system/stop_signals.h"
#include "shell/demo.h"
#include "shell/graphics_host.h"
#include "shell/program.h"
#include "shell/show_parts.h"
#include "shell/virtual_ticks.h"

namespace {

// The timer's period: the demo clock advances in steps of this size.
constexpr uint32_t kTickMs = 1;
// Fast-forward to --start looks for a stop request this often (demo ms).
constexpr uint32_t kFastForwardSliceMs = 1000;

// With QUORBEL_TRACE set, the show names its milestones on stderr: the
// live trials time Escape, close and signals against them.
bool Tracing() { return std::getenv("QUORBEL_TRACE") != nullptr; }

void Trace(const char* what, int value = -1) {
  if (!Tracing()) return;
  if (value < 0) {
    std::fprintf(stderr, "quorbel: %s\n", what);
  } else {
    std::fprintf(stderr, "quorbel: %s %d\n", what, value);
  }
}

// What the window's events ask of the loop.
enum class LoopAction { Continue, Quit };

LoopAction HandleEvent(const SDL_Event& event) {
  switch (event.type) {
    case SDL_QUIT:
      return LoopAction::Quit;
    case SDL_WINDOWEVENT:
      // The close button ends the show through the loop's own exit path,
      // which stops the timer before anything is released.
      if (event.window.event == SDL_WINDOWEVENT_CLOSE) return LoopAction::Quit;
      return LoopAction::Continue;
    case SDL_KEYUP:
      // Only the release of Escape ends the show; holding it does nothing
      // and every other key is swallowed.
      if (event.key.keysym.sym == SDLK_ESCAPE) return LoopAction::Quit;
      return LoopAction::Continue;
    default:
      return LoopAction::Continue;
  }
}

// SDL falls back to its offscreen driver when there is no display. A live
// show nobody can see is no show, unless that driver was asked for.
bool OnAScreen() {
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!driver || std::getenv("SDL_VIDEODRIVER")) return true;
  return std::strcmp(driver, "offscreen") != 0 &&
         std::strcmp(driver, "dummy") != 0;
}

// Shows the window and plays until the last section has finished, Escape
// is released, the window is closed or a stop signal arrives.
void Play(Demo* demo, DemoWindow* window, PeriodicTimer* timer) {
  window->Show(demo->fullscreen());
  // The first frame is drawn before the first tick.
  Trace("first frame");
  demo->PaintFrame();
  Trace("first frame shown");
  timer->Start(kTickMs, [demo] { demo->TimerTick(); });
  Trace("playing");

  int32_t shownSection = demo->sectionIndex.load();
  while (!demo->Finished() && !StopRequested()) {
    bool quit = false;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
      if (HandleEvent(event) == LoopAction::Quit) quit = true;
    }
    if (quit) break;
    demo->PaintFrame();
    if (demo->sectionIndex.load() != shownSection) {
      shownSection = demo->sectionIndex.load();
      Trace("section", shownSection);
    }
  }
}

}  // namespace

int RunLive(const Options& options) {
  // Before SDL starts, so that SDL leaves SIGINT and SIGTERM to us.
  InstallStopSignals();
  DemoWindow window;
  // Without a display there is no window; start-up then reports that no
  // device could be made.
  bool onAScreen = false;
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
    onAScreen = OnAScreen();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }
  if (onAScreen) window.Create();
  SdlMessageBoxes boxes(window.window());
  WindowGraphics graphics(&window);
  SdlAudio audio;
  MonotonicClock realClock;
  VirtualClock fastForwardClock(1);
  ShowParts parts;
  const uint32_t startMs =
      options.start ? static_cast<uint32_t>(std::lround(*options.start * 1000))
                    : 0;

  DemoConfig config;
  config.live = true;
  if (options.windowed) config.answer = Answer::No;
  if (options.fullscreen) config.answer = Answer::Yes;
  config.mute = options.mute;
  config.musicStartMs = startMs;
  config.trace = Tracing();

  DemoServices services;
  services.boxes = &boxes;
  services.graphics = &graphics;
  services.audio = &audio;
  services.clock = startMs > 0 ? static_cast<Clock*>(&fastForwardClock)
                               : static_cast<Clock*>(&realClock);
  services.parts = &parts;
  services.stopRequested = &StopRequested;

  PeriodicTimer timer;
  Demo demo(services, config);
  demo.SetTimer(&timer);
  OffsetClock continuedClock(&realClock, 0);

  Trace("start-up");
  const bool started = SUCCEEDED(demo.InitDemo());
  if (started && startMs > 0) {
    // The ticks up to the start run at full speed, then the live clock
    // takes over where they stopped.
    VirtualTicks ticks(&demo, &fastForwardClock);
    for (uint32_t to = 0; to < startMs && !StopRequested();) {
      to = std::min(startMs, to + kFastForwardSliceMs);
      ticks.RunTo(to, true);
    }
    continuedClock = OffsetClock(
        &realClock, fastForwardClock.Milliseconds() - realClock.Milliseconds());
    demo.SetClock(&continuedClock);
  }
  if (started && !StopRequested()) Play(&demo, &window, &timer);
  // The same path for every ending: the timer stops (a running tick
  // finishes) before Shutdown releases anything.
  timer.Stop();
  demo.Shutdown();
  window.Destroy();
  return 0;
}
