#include "platform/gfx/device.h"

#include <cstdio>

#include "platform/gfx/gl_check.h"
#include "platform/gfx/gl_differences.h"
#include "platform/gfx/index_buffer.h"
#include "platform/gfx/shader_program.h"
#include "platform/gfx/state_block.h"
#include "platform/gfx/surface.h"
#include "platform/gfx/texture.h"
#include "platform/gfx/vertex_buffer.h"
#include "platform/system/fault_injection.h"

namespace gfx {

std::atomic<int> liveDeviceObjects{0};

void AddDeviceRef(Device* device) { device->AddRef(); }
void ReleaseDeviceRef(Device* device) { device->Release(); }
HRESULT ReturnDevice(Device* device, IDirect3DDevice9** out) {
  if (!out) return D3DERR_INVALIDCALL;
  device->AddRef();
  *out = device;
  return S_OK;
}

// The largest texture side accepted; GL 3.3 guarantees 1024, every desktop
// driver and llvmpipe give at least 8192.
constexpr UINT kMaxTextureSize = 8192;

Device* Device::Create(PresentWindow* window,
                       const D3DPRESENT_PARAMETERS& params) {
  UINT width = params.BackBufferWidth ? params.BackBufferWidth : 800;
  UINT height = params.BackBufferHeight ? params.BackBufferHeight : 600;
  auto* device = new Device(window, width, height);
  if (!device->InitGl()) {
    device->Release();
    return nullptr;
  }
  return device;
}

Device::Device(PresentWindow* window, UINT width, UINT height)
    : window_(window), width_(width), height_(height) {
  ++liveDeviceObjects;
  InitDefaultState(&state_, width, height);
  backBuffer_ = std::make_unique<Surface>(this, width, height);
  renderTarget_ = backBuffer_.get();
}

bool Device::InitGl() {
  cache_.Invalidate();
  GL_CHECK(glGenVertexArrays(1, &vertexArray_));
  cache_.BindVertexArray(vertexArray_);

  GL_CHECK(glGenTextures(1, &backColor_));
  cache_.SelectTexture(0, backColor_);
  GL_CHECK(glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0));
  GL_CHECK(glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width_, height_, 0, GL_BGRA,
                        GL_UNSIGNED_INT_8_8_8_8_REV, nullptr));
  GL_CHECK(glGenRenderbuffers(1, &backDepth_));
  GL_CHECK(glBindRenderbuffer(GL_RENDERBUFFER, backDepth_));
  GL_CHECK(glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, width_,
                                 height_));
  GL_CHECK(glGenFramebuffers(1, &backFramebuffer_));
  cache_.BindDrawFramebuffer(backFramebuffer_);
  GL_CHECK(glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0,
                                  GL_TEXTURE_2D, backColor_, 0));
  GL_CHECK(glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_DEPTH_ATTACHMENT,
                                     GL_RENDERBUFFER, backDepth_));
  if (glCheckFramebufferStatus(GL_DRAW_FRAMEBUFFER) !=
      GL_FRAMEBUFFER_COMPLETE) {
    std::fprintf(stderr, "back buffer framebuffer incomplete\n");
    return false;
  }
  backBuffer_->setFramebuffer(backFramebuffer_);

  GL_CHECK(glGenBuffers(1, &uniformBuffer_));
  GL_CHECK(glBindBuffer(GL_UNIFORM_BUFFER, uniformBuffer_));
  GL_CHECK(glBufferData(GL_UNIFORM_BUFFER, sizeof uniforms_, nullptr,
                        GL_DYNAMIC_DRAW));
  GL_CHECK(glGenSamplers(kMaxTextureStages, samplers_));
  for (DWORD i = 0; i < kMaxTextureStages; ++i) samplerCache_[i] = {};

  // For programs of the programmable path that draw GL points: sizes come
  // from the vertex program, and gl_PointCoord starts at the top of the
  // point as Direct3D has it (targets are stored top row first, so that is
  // GL's lower edge). Fixed-function points are squares made by a geometry
  // program. Flat shading takes the first vertex's colour, as in
  // Direct3D.
  GL_CHECK(glEnable(GL_PROGRAM_POINT_SIZE));
  GL_CHECK(glPointParameteri(GL_POINT_SPRITE_COORD_ORIGIN, GL_LOWER_LEFT));
  GL_CHECK(glProvokingVertex(GL_FIRST_VERTEX_CONVENTION));
  GL_CHECK(glPixelStorei(GL_PACK_ALIGNMENT, 4));
  GL_CHECK(glPixelStorei(GL_UNPACK_ALIGNMENT, 4));
  GLfloat range[2] = {1.0f, 64.0f};
  GL_CHECK(glGetFloatv(GL_POINT_SIZE_RANGE, range));
  maxGlPointSize_ = range[1];
  hasAnisotropy_ =
      epoxy_gl_version() >= 46 ||
      epoxy_has_gl_extension("GL_EXT_texture_filter_anisotropic") ||
      epoxy_has_gl_extension("GL_ARB_texture_filter_anisotropic");

  // A new back buffer is black with depth 1.
  cache_.ScissorTest(false);
  cache_.ColorMask(0xF);
  cache_.DepthMask(true);
  cache_.Viewport(0, 0, width_, height_);
  GL_CHECK(glClearColor(0.0f, 0.0f, 0.0f, 0.0f));
  GL_CHECK(glClearDepth(1.0));
  GL_CHECK(glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT));
  dirty_ = kDirtyAll;
  return true;
}

