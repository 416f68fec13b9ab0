// Pure Direct3D 9 -> OpenGL translations. Each returns 0 (never a valid GL
// enum here) for a value Direct3D does not define, so callers can reject
// it.
#pragma once

#include <epoxy/gl.h>

#include "platform/gfx/d3d9_types.h"

namespace gfx {

GLenum BlendFactorToGl(DWORD blend);
GLenum BlendOpToGl(DWORD op);
GLenum CompareFuncToGl(DWORD func);
GLenum FillModeToGl(DWORD fill);
GLenum AddressModeToGl(DWORD address);
GLenum MagFilterToGl(DWORD filter);
GLenum MinFilterToGl(DWORD minFilter, DWORD mipFilter);

// Culling as seen on screen. Every target is stored with Direct3D's top row
// first (GL y grows downwards on screen), which mirrors GL's idea of
// winding: a triangle Direct3D sees counter-clockwise GL sees clockwise.
struct CullSetting {
  bool enabled;
  GLenum frontFace;  // GL_CW or GL_CCW; GL culls the back faces
};
bool CullModeToGl(DWORD cull, CullSetting* out);

// A primitive type and count as a GL mode and vertex/index count.
struct PrimitiveSetting {
  GLenum mode;
  UINT vertexCount;
};
bool PrimitiveToGl(DWORD type, UINT primitiveCount, PrimitiveSetting* out);

// D3DCOLOR 0xAARRGGBB as floats (r, g, b, a) in [0, 1].
void ColorToFloats(D3DCOLOR color, float out[4]);

// Where each element of an FVF vertex lies. Offsets are -1 when absent.
struct FvfLayout {
  UINT stride;
  int position;      // 3 floats, or 4 with XYZRHW
  int positionSize;  // 3 or 4
  int weights;       // blend weights (floats) after the position
  int weightCount;
  int normal;
  int pointSize;
  int diffuse;
  int specular;
  int texCoord[8];
  int texCoordSize[8];
  int texCoordCount;
  bool pretransformed;
};
// False for formats the device cannot draw (no position, unknown bits).
bool DecodeFvf(DWORD fvf, FvfLayout* out);

}  // namespace gfx
