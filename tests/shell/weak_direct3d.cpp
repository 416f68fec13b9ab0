// The shell tests reach Direct3D only through FakeGraphics. This fallback
// lets them link while the device library is built without its entry point;
// the device's own definition, when linked, takes precedence.
#include "platform/gfx/d3d9.h"

__attribute__((weak)) IDirect3D9* Direct3DCreate9(UINT) { return nullptr; }
