#include "shell/offline_show.h"

#include <cstdio>
#include <cstdlib>

OfflineShow::OfflineShow() {
  DemoConfig config;
  config.live = false;
  config.answer = Answer::No;
  config.mute = true;
  DemoServices services;
  services.boxes = &boxes_;
  services.graphics = &graphics_;
  services.audio = &audio_;
  services.clock = &clock_;
  services.parts = &parts_;
  demo_ = std::make_unique<Demo>(services, config);
  ticks_ = std::make_unique<VirtualTicks>(demo_.get(), &clock_);
}

OfflineShow::~OfflineShow() {
  demo_->Shutdown();
  window_.Destroy();
}

bool OfflineShow::Start() {
  const bool noDisplay =
      !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY");
  if (noDisplay && !std::getenv("SDL_VIDEODRIVER")) {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
  }
  if (!window_.Create()) {
    // A display that SDL cannot use: render offscreen through EGL instead.
    window_.Destroy();
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    if (!window_.Create()) {
      std::fprintf(stderr, "quorbel: no window: %s\n", window_.error().c_str());
      return false;
    }
  }
  return SUCCEEDED(demo_->InitDemo());
}
