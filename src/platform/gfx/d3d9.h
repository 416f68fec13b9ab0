// The Direct3D-9-shaped device: the interfaces the show draws through.
//
// Interfaces are abstract classes with Direct3D 9's method names and
// argument order; the OpenGL 3.3 implementation lives beside this header.
// Reference counting follows Direct3D: objects start with one reference,
// Get* calls that return an interface (GetBackBuffer, GetSurfaceLevel,
// GetTexture, GetStreamSource, ...) add one, Release frees at zero.
//
// A few methods are this platform's own (marked "extension"); they give
// the extension library's effect runtime a programmable path and the shell
// read-back and presentation control.
#pragma once

#include <string>
#include <vector>

#include "platform/gfx/d3d9_types.h"

class IUnknown {
 public:
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  virtual ~IUnknown() = default;
};

class IDirect3DDevice9;

class IDirect3DResource9 : public IUnknown {
 public:
  virtual HRESULT GetDevice(IDirect3DDevice9** device) = 0;
  virtual D3DRESOURCETYPE GetType() = 0;
  // A managed texture is uploaded to GL now (window thread) instead of at
  // the first draw that samples it; other resources have nothing to do.
  virtual void PreLoad() {}
};

class IDirect3DSurface9 : public IDirect3DResource9 {
 public:
  virtual HRESULT GetDesc(D3DSURFACE_DESC* desc) = 0;
};

class IDirect3DBaseTexture9 : public IDirect3DResource9 {
 public:
  virtual DWORD GetLevelCount() = 0;
};

class IDirect3DTexture9 : public IDirect3DBaseTexture9 {
 public:
  virtual HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) = 0;
  virtual HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) = 0;
  // Managed and system-memory textures only. The data is A8R8G8B8 or
  // X8R8G8B8 (one DWORD per texel, 0xAARRGGBB), rows top to bottom. The
  // upload to GL happens at the next draw that samples the texture, on the
  // window thread.
  virtual HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect,
                           DWORD flags) = 0;
  virtual HRESULT UnlockRect(UINT level) = 0;
  // Extension: whether any texel of `level` inside `texels` (left and top
  // included, right and bottom excluded, clamped to the level) may have an
  // alpha above zero. X8R8G8B8 texels count as alpha one, a render
  // target's as unknown (TRUE). Answered from a map of 8 x 8 texel cells
  // made on first use after each write: TRUE can mean a clear texel that
  // shares a cell with a visible one, FALSE always means all clear.
  virtual BOOL AnyTexelVisible(UINT level, const RECT* texels) = 0;
};

class IDirect3DVertexBuffer9 : public IDirect3DResource9 {
 public:
  // Lock(0, 0, ...) locks the whole buffer. Lock and Unlock touch only CPU
  // memory; the upload happens at the next draw. Like every call on the
  // device and its objects, they belong to the window thread: the draw's
  // check that a buffer is not locked and its upload are not atomic with
  // a Lock on another thread. Data a tick computes is handed to the window
  // thread and written there.
  virtual HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) = 0;
  virtual HRESULT Unlock() = 0;
  virtual HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) = 0;
};

class IDirect3DIndexBuffer9 : public IDirect3DResource9 {
 public:
  virtual HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) = 0;
  virtual HRESULT Unlock() = 0;
  virtual HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc) = 0;
};

class IDirect3DStateBlock9 : public IUnknown {
 public:
  virtual HRESULT GetDevice(IDirect3DDevice9** device) = 0;
  virtual HRESULT Capture() = 0;
  virtual HRESULT Apply() = 0;
};

// Extension: a linked vertex + pixel program for the programmable path.
// Uniform values are kept on the CPU and uploaded when a draw uses the
// program.
class IDirect3DShaderProgram9 : public IUnknown {
 public:
  // Sets float, vec2, vec3, vec4 or mat4 uniforms (and arrays of them).
  // name: the uniform's GLSL name as GL reports it ("scale", "_12.texTrans"
  // for a member of a plain struct uniform); arrays also answer to the
  // bare name without "[0]"; members of a uniform block declared without
  // an instance name answer to "member" and "Block.member" (e.g.
  // "_Global.texTrans"). floatCount: a whole number of elements (1, 2, 3,
  // 4 or 16 floats each), at most the array length; values fill elements
  // from the first. Matrices: 16 floats per element in D3DMATRIX memory
  // order; GLSL's column j receives floats 4j..4j+3 (D3DMATRIX row j), so
  // `M * v` in GLSL computes Direct3D's row-vector product v . M.
  // row_major block members are stored so that GLSL sees the same matrix.
  // Unknown names, other types (int, bool, mat2, mat3, samplers) and bad
  // counts return D3DERR_INVALIDCALL and change nothing.
  virtual HRESULT SetUniformFloats(const char* name, const float* values,
                                   UINT floatCount) = 0;
};

