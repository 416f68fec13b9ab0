// Stand-ins for everything the shell reaches outside itself, so that the
// timeline, start-up and shutdown run without a GPU, a display or sound.
// Each fake writes what happens to it into one shared event log.
#pragma once

#include <atomic>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "glow/glow_effect.h"
#include "platform/gfx/d3d9.h"
#include "platform/system/audio_system.h"
#include "platform/system/message_boxes.h"
#include "resources/texture_bank.h"
#include "sections/base_section.h"
#include "shell/graphics_host.h"
#include "shell/show_parts.h"

class EventLog {
 public:
  void Add(const std::string& event) {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back(event);
  }
  std::vector<std::string> events() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
  }
  int Count(const std::string& event) const {
    std::lock_guard<std::mutex> lock(mutex_);
    int n = 0;
    for (const auto& e : events_) n += e == event;
    return n;
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.clear();
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> events_;
};

// A device that draws nothing and records what the shell asks of it.
class FakeDevice : public IDirect3DDevice9 {
 public:
  explicit FakeDevice(EventLog* log) : log_(log) {}
  ULONG AddRef() override { return ++refs; }
  ULONG Release() override {
    log_->Add("device.Release");
    ULONG left = --refs;
    if (left == 0) delete this;
    return left;
  }
  HRESULT BeginScene() override { return S_OK; }
  HRESULT EndScene() override { return S_OK; }
  HRESULT Clear(DWORD, const RECT*, DWORD, D3DCOLOR color, float,
                DWORD) override {
    lastClear = color;
    return S_OK;
  }
  HRESULT Present(const RECT*, const RECT*, HWND, const void*) override {
    ++presents;
    return S_OK;
  }
  BOOL ShowCursor(BOOL show) override {
    log_->Add(show ? "device.ShowCursor(TRUE)" : "device.ShowCursor(FALSE)");
    return TRUE;
  }
  HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type,
                          DWORD value) override {
    samplerCalls.push_back({sampler, static_cast<DWORD>(type), value});
    return S_OK;
  }
  HRESULT SetPresentSync(BOOL wait) override {
    presentSync = wait;
    return S_OK;
  }
  HRESULT SetPresentCopy(BOOL /*copy*/) override { return S_OK; }
  HRESULT CreateTexture(UINT /*width*/, UINT /*height*/, UINT /*levels*/,
                        DWORD /*usage*/, D3DFORMAT /*format*/, D3DPOOL /*pool*/,
                        IDirect3DTexture9** /*texture*/,
                        void* /*sharedHandle*/) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT CreateVertexBuffer(UINT /*length*/, DWORD /*usage*/, DWORD /*fvf*/,
                             D3DPOOL /*pool*/,
                             IDirect3DVertexBuffer9** /*buffer*/,
                             void* /*sharedHandle*/) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT CreateIndexBuffer(UINT /*length*/, DWORD /*usage*/,
                            D3DFORMAT /*format*/, D3DPOOL /*pool*/,
                            IDirect3DIndexBuffer9** /*buffer*/,
                            void* /*sharedHandle*/) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT CreateStateBlock(D3DSTATEBLOCKTYPE /*type*/,
                           IDirect3DStateBlock9** /*block*/) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT BeginStateBlock() override { return D3DERR_INVALIDCALL; }
  HRESULT EndStateBlock(IDirect3DStateBlock9** /*block*/) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT GetBackBuffer(UINT /*swapChain*/, UINT /*index*/,
                        D3DBACKBUFFER_TYPE /*type*/,
                        IDirect3DSurface9** /*surface*/) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT SetRenderTarget(DWORD /*index*/,
                          IDirect3DSurface9* /*surface*/) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT GetRenderTarget(DWORD /*index*/,
                          IDirect3DSurface9** /*surface*/) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT SetViewport(const D3DVIEWPORT9* /*viewport*/) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT GetViewport(D3DVIEWPORT9* /*viewport*/) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT SetScissorRect(const RECT* /*rect*/) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT GetScissorRect(RECT* /*rect*/) override { return D3DERR_INVALIDCALL; }
  HRESULT SetRenderState(D3DRENDERSTATETYPE /*state*/,
                         DWORD /*value*/) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT GetRenderState(D3DRENDERSTATETYPE /*state*/,
                         DWORD* /*value*/) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT SetTextureStageState(DWORD /*stage*/,
                               D3DTEXTURESTAGESTATETYPE /*type*/,
                               DWORD /*value*/) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT GetTextureStageState(DWORD /*stage*/,
                               D3DTEXTURESTAGESTATETYPE /*type*/,
                               DWORD* /*value*/) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT GetSamplerState(DWORD /*sampler*/, D3DSAMPLERSTATETYPE /*type*/,
                          DWORD* /*value*/) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT SetTexture(DWORD /*stage*/,
                     IDirect3DBaseTexture9* /*texture*/) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT GetTexture(DWORD /*stage*/,
                     IDirect3DBaseTexture9** /*texture*/) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE /*state*/,
                       const D3DMATRIX* /*matrix*/) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE /*state*/,
                       D3DMATRIX* /*matrix*/) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT SetLight(DWORD /*index*/, const D3DLIGHT9* /*light*/) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT GetLight(DWORD /*index*/, D3DLIGHT9* /*light*/) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT LightEnable(DWORD /*index*/, BOOL /*enable*/) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT GetLightEnable(DWORD /*index*/, BOOL* /*enable*/) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT SetMaterial(const D3DMATERIAL9* /*material*/) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT GetMaterial(D3DMATERIAL9* /*material*/) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT SetFVF(DWORD /*fvf*/) override { return D3DERR_INVALIDCALL; }
  HRESULT GetFVF(DWORD* /*fvf*/) override { return D3DERR_INVALIDCALL; }
  HRESULT SetStreamSource(UINT /*stream*/, IDirect3DVertexBuffer9* /*buffer*/,
                          UINT /*offsetBytes*/, UINT /*stride*/) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT GetStreamSource(UINT /*stream*/, IDirect3DVertexBuffer9** /*buffer*/,
                          UINT* /*offsetBytes*/, UINT* /*stride*/) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT SetIndices(IDirect3DIndexBuffer9* /*indices*/) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT GetIndices(IDirect3DIndexBuffer9** /*indices*/) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT DrawPrimitive(D3DPRIMITIVETYPE /*type*/, UINT /*startVertex*/,
                        UINT /*primitiveCount*/) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE /*type*/,
                               INT /*baseVertexIndex*/, UINT /*minIndex*/,
                               UINT /*numVertices*/, UINT /*startIndex*/,
                               UINT /*primitiveCount*/) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE /*type*/, UINT /*primitiveCount*/,
                          const void* /*vertexData*/,
                          UINT /*stride*/) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT CreateShaderProgram(const ShaderProgramDesc& /*desc*/,
                              IDirect3DShaderProgram9** /*program*/,
                              std::string* /*errorLog*/) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT SetShaderProgram(IDirect3DShaderProgram9* /*program*/) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT GetShaderProgram(IDirect3DShaderProgram9** /*program*/) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT ReadBackBuffer(std::vector<uint32_t>* /*pixels*/) override {
    return D3DERR_INVALIDCALL;
  }
  HRESULT ReadTexture(IDirect3DTexture9* /*texture*/,
                      std::vector<uint32_t>* /*pixels*/) override {
    return D3DERR_INVALIDCALL;
  }

  struct SamplerCall {
    DWORD stage, type, value;
  };
  std::vector<SamplerCall> samplerCalls;
  std::atomic<int> presents{0};
  D3DCOLOR lastClear = 0;
  BOOL presentSync = TRUE;
  ULONG refs = 1;

 private:
  EventLog* log_;
};

