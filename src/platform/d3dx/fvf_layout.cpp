#include "platform/d3dx/fvf_layout.h"

#include "platform/d3dx/d3dx9mesh.h"

FvfLayout GetFvfLayout(DWORD fvf) {
  FvfLayout layout{};
  if (!gfx::DecodeFvf(fvf, &layout)) layout.stride = 0;
  return layout;
}

UINT D3DXGetFVFVertexSize(DWORD fvf) { return GetFvfLayout(fvf).stride; }
