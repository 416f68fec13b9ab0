// The Direct3D-9-shaped device on OpenGL 3.3 core.
//
// The device keeps the whole Direct3D state on the CPU (DeviceState); Set
// calls only record it and mark dirty groups, and each draw translates the
// dirty groups into GL through a compare-then-call cache (GlStateCache).
// Every target, the back buffer included, is a framebuffer object stored
// with Direct3D's top row first; Present flips it into the window.
//
// The methods are split by topic: device.cpp (creation, lifetime,
// resources), device_setters.cpp (state), device_draw.cpp (draw-time
// translation), device_targets.cpp (render targets, viewport, clear,
// read-back), device_present.cpp (scene and present), device_blocks.cpp
// (state blocks), device_programs.cpp (the programmable path).
#pragma once

#include <epoxy/gl.h>

#include <atomic>
#include <cstdint>
#include <ctime>
#include <memory>

#include "platform/gfx/d3d9.h"
#include "platform/gfx/device_state.h"
#include "platform/gfx/ffp_key.h"
#include "platform/gfx/ffp_program_cache.h"
#include "platform/gfx/ffp_uniforms.h"
#include "platform/gfx/gl_state_cache.h"
#include "platform/gfx/translate.h"

namespace gfx {

class StateBlock;
class Surface;
class Texture;
class VertexBuffer;
class IndexBuffer;
class ShaderProgram;

// Counters for tests and benchmarks.
struct DeviceStats {
  uint64_t draws = 0;
  uint64_t programsBuilt = 0;  // fixed-function programs compiled
};

class Device : public IDirect3DDevice9 {
 public:
  // Creates the GL objects of the back buffer on the current context.
  // Returns null when the context cannot give them.
  static Device* Create(PresentWindow* window,
                        const D3DPRESENT_PARAMETERS& params);

  ULONG AddRef() override;
  ULONG Release() override;

  HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage,
                        D3DFORMAT format, D3DPOOL pool,
                        IDirect3DTexture9** texture,
                        void* sharedHandle) override;
  HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                             IDirect3DVertexBuffer9** buffer,
                             void* sharedHandle) override;
  HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format,
                            D3DPOOL pool, IDirect3DIndexBuffer9** buffer,
                            void* sharedHandle) override;
  HRESULT CreateStateBlock(D3DSTATEBLOCKTYPE type,
                           IDirect3DStateBlock9** block) override;
  HRESULT BeginStateBlock() override;
  HRESULT EndStateBlock(IDirect3DStateBlock9** block) override;

  HRESULT BeginScene() override;
  HRESULT EndScene() override;
  HRESULT Clear(DWORD count, const RECT* rects, DWORD flags, D3DCOLOR color,
                float z, DWORD stencil) override;
  HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindow,
                  const void* dirtyRegion) override;
  BOOL ShowCursor(BOOL show) override;

  HRESULT GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE type,
                        IDirect3DSurface9** surface) override;
  HRESULT SetRenderTarget(DWORD index, IDirect3DSurface9* surface) override;
  HRESULT GetRenderTarget(DWORD index, IDirect3DSurface9** surface) override;
  HRESULT SetViewport(const D3DVIEWPORT9* viewport) override;
  HRESULT GetViewport(D3DVIEWPORT9* viewport) override;
  HRESULT SetScissorRect(const RECT* rect) override;
  HRESULT GetScissorRect(RECT* rect) override;

  HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
  HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override;
  HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                               DWORD value) override;
  HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                               DWORD* value) override;
  HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type,
                          DWORD value) override;
  HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type,
                          DWORD* value) override;
  HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) override;
  HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) override;
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE state,
                       const D3DMATRIX* matrix) override;
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override;
  HRESULT SetLight(DWORD index, const D3DLIGHT9* light) override;
  HRESULT GetLight(DWORD index, D3DLIGHT9* light) override;
  HRESULT LightEnable(DWORD index, BOOL enable) override;
  HRESULT GetLightEnable(DWORD index, BOOL* enable) override;
  HRESULT SetMaterial(const D3DMATERIAL9* material) override;
  HRESULT GetMaterial(D3DMATERIAL9* material) override;
  HRESULT SetFVF(DWORD fvf) override;
  HRESULT GetFVF(DWORD* fvf) override;
  HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer,
                          UINT offsetBytes, UINT stride) override;
  HRESULT GetStreamSource(UINT stream, IDirect3DVertexBuffer9** buffer,
                          UINT* offsetBytes, UINT* stride) override;
  HRESULT SetIndices(IDirect3DIndexBuffer9* indices) override;
  HRESULT GetIndices(IDirect3DIndexBuffer9** indices) override;

  HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex,
                        UINT primitiveCount) override;
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertexIndex,
                               UINT minIndex, UINT numVertices, UINT startIndex,
                               UINT primitiveCount) override;
  HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount,
                          const void* vertexData, UINT stride) override;

  HRESULT CreateShaderProgram(const ShaderProgramDesc& desc,
                              IDirect3DShaderProgram9** program,
                              std::string* errorLog) override;
  HRESULT SetShaderProgram(IDirect3DShaderProgram9* program) override;
  HRESULT GetShaderProgram(IDirect3DShaderProgram9** program) override;

  HRESULT ReadBackBuffer(std::vector<uint32_t>* pixels) override;
  HRESULT ReadTexture(IDirect3DTexture9* texture,
                      std::vector<uint32_t>* pixels) override;
  HRESULT SetPresentSync(BOOL waitForDisplay) override;
  HRESULT SetPresentCopy(BOOL copyToWindow) override;

  // Used by the device's own objects.
  GlStateCache* cache() { return &cache_; }
  // Uploads `texture` now (IDirect3DResource9::PreLoad).
  void PreLoadTexture(Texture* texture);
  HRESULT CaptureStateBlock(StateBlock* block);
  HRESULT ApplyStateBlock(StateBlock* block);
  const DeviceState& state() const { return state_; }
  const DeviceStats& stats() const { return stats_; }
  // Forget the GL state the cache assumes (after GL calls made elsewhere).
  void InvalidateGlState();
  // A vertex buffer or program went away: its GL name (or address) may
  // come back for another one, so the attribute arrays are set up anew.
  void ForgetVertexInput() {
    lastVertexBuffer_ = 0;
    dirty_ |= kDirtyVertexInput;
  }

 private:
  Device(PresentWindow* window, UINT width, UINT height);
  ~Device() override;
  bool InitGl();
  void Destroy();

  // Draw-time translation (device_draw.cpp).
  // Whether an indexed draw goes out as the cached wireframe line list.
  bool DrawsEdgeList(D3DPRIMITIVETYPE type) const;
  // Where a draw's vertices come from: a GL buffer, the stride and the
  // byte offset of vertex 0.
  struct VertexSource {
    GLuint buffer;
    UINT stride;
    UINT offset;
  };
  // vertexDiffuseOpaque: every vertex's diffuse alpha is 255 (known for
  // DrawPrimitiveUP only).
  HRESULT PrepareDraw(D3DPRIMITIVETYPE type, const FvfLayout& layout,
                      const VertexSource& vertices, bool vertexDiffuseOpaque);
  void ApplyBlend();
  void ApplyBlendEnable();
  void ApplyDepth();
  void ApplyRaster();
  void ApplyViewport();
  void ApplySamplers();
  void ApplyTextures(uint32_t dirty);
  bool ApplyProgram(const FvfLayout& layout, bool points,
                    bool vertexDiffuseOpaque);
  void ApplyVertexInput(const FvfLayout& layout, const VertexSource& vertices);
  void BindRenderTargetFramebuffer();
  GLuint FramebufferFor(Surface* surface);

  // The target's size (for viewport resets and the clear rectangle).
  UINT targetWidth() const;
  UINT targetHeight() const;

  std::atomic<ULONG> refs_{1};
  PresentWindow* window_;
  UINT width_;
  UINT height_;

  DeviceState state_;
  uint32_t dirty_ = kDirtyAll;
  uint8_t dirtySamplerStages_ = 0xFF;
  StateBlock* recording_ = nullptr;
  bool inScene_ = false;
  BOOL cursorShown_ = TRUE;
  DeviceStats stats_;

  GlStateCache cache_;
  GLuint vertexArray_ = 0;
  GLuint backColor_ = 0;
  GLuint backDepth_ = 0;
  GLuint backFramebuffer_ = 0;
  std::unique_ptr<Surface> backBuffer_;
  Surface* renderTarget_ = nullptr;  // internal ref on its texture if any
  bool targetDirty_ = true;

  // Fixed function.
  FixedFunctionProgramCache programs_;
  FixedFunctionKey lastKey_;
  GLuint lastFixedProgram_ = 0;
  bool lastWasPoints_ = false;
  bool keyValid_ = false;
  bool lastVertexDiffuseOpaque_ = false;
  // The last key's program writes alpha one (ffp_alpha.h).
  bool alphaIsOne_ = false;
  FixedFunctionUniforms uniforms_{};
  DWORD uniformWorldMatrices_ = 0;  // world-view matrices in uniforms_
  GLuint uniformBuffer_ = 0;
  float maxGlPointSize_ = 64.0f;

  // Samplers: one GL sampler object per stage and the values it was given.
  struct SamplerCache {
    GLenum minFilter, magFilter, wrapS, wrapT;
    DWORD borderColor, maxMipLevel, lodBias;
    float anisotropy;
  };
  GLuint samplers_[kMaxTextureStages] = {};
  SamplerCache samplerCache_[kMaxTextureStages];
  bool hasAnisotropy_ = false;

  // Stages whose texture was bound by the last full texture pass; between
  // passes only these can have levels waiting for upload.
  uint8_t boundTextureStages_ = 0;

  // Vertex input as last set up (buffer 0: nothing known).
  GLuint lastVertexBuffer_ = 0;
  DWORD lastFvf_ = 0xFFFFFFFFu;
  UINT lastStride_ = 0;
  UINT lastOffset_ = 0;
  const void* lastAttributeSet_ = nullptr;

  // DrawPrimitiveUP's stream buffer, grown as needed and reused.
  GLuint upBuffer_ = 0;
  UINT upBufferSize_ = 0;

  // Presentation.
  bool presentSync_ = true;
  bool presentCopy_ = true;
  bool swapIntervalAccepted_ = false;
  double swapSecondsAverage_ = 0.0;
  timespec lastPresent_{};
  bool havePresented_ = false;
};

}  // namespace gfx