// Which vertex element feeds a vertex-program input. The element comes
// from the FVF set with SetFVF on stream 0: POSITION 0 / POSITIONT 0 the
// position (3 floats, 4 with XYZRHW), BLENDWEIGHT 0 the weights, NORMAL 0,
// PSIZE 0, COLOR 0 the diffuse and COLOR 1 the specular D3DCOLOR (read as
// vec4 r, g, b, a in [0, 1]), TEXCOORD n the n-th coordinate set. An
// element the FVF lacks leaves the input at GL's constant (0, 0, 0, 1).
// Locations must be below 16.
struct ShaderAttributeBinding {
  UINT location;       // layout(location = N) of the vertex-program input
  D3DDECLUSAGE usage;  // which vertex element feeds it
  BYTE usageIndex;     // e.g. TEXCOORD1 -> 1
};

struct ShaderSamplerBinding {
  std::string name;  // the GLSL sampler uniform
  DWORD stage;       // the texture stage whose texture and sampler states it
                     // samples
};

struct ShaderProgramDesc {
  // GLSL 330 core, "#version 330 core" first. The vertex program's
  // `void main()` writes gl_Position in Direct3D clip space (z in [0, w],
  // no half-pixel fix-up, no y flip); the device renames that main and
  // calls it from its own, which applies the same fix-up as fixed
  // function (half-pixel offset, top-row-first targets, z to GL's range),
  // so the program renders exactly as under Direct3D. Reserved names:
  // quorbelUserMain, quorbelViewport, FixupPosition. Uniform blocks get
  // binding points from 1 up (0 is the fixed-function block). The pixel
  // program's output goes to the 8-bit target, which saturates it.
  std::string vertexSource;
  std::string pixelSource;
  std::vector<ShaderAttributeBinding> attributes;
  std::vector<ShaderSamplerBinding> samplers;
};

