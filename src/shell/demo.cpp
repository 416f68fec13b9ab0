#include "shell/demo.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "glow/glow_effect.h"
#include "platform/system/audio_system.h"
#include "platform/system/clock.h"
#include "platform/system/embedded_resources.h"
#include "platform/system/periodic_timer.h"
#include "resources/texture_bank.h"
#include "sections/base_section.h"
#include "shell/graphics_host.h"
#include "shell/show_parts.h"

namespace {

// The show's own words, kept as they have always been written (spacing,
// spelling and all): deliberate, do not correct them.
constexpr const char* kAskFullscreen = "Fullscreen ?";
constexpr const char* kNoDirect3D =
    "Unable to access directx. Please check you have lastest version of "
    "directx.";
constexpr const char* kNoDevice =
    "Unable to create direct3d device. Please check you have a nice screen "
    "card.";
constexpr const char* kNoMusic = "Unable play music.";
constexpr const char* kNoTextures = "Unable load textures.";
constexpr const char* kNoEffects = "Effects failed.";
constexpr const char* kResetFailed = "Unable reset section %d. Error Code : %x";

// The back buffer the show is drawn for.
constexpr UINT kBackBufferWidth = 800;
constexpr UINT kBackBufferHeight = 600;
// The pause after the device is made, live only: lets a display that has
// just changed settle before the first frame.
constexpr auto kDeviceSettle = std::chrono::milliseconds(500);
// How often that pause looks for a stop request.
constexpr auto kStopPoll = std::chrono::milliseconds(5);
// Sampler stages whose filters start-up sets for every section.
constexpr DWORD kSamplerStages = 8;

}  // namespace

Demo::Demo(const DemoServices& services, const DemoConfig& config)
    : services_(services), config_(config) {}

Demo::~Demo() {
  if (!shutDown_) Shutdown();
}

void Demo::ShowError(const char* text) { services_.boxes->ShowError(text); }

bool Demo::Stopping() const {
  return services_.stopRequested && services_.stopRequested();
}

HRESULT Demo::InitDemo() {
  // With tracing on, each step says on stderr how long it took: where the
  // time to the first frame goes.
  auto step = [this](const char* name, auto run) {
    const auto start = std::chrono::steady_clock::now();
    const bool ok = run();
    if (config_.trace) {
      const std::chrono::duration<double, std::milli> took =
          std::chrono::steady_clock::now() - start;
      std::fprintf(stderr, "quorbel: %s took %.0f ms\n", name, took.count());
    }
    return ok;
  };
  // A stop request (SIGINT, SIGTERM) ends start-up between its steps as
  // Cancel does: no message, and Shutdown releases what was made.
  if (!step("question", [this] { return AskDisplayMode(); }) ||
      !step("device", [this] { return CreateDevice(); }) ||
      !step("device pause", [this] { return PrepareDevice(); })) {
    return E_FAIL;
  }
  step("audio output", [this] {
    OpenAudio();
    return true;
  });
  if (!step("soundtrack", [this] { return LoadSoundtrack(); }) || Stopping() ||
      !step("textures", [this] { return LoadTextures(); }) || Stopping() ||
      !step("glow", [this] { return CreateGlow(); }) ||
      !step("sections", [this] { return ResetSections(); }) || Stopping()) {
    return E_FAIL;
  }
  // The music starts once every section is ready.
  StartMusic();
  return S_OK;
}

bool Demo::AskDisplayMode() {
  const Answer answer =
      config_.answer ? *config_.answer : services_.boxes->Ask(kAskFullscreen);
  // Cancel, or closing the box, ends the program without a word.
  if (answer == Answer::Cancel || Stopping()) return false;
  fullscreen_ = answer == Answer::Yes;
  return true;
}

bool Demo::CreateDevice() {
  // The Direct3D object needs a current GL 3.3 context. A machine without
  // one cannot make a device at all: it gets the device message.
  const bool haveContext = services_.graphics->CreateContext();
  if (haveContext) {
    d3d = ComPtr<IDirect3D9>(services_.graphics->CreateDirect3D());
    if (!d3d) {
      ShowError(kNoDirect3D);
      return false;
    }
  }

  D3DPRESENT_PARAMETERS params{};
  params.BackBufferWidth = kBackBufferWidth;
  params.BackBufferHeight = kBackBufferHeight;
  params.BackBufferFormat = D3DFMT_A8R8G8B8;
  params.BackBufferCount = 1;
  params.MultiSampleType = D3DMULTISAMPLE_NONE;
  params.MultiSampleQuality = 0;
  params.SwapEffect = D3DSWAPEFFECT_DISCARD;
  params.hDeviceWindow = nullptr;
  params.Windowed = fullscreen_ ? FALSE : TRUE;
  params.EnableAutoDepthStencil = TRUE;
  params.AutoDepthStencilFormat = D3DFMT_D16;
  params.Flags = 0;
  params.FullScreen_RefreshRateInHz = 0;
  params.PresentationInterval = D3DPRESENT_INTERVAL_DEFAULT;

  mainWindow = services_.graphics->Window();
  HRESULT hr = D3DERR_NOTAVAILABLE;
  if (haveContext) {
    hr = d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, mainWindow,
                           D3DCREATE_SOFTWARE_VERTEXPROCESSING, &params,
                           device.Receive());
  }
  if (FAILED(hr)) {
    device.Reset();
    ShowError(kNoDevice);
    return false;
  }
  if (!config_.live) device->SetPresentSync(FALSE);
  return true;
}

