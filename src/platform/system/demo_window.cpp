#include "platform/system/demo_window.h"

#include <SDL.h>
#include <png.h>

#include <vector>

#include "platform/system/embedded_resources.h"

namespace {

// The window icon, a PNG among the program's resources.
constexpr int kIconResource = 101;

}  // namespace

bool DemoWindow::Create() {
  if (window_) return true;
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    error_ = SDL_GetError();
    return false;
  }
  videoStarted_ = true;
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  window_ = SDL_CreateWindow(
      kTitle, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kWidth, kHeight,
      SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE |
          SDL_WINDOW_ALLOW_HIGHDPI);
  if (!window_) {
    error_ = SDL_GetError();
    return false;
  }
  SetIconFromResource();
  return true;
}

bool DemoWindow::CreateContext() {
  if (context_) return true;
  if (!window_) return false;
  context_ = SDL_GL_CreateContext(window_);
  if (!context_) {
    error_ = SDL_GetError();
    return false;
  }
  SDL_GL_MakeCurrent(window_, context_);
  return true;
}

void DemoWindow::Show(bool fullscreen) {
  if (!window_) return;
  if (fullscreen)
    SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
  SDL_ShowCursor(SDL_DISABLE);
  SDL_ShowWindow(window_);
  SDL_RaiseWindow(window_);
}

void DemoWindow::Destroy() {
  if (context_) {
    SDL_GL_MakeCurrent(window_, nullptr);
    SDL_GL_DeleteContext(context_);
    context_ = nullptr;
  }
  if (window_) {
    SDL_DestroyWindow(window_);
    window_ = nullptr;
  }
  if (videoStarted_) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    videoStarted_ = false;
  }
}

void DemoWindow::GetDrawableSize(int* width, int* height) {
  if (!window_) {
    *width = kWidth;
    *height = kHeight;
    return;
  }
  SDL_GL_GetDrawableSize(window_, width, height);
}

void DemoWindow::SwapWindow() {
  if (window_) SDL_GL_SwapWindow(window_);
}

bool DemoWindow::SetSwapInterval(int interval) {
  return SDL_GL_SetSwapInterval(interval) == 0;
}

int DemoWindow::GetRefreshRate() {
  if (!window_) return 0;
  SDL_DisplayMode mode{};
  int display = SDL_GetWindowDisplayIndex(window_);
  if (display < 0 || SDL_GetCurrentDisplayMode(display, &mode) != 0) return 0;
  return mode.refresh_rate;
}

void DemoWindow::SetIconFromResource() {
  ResourceData png;
  if (!FindEmbeddedResource(ResourceType::RcData, kIconResource, &png)) return;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, png.data, png.size)) return;
  image.format = PNG_FORMAT_RGBA;
  std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
    png_image_free(&image);
    return;
  }
  // RGBA bytes in memory order.
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
      pixels.data(), static_cast<int>(image.width),
      static_cast<int>(image.height), 32, static_cast<int>(image.width) * 4,
      SDL_PIXELFORMAT_RGBA32);
  if (!surface) return;
  SDL_SetWindowIcon(window_, surface);  // SDL copies the pixels
  SDL_FreeSurface(surface);
}
