#include "platform/d3dx/d3dx_buffer.h"

#include <cstring>
#include <new>

HRESULT D3DXCreateBuffer(DWORD size, ID3DXBuffer** buffer) {
  if (!buffer) return D3DERR_INVALIDCALL;
  *buffer = new (std::nothrow) D3DXBuffer(size);
  return *buffer ? S_OK : E_OUTOFMEMORY;
}

ID3DXBuffer* MakeD3DXBuffer(const void* data, size_t size) {
  auto* buffer = new (std::nothrow) D3DXBuffer(size);
  if (buffer && size) std::memcpy(buffer->GetBufferPointer(), data, size);
  return buffer;
}
