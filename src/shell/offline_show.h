// The show on a hidden window with a virtual clock: what offline rendering
// and the benchmark drive frame by frame. No dialogs (errors go to stderr),
// no sound, Present does not wait for the display.
#pragma once

#include <memory>

#include "platform/system/audio_system.h"
#include "platform/system/clock.h"
#include "platform/system/demo_window.h"
#include "platform/system/message_boxes.h"
#include "shell/demo.h"
#include "shell/graphics_host.h"
#include "shell/show_parts.h"
#include "shell/virtual_ticks.h"

class OfflineShow {
 public:
  OfflineShow();
  ~OfflineShow();

  // Opens the hidden window (SDL's offscreen driver when there is no
  // display) and starts the show; false after printing why.
  bool Start();

  Demo& demo() { return *demo_; }
  VirtualTicks& ticks() { return *ticks_; }

 private:
  DemoWindow window_;
  ConsoleMessageBoxes boxes_{Answer::No};
  WindowGraphics graphics_{&window_};
  SdlAudio audio_;
  VirtualClock clock_{1};
  ShowParts parts_;
  std::unique_ptr<Demo> demo_;
  std::unique_ptr<VirtualTicks> ticks_;
};
