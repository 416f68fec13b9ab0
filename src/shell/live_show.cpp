// The show in a window: the event loop on the window thread, the 1 ms
// timer on its own.
#include <SDL.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/system/audio_system.h"
#include "platform/system/clock.h"
#include "platform/system/demo_window.h"
#include "platform/system/message_boxes.h"
#include "platform/system/periodic_timer.h"
#include "shell/demo.h"
#include "shell/graphics_host.h"
#include "shell/program.h"
#include "shell/show_parts.h"
#include "shell/virtual_ticks.h"

namespace {

// The timer's period: the demo clock advances in steps of this size.
constexpr uint32_t kTickMs = 1;

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

}  // namespace

int RunLive(const Options& options) {
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

  DemoServices services;
  services.boxes = &boxes;
  services.graphics = &graphics;
  services.audio = &audio;
  services.clock = startMs > 0 ? static_cast<Clock*>(&fastForwardClock)
                               : static_cast<Clock*>(&realClock);
  services.parts = &parts;

  PeriodicTimer timer;
  Demo demo(services, config);
  demo.SetTimer(&timer);
  OffsetClock continuedClock(&realClock, 0);

  if (SUCCEEDED(demo.InitDemo())) {
    if (startMs > 0) {
      // The ticks up to the start run at full speed, then the live clock
      // takes over where they stopped.
      VirtualTicks ticks(&demo, &fastForwardClock);
      ticks.RunTo(startMs, true);
      continuedClock = OffsetClock(&realClock, fastForwardClock.Milliseconds() -
                                                   realClock.Milliseconds());
      demo.SetClock(&continuedClock);
    }
    window.Show(demo.fullscreen());
    // The first frame is drawn before the first tick.
    demo.PaintFrame();
    timer.Start(kTickMs, [&demo] { demo.TimerTick(); });

    bool quit = false;
    while (!quit && !demo.Finished()) {
      SDL_Event event;
      while (SDL_PollEvent(&event)) {
        if (HandleEvent(event) == LoopAction::Quit) quit = true;
      }
      if (quit) break;
      demo.PaintFrame();
    }
  }
  // The same path for every ending: the timer stops (a running tick
  // finishes) before Shutdown releases anything.
  timer.Stop();
  demo.Shutdown();
  window.Destroy();
  return 0;
}