bool Demo::PrepareDevice() {
  if (config_.live) {
    const auto until = std::chrono::steady_clock::now() + kDeviceSettle;
    while (!Stopping() && std::chrono::steady_clock::now() < until) {
      std::this_thread::sleep_for(kStopPoll);
    }
  }
  if (Stopping()) return false;
  if (fullscreen_) device->ShowCursor(FALSE);
  // Filters every section relies on unless it sets its own.
  for (DWORD stage = 0; stage < kSamplerStages; ++stage) {
    device->SetSamplerState(stage, D3DSAMP_MINFILTER, D3DTEXF_ANISOTROPIC);
    device->SetSamplerState(stage, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(stage, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
  }
  return true;
}

void Demo::OpenAudio() {
  // The first real output, else the silent one: a machine without sound
  // plays the show silently.
  if (config_.mute || !services_.audio->Init(AudioSystem::kFirstOutput)) {
    services_.audio->Init(AudioSystem::kNoSound);
  }
}

bool Demo::LoadSoundtrack() {
  if (SUCCEEDED(LoadMusic())) return true;
  ShowError(kNoMusic);
  return false;
}

HRESULT Demo::LoadMusic() {
  musicStream = 0;
  ResourceData music;
  if (FindEmbeddedResource(ResourceType::RcData, kMusicResource, &music) &&
      music.data && music.size > 0) {
    musicStream = services_.audio->StreamCreate(music.data, music.size);
  }
  return musicStream != 0 ? S_OK : E_FAIL;
}

bool Demo::LoadTextures() {
  textureBank.reset(services_.parts->NewTextureBank());
  // Loading takes most of start-up; a stop request ends it between images.
  textureBank->SetStopCheck([this] { return Stopping(); });
  if (SUCCEEDED(services_.parts->LoadTextures(textureBank.get(), device.get())))
    return true;
  if (Stopping()) return false;  // as on Cancel: no message
  ShowError(kNoTextures);
  return false;
}

bool Demo::CreateGlow() {
  glow.reset(services_.parts->NewGlow());
  if (SUCCEEDED(services_.parts->InitGlow(glow.get(), device.get(),
                                          textureBank.get())))
    return true;
  ShowError(kNoEffects);
  return false;
}

bool Demo::ResetSections() {
  // Every section is constructed before any is attached.
  sectionIndex.store(0);
  for (int i = 0; i < kSectionCount; ++i) {
    sections[i].reset(services_.parts->NewSection(i));
  }
  // Then one after the other: attach, reset. A failure stops here; the
  // sections after it are neither attached nor reset.
  for (int i = 0; i < kSectionCount; ++i) {
    if (Stopping()) return false;
    sections[i]->Attach(device.get(), textureBank.get(), glow.get());
    const HRESULT hr = sections[i]->Reset();
    if (FAILED(hr)) {
      // Everything is released before the message is shown.
      Shutdown();
      char text[96];
      std::snprintf(text, sizeof text, kResetFailed, i,
                    static_cast<unsigned>(hr));
      ShowError(text);
      return false;
    }
  }
  return true;
}

void Demo::StartMusic() {
  if (musicStream != 0) {
    services_.audio->ChannelPlay(musicStream, config_.musicStartMs);
  }
}

bool Demo::ApplyAdvanceRule() {
  int32_t index = sectionIndex.load();
  if (index >= kSectionCount) return false;
  BaseSection* current = sections[index].get();
  if (current->done.load() == 1) {
    current->done.store(0);
    ++index;
    sectionIndex.store(index);
    // Every change of section flashes, the one after the last included.
    services_.parts->Flash(glow.get());
  }
  return index < kSectionCount;
}

void Demo::Advance() {
  if (!device) return;
  std::lock_guard<std::mutex> lock(tickMutex_);
  ApplyAdvanceRule();
}

void Demo::PaintFrame() {
  if (!device) return;
  BaseSection* current = nullptr;
  {
    std::lock_guard<std::mutex> lock(tickMutex_);
    if (!ApplyAdvanceRule()) return;
    current = sections[sectionIndex.load()].get();
  }
  // Drawn outside the lock: the section draws from what it last published,
  // and an Update that sets `done` meanwhile is taken up by the next paint.
  current->Render();
  services_.parts->DrawFlash(glow.get());
  if (frameCapture_) frameCapture_(device.get());
  device->Present(nullptr, nullptr, nullptr, nullptr);
}

void Demo::TimerTick() {
  std::lock_guard<std::mutex> lock(tickMutex_);
  if (!glow) return;  // not started, or shut down
  const uint32_t now = services_.clock->Milliseconds();
  // A separate flag, not "baseTime == 0": a clock may well read 0.
  if (!baseTaken_) {
    baseTime = now;
    baseTaken_ = true;
  }
  const uint32_t elapsed = now - baseTime;
  const uint32_t delta = elapsed - lastElapsed;
  services_.parts->UpdateFlash(glow.get(), elapsed, delta);
  const int32_t index = sectionIndex.load();
  if (index < kSectionCount && sections[index]) {
    sections[index]->Update(elapsed, delta);
  }
  lastElapsed = elapsed;
}

void Demo::Shutdown() {
  shutDown_ = true;
  if (config_.trace) std::fputs("quorbel: Shutdown\n", stderr);
  // Nothing may be released while a tick can still run.
  if (timer_) timer_->Stop();
  if (textureBank) {
    services_.parts->DestroyTextures(textureBank.get());
    textureBank.reset();
  }
  if (glow) {
    services_.parts->ReleaseGlow(glow.get());
    glow.reset();
  }
  for (std::unique_ptr<BaseSection>& section : sections) {
    if (section) {
      section->Release();
      section.reset();
    }
  }
  device.Reset();
  d3d.Reset();
  services_.audio->Free();
  musicStream = 0;
}
