// The program-wide state of the show and the routines that drive it:
// start-up (InitDemo), the timer's tick, the paint of one frame, shutdown.
//
// Threads: InitDemo, PaintFrame, Advance and Shutdown run on the window
// thread (the one that owns the GL context); TimerTick runs on the timer
// thread, or on the window thread when offline. One tick mutex keeps them
// apart: TimerTick holds it across the flash decay and the section's
// Update; PaintFrame holds it only to apply the advance rule, then draws
// with it released (sections and the glow object hand what a tick changed
// to the frame through published copies). A tick therefore never waits for
// drawing or Present.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/gfx/com_ptr.h"
#include "platform/gfx/d3d9.h"
#include "platform/system/message_boxes.h"
#include "resource_ids.h"
#include "shell/section_table.h"

class AudioSystem;
class BaseSection;
class Clock;
class GlowEffect;
class TextureBank;
class GraphicsHost;
class PeriodicTimer;
class ShowParts;

// The outside world the show runs against; each piece can be replaced.
struct DemoServices {
  MessageBoxes* boxes = nullptr;
  GraphicsHost* graphics = nullptr;
  AudioSystem* audio = nullptr;
  Clock* clock = nullptr;
  ShowParts* parts = nullptr;
  // Whether the show has been asked to stop (SIGINT, SIGTERM); start-up
  // then ends as on Cancel. Unset: never.
  bool (*stopRequested)() = nullptr;
};

struct DemoConfig {
  // Live: a window on screen, the half-second pause after the device is
  // made, Present tied to the display. Offline: none of these.
  bool live = true;
  // The answer to "Fullscreen ?" given in advance; unset: ask.
  std::optional<Answer> answer;
  bool mute = false;
  // Where in the soundtrack the music starts (a show started later).
  uint32_t musicStartMs = 0;
  // Shutdown says so on stderr (the live trials count it).
  bool trace = false;
};

class Demo {
 public:
  // The soundtrack, an MP3 among the program's resources.
  static constexpr int kMusicResource = resource_id::kSoundtrackResource;

  Demo(const DemoServices& services, const DemoConfig& config);
  // Runs Shutdown if it has not run.
  ~Demo();
  Demo(const Demo&) = delete;
  Demo& operator=(const Demo&) = delete;

  // Start-up, on the hidden window; a negative result after its own message
  // (or after Cancel, without one).
  HRESULT InitDemo();
  HRESULT LoadMusic();
  // One frame: the advance rule, the current section's Render, the flash,
  // Present.
  void PaintFrame();
  // The advance rule alone (fast-forward applies it after every tick).
  void Advance();
  // One tick of the demo clock.
  void TimerTick();
  // Stops the timer (waiting for a running tick), then releases everything
  // in order. Idempotent: a second call releases nothing and only frees the
  // audio again.
  void Shutdown();

  // The timer that runs TimerTick, stopped by Shutdown before anything is
  // released.
  void SetTimer(PeriodicTimer* timer) { timer_ = timer; }
  // Changes the clock; only while no tick can run.
  void SetClock(Clock* clock) { services_.clock = clock; }
  // Called after DrawFlash and before Present with the finished frame
  // (offline rendering reads the back buffer here).
  void SetFrameCapture(std::function<void(IDirect3DDevice9*)> capture) {
    frameCapture_ = std::move(capture);
  }

  bool Finished() const { return sectionIndex.load() >= kSectionCount; }
  bool fullscreen() const { return fullscreen_; }
  // The last elapsed value a tick passed on.
  uint32_t LastElapsed() const { return lastElapsed; }

  // The shell state; all zero or null before start-up and after Shutdown.
  // The shell holds the only references; every other object gets plain
  // pointers to the device, the texture bank and the glow object.
  ComPtr<IDirect3D9> d3d;
  ComPtr<IDirect3DDevice9> device;
  PresentWindow* mainWindow = nullptr;
  uint32_t musicStream = 0;
  std::unique_ptr<TextureBank> textureBank;
  std::unique_ptr<GlowEffect> glow;
  std::unique_ptr<BaseSection> sections[kSectionCount];
  // 0 to 7 while playing, 8 once the last section has finished; written by
  // the window thread under the tick mutex, read by both.
  std::atomic<int32_t> sectionIndex{0};

 private:
  // With the tick mutex held: the advance rule. Returns whether a section
  // is current afterwards.
  bool ApplyAdvanceRule();
  void ShowError(const char* text);
  bool Stopping() const;

  // The steps of InitDemo, in order; each shows its own message on
  // failure and returns false.
  bool AskDisplayMode();
  bool CreateDevice();
  bool PrepareDevice();
  void OpenAudio();
  bool LoadSoundtrack();
  bool LoadTextures();
  bool CreateGlow();
  bool ResetSections();
  void StartMusic();

  DemoServices services_;
  DemoConfig config_;
  bool fullscreen_ = false;
  bool shutDown_ = false;
  PeriodicTimer* timer_ = nullptr;
  std::function<void(IDirect3DDevice9*)> frameCapture_;

  std::mutex tickMutex_;
  // Timer thread only.
  bool baseTaken_ = false;
  uint32_t baseTime = 0;
  uint32_t lastElapsed = 0;
};
