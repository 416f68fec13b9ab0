// D3DXCreateTextureFromFileInMemory / FromResourceA with the library's
// defaults: each side rounded up to a power of two with the image scaled to
// fill it, a full mip chain, A8R8G8B8 when the PNG has alpha and X8R8G8B8
// otherwise, managed pool.
#include <algorithm>
#include <cstring>

#include "platform/d3dx/d3dx9tex.h"
#include "platform/d3dx/image_decoder.h"
#include "platform/d3dx/image_resample.h"
#include "platform/d3dx/last_error.h"
#include "platform/system/embedded_resources.h"
#include "platform/system/fault_injection.h"

namespace {

// The largest texture side the device accepts.
constexpr int kMaxTextureSide = 8192;

HRESULT Upload(IDirect3DTexture9* texture, UINT level,
               const std::vector<uint32_t>& pixels, int w, int h) {
  D3DLOCKED_RECT locked;
  HRESULT hr = texture->LockRect(level, &locked, nullptr, 0);
  if (FAILED(hr)) return hr;
  for (int y = 0; y < h; ++y)
    std::memcpy(static_cast<uint8_t*>(locked.pBits) + size_t(y) * locked.Pitch,
                pixels.data() + size_t(y) * w, size_t(w) * 4);
  return texture->UnlockRect(level);
}

}  // namespace

HRESULT D3DXCreateTextureFromFileInMemory(IDirect3DDevice9* device,
                                          const void* data, UINT size,
                                          IDirect3DTexture9** texture) {
  if (!device || !data || size == 0 || !texture)
    return D3DXFail(D3DERR_INVALIDCALL, "no device, data or texture pointer");
  *texture = nullptr;
  DecodedImage image;
  std::string reason;
  HRESULT hr = DecodeImage(data, size, &image, &reason);
  if (FAILED(hr)) return D3DXFail(hr, reason);
  int w = std::min(NextPowerOfTwo(image.width), kMaxTextureSide);
  int h = std::min(NextPowerOfTwo(image.height), kMaxTextureSide);
  UINT levels = 1;
  while ((std::max(w, h) >> levels) > 0) ++levels;
  const D3DFORMAT format = image.hasAlpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
  IDirect3DTexture9* out = nullptr;
  hr = device->CreateTexture(w, h, levels, 0, format, D3DPOOL_MANAGED, &out,
                             nullptr);
  if (FAILED(hr)) return D3DXFail(hr, "device could not create the texture");
  try {
    std::vector<uint32_t> level =
        ResampleImage(image.pixels, image.width, image.height, w, h);
    image.pixels.clear();
    image.pixels.shrink_to_fit();
    for (UINT i = 0; i < levels; ++i) {
      hr = Upload(out, i, level, w, h);
      if (FAILED(hr)) break;
      if (i + 1 < levels) level = HalveImage(level, w, h, &w, &h);
    }
  } catch (const std::bad_alloc&) {
    hr = E_OUTOFMEMORY;
  }
  if (FAILED(hr)) {
    out->Release();
    return D3DXFail(hr, "texture upload failed");
  }
  *texture = out;
  return S_OK;
}

HRESULT D3DXCreateTextureFromResourceA(IDirect3DDevice9* device, HMODULE,
                                       LPCSTR resource,
                                       IDirect3DTexture9** texture) {
  if (texture) *texture = nullptr;
  if (!IS_INTRESOURCE(resource))
    return D3DXFail(D3DXERR_INVALIDDATA, "resources are looked up by number");
  if (InjectedFailure("D3DXCreateTextureFromResourceA"))
    return D3DXFail(E_OUTOFMEMORY, "injected failure");
  const int id = static_cast<int>(reinterpret_cast<uintptr_t>(resource));
  ResourceData data;
  if (!FindEmbeddedResource(ResourceType::RcData, id, &data))
    return D3DXFail(D3DXERR_INVALIDDATA,
                    "no image resource " + std::to_string(id));
  return D3DXCreateTextureFromFileInMemory(
      device, data.data, static_cast<UINT>(data.size), texture);
}
