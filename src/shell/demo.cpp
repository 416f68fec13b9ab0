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
#include "shell/base_section.h"
#include "shell/graphics_host.h"
#include "shell/show_parts.h"

namespace {

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
  // 1. The display mode.
  Answer answer =
      config_.answer ? *config_.answer : services_.boxes->Ask(kAskFullscreen);
  // A stop request ends start-up wherever it comes, as Cancel does: no
  // message, and Shutdown releases what was made.
  if (answer == Answer::Cancel || Stopping()) return E_FAIL;
  fullscreen_ = answer == Answer::Yes;

  // 2. The Direct3D object needs a current GL 3.3 context. A machine
  // without one cannot make a device at all: it gets step 4's message.
  const bool haveContext = services_.graphics->CreateContext();
  if (haveContext) {
    d3d = services_.graphics->CreateDirect3D();
    if (!d3d) {
      ShowError(kNoDirect3D);
      return E_FAIL;
    }
  }

  // 3. Presentation parameters.
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

  // 4. The device.
  mainWindow = services_.graphics->Window();
  HRESULT hr = D3DERR_NOTAVAILABLE;
  if (haveContext) {
    hr = d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, mainWindow,
                           D3DCREATE_SOFTWARE_VERTEXPROCESSING, &params,
                           &device);
  }
  if (FAILED(hr)) {
    device = nullptr;
    ShowError(kNoDevice);
    return E_FAIL;
  }
  if (!config_.live) device->SetPresentSync(FALSE);

  // 5.
  if (config_.live) {
    const auto until = std::chrono::steady_clock::now() + kDeviceSettle;
    while (!Stopping() && std::chrono::steady_clock::now() < until) {
      std::this_thread::sleep_for(kStopPoll);
    }
  }
  if (Stopping()) return E_FAIL;
  // 6.
  if (fullscreen_) device->ShowCursor(FALSE);
  // 7. Filters every section relies on unless it sets its own.
  for (DWORD stage = 0; stage < kSamplerStages; ++stage) {
    device->SetSamplerState(stage, D3DSAMP_MINFILTER, D3DTEXF_ANISOTROPIC);
    device->SetSamplerState(stage, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(stage, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
  }

  // 8. The first real output, else the silent one.
  if (config_.mute || !services_.audio->Init(AudioSystem::kFirstOutput)) {
    services_.audio->Init(AudioSystem::kNoSound);
  }
  // 9.
  if (FAILED(LoadMusic())) {
    ShowError(kNoMusic);
    return E_FAIL;
  }
  // 10.
  if (Stopping()) return E_FAIL;
  textureBank = services_.parts->NewTextureBank();
  hr = services_.parts->LoadTextures(textureBank, device);
  if (FAILED(hr)) {
    ShowError(kNoTextures);
    return E_FAIL;
  }
  // 11.
  if (Stopping()) return E_FAIL;
  glow = services_.parts->NewGlow();
  hr = services_.parts->InitGlow(glow, device, textureBank);
  if (FAILED(hr)) {
    ShowError(kNoEffects);
    return E_FAIL;
  }
  // 12. Every section is constructed before any is attached.
  sectionIndex.store(0);
  for (int i = 0; i < kSectionCount; ++i) {
    sections[i] = services_.parts->NewSection(i);
  }
  // 13.
  for (int i = 0; i < kSectionCount; ++i) {
    if (Stopping()) return E_FAIL;
    sections[i]->Attach(device, textureBank, glow);
    hr = sections[i]->Reset();
    if (FAILED(hr)) {
      Shutdown();
      char text[96];
      std::snprintf(text, sizeof text, kResetFailed, i,
                    static_cast<unsigned>(hr));
      ShowError(text);
      return E_FAIL;
    }
  }
  // 14. The music starts once every section is ready.
  if (Stopping()) return E_FAIL;
  if (musicStream != 0) {
    services_.audio->ChannelPlay(musicStream, config_.musicStartMs);
  }
  return S_OK;
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

bool Demo::ApplyAdvanceRule() {
  int32_t index = sectionIndex.load();
  if (index >= kSectionCount) return false;
  BaseSection* current = sections[index];
  if (current->done.load() == 1) {
    current->done.store(0);
    ++index;
    sectionIndex.store(index);
    // Every change of section flashes, the one after the last included.
    services_.parts->Flash(glow);
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
    services_.parts->CaptureBackdrop(glow);
    current = sections[sectionIndex.load()];
  }
  // Drawn outside the lock: the section draws from what it last published,
  // and an Update that sets `done` meanwhile is taken up by the next paint.
  current->Render();
  services_.parts->DrawFlash(glow);
  if (frameCapture_) frameCapture_(device);
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
  services_.parts->UpdateFlash(glow, elapsed, delta);
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
    services_.parts->DestroyTextures(textureBank);
    delete textureBank;
    textureBank = nullptr;
  }
  if (glow) {
    services_.parts->ReleaseGlow(glow);
    delete glow;
    glow = nullptr;
  }
  for (BaseSection*& section : sections) {
    if (section) {
      section->Release();
      delete section;
      section = nullptr;
    }
  }
  if (device) {
    device->Release();
    device = nullptr;
  }
  if (d3d) {
    d3d->Release();
    d3d = nullptr;
  }
  services_.audio->Free();
  musicStream = 0;
}