class IDirect3DDevice9 : public IUnknown {
 public:
  // Resources.
  virtual HRESULT CreateTexture(UINT width, UINT height, UINT levels,
                                DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                IDirect3DTexture9** texture,
                                void* sharedHandle) = 0;
  virtual HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf,
                                     D3DPOOL pool,
                                     IDirect3DVertexBuffer9** buffer,
                                     void* sharedHandle) = 0;
  virtual HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format,
                                    D3DPOOL pool,
                                    IDirect3DIndexBuffer9** buffer,
                                    void* sharedHandle) = 0;
  virtual HRESULT CreateStateBlock(D3DSTATEBLOCKTYPE type,
                                   IDirect3DStateBlock9** block) = 0;
  virtual HRESULT BeginStateBlock() = 0;
  virtual HRESULT EndStateBlock(IDirect3DStateBlock9** block) = 0;

  // Frame.
  virtual HRESULT BeginScene() = 0;
  virtual HRESULT EndScene() = 0;
  virtual HRESULT Clear(DWORD count, const RECT* rects, DWORD flags,
                        D3DCOLOR color, float z, DWORD stencil) = 0;
  virtual HRESULT Present(const RECT* sourceRect, const RECT* destRect,
                          HWND destWindow, const void* dirtyRegion) = 0;
  virtual BOOL ShowCursor(BOOL show) = 0;

  // Render targets.
  virtual HRESULT GetBackBuffer(UINT swapChain, UINT index,
                                D3DBACKBUFFER_TYPE type,
                                IDirect3DSurface9** surface) = 0;
  virtual HRESULT SetRenderTarget(DWORD index, IDirect3DSurface9* surface) = 0;
  virtual HRESULT GetRenderTarget(DWORD index, IDirect3DSurface9** surface) = 0;
  virtual HRESULT SetViewport(const D3DVIEWPORT9* viewport) = 0;
  virtual HRESULT GetViewport(D3DVIEWPORT9* viewport) = 0;
  // The rectangle D3DRS_SCISSORTESTENABLE limits draws to, in target
  // pixels. Setting a render target makes it the whole target, as it does
  // the viewport; Clear ignores it.
  virtual HRESULT SetScissorRect(const RECT* rect) = 0;
  virtual HRESULT GetScissorRect(RECT* rect) = 0;

  // State.
  virtual HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) = 0;
  virtual HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) = 0;
  virtual HRESULT SetTextureStageState(DWORD stage,
                                       D3DTEXTURESTAGESTATETYPE type,
                                       DWORD value) = 0;
  virtual HRESULT GetTextureStageState(DWORD stage,
                                       D3DTEXTURESTAGESTATETYPE type,
                                       DWORD* value) = 0;
  virtual HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type,
                                  DWORD value) = 0;
  virtual HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type,
                                  DWORD* value) = 0;
  virtual HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) = 0;
  virtual HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) = 0;
  virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE state,
                               const D3DMATRIX* matrix) = 0;
  virtual HRESULT GetTransform(D3DTRANSFORMSTATETYPE state,
                               D3DMATRIX* matrix) = 0;
  virtual HRESULT SetLight(DWORD index, const D3DLIGHT9* light) = 0;
  virtual HRESULT GetLight(DWORD index, D3DLIGHT9* light) = 0;
  virtual HRESULT LightEnable(DWORD index, BOOL enable) = 0;
  virtual HRESULT GetLightEnable(DWORD index, BOOL* enable) = 0;
  virtual HRESULT SetMaterial(const D3DMATERIAL9* material) = 0;
  virtual HRESULT GetMaterial(D3DMATERIAL9* material) = 0;
  virtual HRESULT SetFVF(DWORD fvf) = 0;
  virtual HRESULT GetFVF(DWORD* fvf) = 0;
  virtual HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer,
                                  UINT offsetBytes, UINT stride) = 0;
  virtual HRESULT GetStreamSource(UINT stream, IDirect3DVertexBuffer9** buffer,
                                  UINT* offsetBytes, UINT* stride) = 0;
  virtual HRESULT SetIndices(IDirect3DIndexBuffer9* indices) = 0;
  virtual HRESULT GetIndices(IDirect3DIndexBuffer9** indices) = 0;

  // Drawing.
  virtual HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex,
                                UINT primitiveCount) = 0;
  virtual HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type,
                                       INT baseVertexIndex, UINT minIndex,
                                       UINT numVertices, UINT startIndex,
                                       UINT primitiveCount) = 0;
  virtual HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount,
                                  const void* vertexData, UINT stride) = 0;

  // Extension: the programmable path. While a program is set it replaces
  // the fixed-function vertex and pixel stages (lighting, texture-stage
  // operations, coordinate generation, specular add, alpha test, point
  // size); viewport, rasteriser (cull, fill), depth, blend, textures and
  // sampler states still apply. Null returns to fixed function. A state
  // block records and restores the program like a shader. Window thread
  // only; CreateShaderProgram returns D3DERR_INVALIDCALL with the GL log
  // and the numbered source in *errorLog when compiling or linking fails.
  virtual HRESULT CreateShaderProgram(const ShaderProgramDesc& desc,
                                      IDirect3DShaderProgram9** program,
                                      std::string* errorLog) = 0;
  virtual HRESULT SetShaderProgram(IDirect3DShaderProgram9* program) = 0;
  virtual HRESULT GetShaderProgram(IDirect3DShaderProgram9** program) = 0;

  // Extension: reads the back buffer (800 x 600) as 0xAARRGGBB words, top
  // row first. Must be called outside BeginScene/EndScene.
  virtual HRESULT ReadBackBuffer(std::vector<uint32_t>* pixels) = 0;
  // Extension: reads level 0 of a render-target or managed texture, top row
  // first, as 0xAARRGGBB words.
  virtual HRESULT ReadTexture(IDirect3DTexture9* texture,
                              std::vector<uint32_t>* pixels) = 0;
  // Extension: whether Present waits for the display (true in a live
  // window). Offline rendering and benchmarks turn it off.
  virtual HRESULT SetPresentSync(BOOL waitForDisplay) = 0;
  // Extension: whether Present copies the back buffer into the window
  // (TRUE at creation). Offline rendering, whose hidden window nobody
  // looks at, turns it off: Present then ends the frame without the copy
  // (a full-screen pass on a CPU renderer) and without swapping.
  virtual HRESULT SetPresentCopy(BOOL copyToWindow) = 0;
};

class IDirect3D9 : public IUnknown {
 public:
  // Creates the device on the window's current GL 3.3 core context. The
  // device never creates windows or contexts itself.
  virtual HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow,
                               DWORD behaviorFlags,
                               D3DPRESENT_PARAMETERS* params,
                               IDirect3DDevice9** device) = 0;
};

// Returns null when no usable OpenGL 3.3 core context is current.
IDirect3D9* Direct3DCreate9(UINT sdkVersion);

// Extension: how many devices and objects made by devices (textures,
// surfaces, buffers, state blocks, programs) are alive: 0 once everything
// has been released, for leak checks.
int LiveDeviceObjects();

// What a device needs from the window it presents into. The system layer's
// window implements it; tests and offline rendering pass a hidden window.
class PresentWindow {
 public:
  // The window's drawable size in pixels; the device scales the 800 x 600
  // back buffer into it, keeping 4:3 with black bars.
  virtual void GetDrawableSize(int* width, int* height) = 0;
  // Shows the default framebuffer.
  virtual void SwapWindow() = 0;
  // Asks for swaps tied to the display's retrace; returns whether the
  // driver accepted.
  virtual bool SetSwapInterval(int interval) = 0;
  // The display's refresh rate in Hz, 0 when unknown (pace at 60).
  virtual int GetRefreshRate() = 0;

 protected:
  ~PresentWindow() = default;
};
