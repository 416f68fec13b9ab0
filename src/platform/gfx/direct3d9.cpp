// Direct3DCreate9 and the object that creates devices.
#include <dlfcn.h>

#include "platform/gfx/device.h"
#include "platform/system/fault_injection.h"

namespace gfx {
namespace {

// Whether some GL context is current on this thread, asked of whichever
// window-system library (EGL or GLX) the process already loaded. Calling
// GL without a context would abort inside the dispatch library.
bool HaveCurrentContext() {
  using GetCurrent = void* (*)();
  const char* libraries[][2] = {{"libEGL.so.1", "eglGetCurrentContext"},
                                {"libGLX.so.0", "glXGetCurrentContext"},
                                {"libGL.so.1", "glXGetCurrentContext"}};
  for (const auto& entry : libraries) {
    void* library = dlopen(entry[0], RTLD_LAZY | RTLD_NOLOAD);
    if (!library) continue;
    auto current = reinterpret_cast<GetCurrent>(dlsym(library, entry[1]));
    bool found = current && current() != nullptr;
    dlclose(library);
    if (found) return true;
  }
  return false;
}

// OpenGL 3.3 as epoxy reports it (major * 10 + minor).
constexpr int kRequiredGlVersion = 33;

class Direct3D9 : public IDirect3D9 {
 public:
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

  HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow,
                       DWORD /*behaviorFlags*/, D3DPRESENT_PARAMETERS* params,
                       IDirect3DDevice9** out) override {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (!params || !focusWindow || adapter != D3DADAPTER_DEFAULT ||
        type != D3DDEVTYPE_HAL)
      return D3DERR_INVALIDCALL;
    if ((params->BackBufferFormat != D3DFMT_A8R8G8B8 &&
         params->BackBufferFormat != D3DFMT_X8R8G8B8 &&
         params->BackBufferFormat != D3DFMT_UNKNOWN) ||
        params->MultiSampleType != D3DMULTISAMPLE_NONE)
      return D3DERR_NOTAVAILABLE;
    if (params->EnableAutoDepthStencil &&
        params->AutoDepthStencilFormat != D3DFMT_D16)
      return D3DERR_NOTAVAILABLE;
    if (!HaveCurrentContext() || epoxy_gl_version() < kRequiredGlVersion)
      return D3DERR_NOTAVAILABLE;
    if (InjectedFailure("CreateDevice")) return D3DERR_NOTAVAILABLE;
    Device* device = Device::Create(focusWindow, *params);
    if (!device) return D3DERR_NOTAVAILABLE;
    params->BackBufferWidth =
        params->BackBufferWidth ? params->BackBufferWidth : 800;
    params->BackBufferHeight =
        params->BackBufferHeight ? params->BackBufferHeight : 600;
    device->SetPresentSync(params->PresentationInterval !=
                           D3DPRESENT_INTERVAL_IMMEDIATE);
    *out = device;
    return S_OK;
  }

 private:
  ~Direct3D9() override = default;
  ULONG refs_ = 1;
};

}  // namespace
}  // namespace gfx

IDirect3D9* Direct3DCreate9(UINT sdkVersion) {
  if (sdkVersion != D3D_SDK_VERSION) return nullptr;
  if (!gfx::HaveCurrentContext()) return nullptr;
  if (!epoxy_is_desktop_gl() || epoxy_gl_version() < gfx::kRequiredGlVersion)
    return nullptr;
  if (InjectedFailure("Direct3DCreate9")) return nullptr;
  return new gfx::Direct3D9();
}