Device::~Device() { --liveDeviceObjects; }

void Device::Destroy() {
  ReleaseBindings(&state_);
  if (renderTarget_ && renderTarget_->texture())
    renderTarget_->texture()->ReleaseInternal();
  renderTarget_ = nullptr;
  programs_.Clear(&cache_);
  if (samplers_[0]) GL_CHECK(glDeleteSamplers(kMaxTextureStages, samplers_));
  if (uniformBuffer_) GL_CHECK(glDeleteBuffers(1, &uniformBuffer_));
  if (upBuffer_) GL_CHECK(glDeleteBuffers(1, &upBuffer_));
  if (backFramebuffer_) GL_CHECK(glDeleteFramebuffers(1, &backFramebuffer_));
  if (backDepth_) GL_CHECK(glDeleteRenderbuffers(1, &backDepth_));
  if (backColor_) GL_CHECK(glDeleteTextures(1, &backColor_));
  if (vertexArray_) GL_CHECK(glDeleteVertexArrays(1, &vertexArray_));
}

ULONG Device::AddRef() { return ++refs_; }

ULONG Device::Release() {
  ULONG left = --refs_;
  if (left == 0) {
    Destroy();
    delete this;
  }
  return left;
}

void Device::InvalidateGlState() {
  cache_.Invalidate();
  cache_.BindVertexArray(vertexArray_);
  dirty_ = kDirtyAll;
  dirtySamplerStages_ = 0xFF;
  for (DWORD i = 0; i < kMaxTextureStages; ++i) samplerCache_[i] = {};
  lastVertexBuffer_ = 0;
  keyValid_ = false;
  targetDirty_ = true;
}

HRESULT Device::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage,
                              D3DFORMAT format, D3DPOOL pool,
                              IDirect3DTexture9** out, void* sharedHandle) {
  if (!out || sharedHandle) return D3DERR_INVALIDCALL;
  *out = nullptr;
  if (width == 0 || height == 0 || width > kMaxTextureSize ||
      height > kMaxTextureSize)
    return D3DERR_INVALIDCALL;
  static_assert(kOnlyArgbTextures);
  if (format != D3DFMT_A8R8G8B8 && format != D3DFMT_X8R8G8B8)
    return D3DERR_INVALIDCALL;
  if (usage & ~(D3DUSAGE_RENDERTARGET | D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY))
    return D3DERR_INVALIDCALL;
  bool renderTarget = (usage & D3DUSAGE_RENDERTARGET) != 0;
  if (renderTarget) {
    // Render targets live in video memory.
    if (pool != D3DPOOL_DEFAULT ||
        levels > static_cast<UINT>(kRenderTargetLevels))
      return D3DERR_INVALIDCALL;
    levels = kRenderTargetLevels;
  }
  if (levels > FullMipChainLength(width, height)) return D3DERR_INVALIDCALL;
  if (InjectedFailure("CreateTexture")) return E_OUTOFMEMORY;
  auto* texture = new Texture(this, width, height, levels, usage, format, pool);
  if (renderTarget) {
    // Storage now, so the first SetRenderTarget finds it.
    texture->Prepare(&cache_, 0);
    dirty_ |= kDirtyTextures;
  }
  *out = texture;
  return S_OK;
}

HRESULT Device::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf,
                                   D3DPOOL pool, IDirect3DVertexBuffer9** out,
                                   void* sharedHandle) {
  if (!out || sharedHandle) return D3DERR_INVALIDCALL;
  *out = nullptr;
  if (length == 0) return D3DERR_INVALIDCALL;
  if (InjectedFailure("CreateVertexBuffer")) return E_OUTOFMEMORY;
  *out = new VertexBuffer(this, length, usage, fvf, pool);
  return S_OK;
}

HRESULT Device::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format,
                                  D3DPOOL pool, IDirect3DIndexBuffer9** out,
                                  void* sharedHandle) {
  if (!out || sharedHandle) return D3DERR_INVALIDCALL;
  *out = nullptr;
  if (length == 0) return D3DERR_INVALIDCALL;
  if (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32)
    return D3DERR_INVALIDCALL;
  if (InjectedFailure("CreateIndexBuffer")) return E_OUTOFMEMORY;
  *out = new IndexBuffer(this, length, usage, format, pool);
  return S_OK;
}

}  // namespace gfx

int LiveDeviceObjects() { return gfx::liveDeviceObjects.load(); }
