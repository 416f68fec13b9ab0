#include "platform/d3dx/fvf_layout.h"

#include "platform/d3dx/d3dx9mesh.h"

FvfLayout GetFvfLayout(DWORD fvf) {
  FvfLayout l;
  int offset = 0;
  switch (fvf & D3DFVF_POSITION_MASK) {
    case D3DFVF_XYZ:
      l.positionFloats = 3;
      break;
    case D3DFVF_XYZRHW:
      l.positionFloats = 4;
      break;
    case 0x006:  // XYZB1 .. XYZB5: position then 1..5 weights
    case 0x008:
    case 0x00A:
    case 0x00C:
    case 0x00E:
      l.positionFloats = 3;
      l.weightCount = static_cast<int>(((fvf & D3DFVF_POSITION_MASK) - 4) / 2);
      break;
    default:
      return l;  // no position: not a mesh format
  }
  l.position = offset;
  offset += 4 * l.positionFloats;
  if (l.weightCount) {
    l.weights = offset;
    offset += 4 * l.weightCount;
  }
  if (fvf & D3DFVF_NORMAL) l.normal = offset, offset += 12;
  if (fvf & D3DFVF_PSIZE) l.psize = offset, offset += 4;
  if (fvf & D3DFVF_DIFFUSE) l.diffuse = offset, offset += 4;
  if (fvf & D3DFVF_SPECULAR) l.specular = offset, offset += 4;
  l.texcoordSets =
      static_cast<int>((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT);
  if (l.texcoordSets > 8) return FvfLayout();
  if (l.texcoordSets) l.texcoord = offset;
  offset += 8 * l.texcoordSets;
  l.size = static_cast<UINT>(offset);
  return l;
}

UINT D3DXGetFVFVertexSize(DWORD fvf) { return GetFvfLayout(fvf).size; }
