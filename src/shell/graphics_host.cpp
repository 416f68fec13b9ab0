#include "shell/graphics_host.h"

#include "platform/system/demo_window.h"

bool WindowGraphics::CreateContext() {
  return window_->window() && window_->CreateContext();
}

IDirect3D9* WindowGraphics::CreateDirect3D() {
  return Direct3DCreate9(D3D_SDK_VERSION);
}

PresentWindow* WindowGraphics::Window() { return window_; }