class FakeDirect3D : public IDirect3D9 {
 public:
  FakeDirect3D(EventLog* log, HRESULT createResult)
      : log_(log), createResult_(createResult) {}
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    log_->Add("d3d.Release");
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT CreateDevice(UINT, D3DDEVTYPE, HWND, DWORD,
                       D3DPRESENT_PARAMETERS* params,
                       IDirect3DDevice9** device) override {
    log_->Add("d3d.CreateDevice");
    lastParams = *params;
    if (FAILED(createResult_)) return createResult_;
    createdDevice = new FakeDevice(log_);
    *device = createdDevice;
    return S_OK;
  }
  D3DPRESENT_PARAMETERS lastParams{};
  FakeDevice* createdDevice = nullptr;

 private:
  EventLog* log_;
  HRESULT createResult_;
  ULONG refs_ = 1;
};

class FakeGraphics : public GraphicsHost {
 public:
  explicit FakeGraphics(EventLog* log) : log_(log) {}
  bool CreateContext() override {
    log_->Add("graphics.CreateContext");
    return contextWorks;
  }
  IDirect3D9* CreateDirect3D() override {
    if (!direct3DWorks) return nullptr;
    d3d = new FakeDirect3D(log_, createDeviceResult);
    return d3d;
  }
  PresentWindow* Window() override { return nullptr; }

  bool contextWorks = true;
  bool direct3DWorks = true;
  HRESULT createDeviceResult = S_OK;
  FakeDirect3D* d3d = nullptr;  // owned by the shell once made

