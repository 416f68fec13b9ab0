// Where the device comes from: a GL 3.3 core context on the demo window,
// then the Direct3D object on that context. Tests substitute failures.
#pragma once

#include "platform/gfx/d3d9.h"

class DemoWindow;

class GraphicsHost {
 public:
  virtual ~GraphicsHost() = default;
  // Makes a GL 3.3 core context current; false on a machine without one.
  virtual bool CreateContext() = 0;
  // Direct3DCreate9 on the current context; null when it is not usable.
  virtual IDirect3D9* CreateDirect3D() = 0;
  // The window the device presents into.
  virtual PresentWindow* Window() = 0;
};

class WindowGraphics : public GraphicsHost {
 public:
  explicit WindowGraphics(DemoWindow* window) : window_(window) {}
  bool CreateContext() override;
  IDirect3D9* CreateDirect3D() override;
  PresentWindow* Window() override;

 private:
  DemoWindow* window_;
};
