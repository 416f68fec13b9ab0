#include "headless_device.h"

#include <SDL.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>

namespace {

class SdlPresentWindow final : public PresentWindow {
 public:
  explicit SdlPresentWindow(SDL_Window* window) : window_(window) {}
  void GetDrawableSize(int* width, int* height) override {
    SDL_GL_GetDrawableSize(window_, width, height);
  }
  void SwapWindow() override { SDL_GL_SwapWindow(window_); }
  bool SetSwapInterval(int interval) override {
    return SDL_GL_SetSwapInterval(interval) == 0;
  }
  int GetRefreshRate() override { return 0; }

 private:
  SDL_Window* window_;
};

}  // namespace

struct HeadlessDevice::Impl {
  SDL_Window* window = nullptr;
  SDL_GLContext context = nullptr;
  SdlPresentWindow* presentWindow = nullptr;
};

HeadlessDevice::HeadlessDevice() : impl_(new Impl) {
  // Tests run without a display; the offscreen driver renders through EGL.
  if (!std::getenv("SDL_VIDEODRIVER"))
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    error_ = SDL_GetError();
    return;
  }
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  impl_->window = SDL_CreateWindow("test", 0, 0, 800, 600,
                                   SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (!impl_->window) {
    error_ = SDL_GetError();
    return;
  }
  impl_->context = SDL_GL_CreateContext(impl_->window);
  if (!impl_->context) {
    error_ = SDL_GetError();
    return;
  }
  impl_->presentWindow = new SdlPresentWindow(impl_->window);
  d3d_ = Direct3DCreate9(D3D_SDK_VERSION);
  if (!d3d_) {
    error_ = "Direct3DCreate9 failed";
    return;
  }
  D3DPRESENT_PARAMETERS params{};
  params.BackBufferWidth = 800;
  params.BackBufferHeight = 600;
  params.BackBufferFormat = D3DFMT_A8R8G8B8;
  params.BackBufferCount = 1;
  params.SwapEffect = D3DSWAPEFFECT_DISCARD;
  params.Windowed = TRUE;
  params.EnableAutoDepthStencil = TRUE;
  params.AutoDepthStencilFormat = D3DFMT_D16;
  HRESULT hr = d3d_->CreateDevice(
      D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, impl_->presentWindow,
      D3DCREATE_SOFTWARE_VERTEXPROCESSING, &params, &device_);
  if (FAILED(hr)) {
    char text[64];
    std::snprintf(text, sizeof text, "CreateDevice failed: %x",
                  static_cast<unsigned>(hr));
    error_ = text;
    device_ = nullptr;
    return;
  }
  device_->SetPresentSync(FALSE);
}

void HeadlessDevice::MakeCurrent() {
  if (impl_->window && impl_->context)
    SDL_GL_MakeCurrent(impl_->window, impl_->context);
}

HeadlessDevice::~HeadlessDevice() {
  MakeCurrent();
  if (device_) device_->Release();
  if (d3d_) d3d_->Release();
  delete impl_->presentWindow;
  if (impl_->context) SDL_GL_DeleteContext(impl_->context);
  if (impl_->window) SDL_DestroyWindow(impl_->window);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  delete impl_;
}

std::vector<uint32_t> HeadlessDevice::ReadBackBuffer() {
  std::vector<uint32_t> pixels;
  if (device_) device_->ReadBackBuffer(&pixels);
  return pixels;
}

bool WritePng(const std::string& path, const std::vector<uint32_t>& pixels,
              int width, int height) {
  if (pixels.size() != static_cast<size_t>(width) * height) return false;
  std::vector<uint8_t> rgba(pixels.size() * 4);
  for (size_t i = 0; i < pixels.size(); ++i) {
    uint32_t p = pixels[i];
    rgba[i * 4 + 0] = (p >> 16) & 0xFF;
    rgba[i * 4 + 1] = (p >> 8) & 0xFF;
    rgba[i * 4 + 2] = p & 0xFF;
    rgba[i * 4 + 3] = (p >> 24) & 0xFF;
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = width;
  image.height = height;
  image.format = PNG_FORMAT_RGBA;
  return png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), 0,
                                 nullptr) != 0;
}
