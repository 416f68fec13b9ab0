// Presents frames into a real window and prints the frame rate with and
// without waiting for the display. Under Xvfb the swap returns at once, so
// the device's own pacing must hold the rate near the refresh rate
// (60 Hz when the display reports none) instead of burning a core.
//   xvfb-run -s "-screen 0 1024x768x24" ./present_bench
#include <SDL.h>

#include <chrono>
#include <cstdio>

#include "platform/gfx/d3d9.h"

namespace {

class SdlWindow final : public PresentWindow {
 public:
  explicit SdlWindow(SDL_Window* window) : window_(window) {}
  void GetDrawableSize(int* width, int* height) override {
    SDL_GL_GetDrawableSize(window_, width, height);
  }
  void SwapWindow() override { SDL_GL_SwapWindow(window_); }
  bool SetSwapInterval(int interval) override {
    return SDL_GL_SetSwapInterval(interval) == 0;
  }
  int GetRefreshRate() override {
    SDL_DisplayMode mode;
    if (SDL_GetCurrentDisplayMode(0, &mode) != 0) return 0;
    return mode.refresh_rate;
  }

 private:
  SDL_Window* window_;
};

double MeasureFps(IDirect3DDevice9* device, int frames) {
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < frames; ++i) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000 | (i * 4u), 1.0f, 0);
    device->Present(nullptr, nullptr, nullptr, nullptr);
  }
  std::chrono::duration<double> seconds =
      std::chrono::steady_clock::now() - start;
  return frames / seconds.count();
}

}  // namespace

int main() {
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "SDL: %s\n", SDL_GetError());
    return 1;
  }
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_Window* sdlWindow =
      SDL_CreateWindow("present", SDL_WINDOWPOS_CENTERED,
                       SDL_WINDOWPOS_CENTERED, 800, 600, SDL_WINDOW_OPENGL);
  SDL_GLContext context = sdlWindow ? SDL_GL_CreateContext(sdlWindow) : nullptr;
  if (!context) {
    std::fprintf(stderr, "SDL: %s\n", SDL_GetError());
    return 1;
  }
  SdlWindow window(sdlWindow);
  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  D3DPRESENT_PARAMETERS params{};
  params.BackBufferWidth = 800;
  params.BackBufferHeight = 600;
  params.BackBufferFormat = D3DFMT_A8R8G8B8;
  params.EnableAutoDepthStencil = TRUE;
  params.AutoDepthStencilFormat = D3DFMT_D16;
  params.Windowed = TRUE;
  IDirect3DDevice9* device = nullptr;
  if (!d3d || FAILED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL,
                                       &window, 0, &params, &device))) {
    std::fprintf(stderr, "no device\n");
    return 1;
  }
  std::printf("video driver %s, refresh %d Hz reported\n",
              SDL_GetCurrentVideoDriver(), window.GetRefreshRate());
  std::printf("synced:   %.1f frames/s\n", MeasureFps(device, 180));
  device->SetPresentSync(FALSE);
  std::printf("unsynced: %.1f frames/s\n", MeasureFps(device, 180));
  device->Release();
  d3d->Release();
  SDL_GL_DeleteContext(context);
  SDL_DestroyWindow(sdlWindow);
  SDL_Quit();
  return 0;
}