 private:
  EventLog* log_;
};

class FakeAudio : public AudioSystem {
 public:
  explicit FakeAudio(EventLog* log) : log_(log) {}
  bool Init(int device) override {
    log_->Add("audio.Init(" + std::to_string(device) + ")");
    return device == kNoSound || realDeviceWorks;
  }
  uint32_t StreamCreate(const uint8_t* data, size_t size) override {
    log_->Add("audio.StreamCreate");
    lastData = data;
    lastSize = size;
    return streamWorks ? 7 : 0;
  }
  bool ChannelPlay(uint32_t stream, uint32_t fromMs) override {
    log_->Add("audio.ChannelPlay(" + std::to_string(stream) + "," +
              std::to_string(fromMs) + ")");
    return true;
  }
  void Free() override { log_->Add("audio.Free"); }

  bool realDeviceWorks = true;
  bool streamWorks = true;
  const uint8_t* lastData = nullptr;
  size_t lastSize = 0;

 private:
  EventLog* log_;
};

class FakeBoxes : public MessageBoxes {
 public:
  explicit FakeBoxes(EventLog* log) : log_(log) {}
  Answer Ask(const std::string& text) override {
    log_->Add("ask:" + text);
    return answer;
  }
  void ShowError(const std::string& text) override {
    log_->Add("error:" + text);
    errors.push_back(text);
  }
  Answer answer = Answer::No;
  std::vector<std::string> errors;

 private:
  EventLog* log_;
};

// A section that ends at a given whole second (at or past it) and records
// its calls. Update after Release is a fault the log shows.
class FakeSection : public BaseSection {
 public:
  FakeSection(EventLog* log, int index, uint32_t end)
      : log_(log), index_(index) {
    endSecond = end;
  }
  void Update(uint32_t elapsed, uint32_t delta) override {
    if (released_.load()) log_->Add("UPDATE AFTER RELEASE");
    ++updates;
    lastElapsed = elapsed;
    deltaSum += delta;
    if (updates == 1) {
      firstElapsed = elapsed;
      firstDelta = delta;
    }
    if (elapsed / 1000 >= endSecond) done.store(1);
  }
  void Render() override {
    ++renders;
    log_->Add("render " + std::to_string(index_));
  }
  HRESULT Reset() override {
    log_->Add("section" + std::to_string(index_) + ".Reset");
    return resetResult;
  }
  void Release() override {
    released_.store(true);
    log_->Add("section" + std::to_string(index_) + ".Release");
  }

  HRESULT resetResult = S_OK;
  std::atomic<int> updates{0};
  std::atomic<int> renders{0};
  uint32_t firstElapsed = 0, firstDelta = 0, lastElapsed = 0;
  uint64_t deltaSum = 0;

 private:
  EventLog* log_;
  int index_;
  std::atomic<bool> released_{false};
};

// The shared objects as fakes: a texture bank and a glow object that are
// constructed but never touch a device.
class FakeParts : public ShowParts {
 public:
  explicit FakeParts(EventLog* log) : log_(log) {}
  HRESULT LoadTextures(TextureBank*, IDirect3DDevice9*) override {
    log_->Add("textures.LoadAll");
    return loadResult;
  }
  void DestroyTextures(TextureBank*) override { log_->Add("textures.Destroy"); }
  HRESULT InitGlow(GlowEffect*, IDirect3DDevice9*, TextureBank*) override {
    log_->Add("glow.Init");
    return glowResult;
  }
  void ReleaseGlow(GlowEffect*) override { log_->Add("glow.Release"); }
  void Flash(GlowEffect*) override {
    ++flashes;
    log_->Add("flash");
  }
  void UpdateFlash(GlowEffect*, uint32_t, uint32_t) override { ++flashUpdates; }
  void DrawFlash(GlowEffect*) override {}
  BaseSection* NewSection(int index) override {
    if (makeSection) return makeSection(index);
    auto* section = new FakeSection(log_, index, kEnds[index]);
    if (index == failingReset) section->resetResult = resetFailure;
    fakes[index] = section;
    return section;
  }

  static constexpr uint32_t kEnds[8] = {27, 41, 82, 108, 137, 165, 219, 225};
  HRESULT loadResult = S_OK;
  HRESULT glowResult = S_OK;
  int failingReset = -1;
  HRESULT resetFailure = E_OUTOFMEMORY;
  std::atomic<int> flashes{0};
  std::atomic<int> flashUpdates{0};
  FakeSection* fakes[8] = {};
  std::function<BaseSection*(int)> makeSection;

 private:
  EventLog* log_;
};
