// Texture loading of the extension library (PNG and JPEG).
#pragma once

#include "platform/d3dx/d3dx9core.h"

// Width and height rounded up to powers of two with the image scaled to
// fill the texture, a full mip chain, A8R8G8B8 for PNG (alpha kept) and
// X8R8G8B8 for JPEG, managed pool.
HRESULT D3DXCreateTextureFromResourceA(IDirect3DDevice9* device, HMODULE module,
                                       LPCSTR resource,
                                       IDirect3DTexture9** texture);
HRESULT D3DXCreateTextureFromFileInMemory(IDirect3DDevice9* device,
                                          const void* data, UINT size,
                                          IDirect3DTexture9** texture);
