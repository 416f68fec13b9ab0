// The show's one window: an SDL window with an OpenGL 3.3 core context,
// created hidden, shown once start-up has succeeded. It is the
// PresentWindow the device presents into.
#pragma once

#include <string>

#include "platform/gfx/d3d9.h"

struct SDL_Window;

class DemoWindow : public PresentWindow {
 public:
  static constexpr const char* kTitle = "Q U O R B E L";
  // The client area the show is designed for; the picture keeps its 4:3
  // shape in any other size.
  static constexpr int kWidth = 800;
  static constexpr int kHeight = 600;

  DemoWindow() = default;
  ~DemoWindow() { Destroy(); }
  DemoWindow(const DemoWindow&) = delete;
  DemoWindow& operator=(const DemoWindow&) = delete;

  // Initialises SDL's video and creates the hidden, resizable window (with
  // the icon of resource 101 when the program carries one). False when
  // there is no display; error() says why.
  bool Create();
  // Creates the GL 3.3 core context on the window and makes it current.
  // False on a machine without one.
  bool CreateContext();
  // Shows the window, windowed or full screen at the desktop's resolution
  // (no display-mode switch). The pointer is hidden over it either way.
  void Show(bool fullscreen);
  // Releases context and window, and SDL's video.
  void Destroy();

  SDL_Window* window() const { return window_; }
  bool hasContext() const { return context_ != nullptr; }
  const std::string& error() const { return error_; }

  // PresentWindow.
  void GetDrawableSize(int* width, int* height) override;
  void SwapWindow() override;
  bool SetSwapInterval(int interval) override;
  int GetRefreshRate() override;

 private:
  void SetIconFromResource();

  SDL_Window* window_ = nullptr;
  void* context_ = nullptr;  // SDL_GLContext
  bool videoStarted_ = false;
  std::string error_;
};
