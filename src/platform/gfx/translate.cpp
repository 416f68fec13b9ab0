#include "platform/gfx/translate.h"

#include "platform/gfx/gl_differences.h"

namespace gfx {

GLenum BlendFactorToGl(DWORD blend) {
  switch (blend) {
    case D3DBLEND_ZERO:
      return GL_ZERO;
    case D3DBLEND_ONE:
      return GL_ONE;
    case D3DBLEND_SRCCOLOR:
      return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR:
      return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA:
      return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA:
      return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA:
      return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA:
      return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR:
      return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR:
      return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT:
      return GL_SRC_ALPHA_SATURATE;
    case D3DBLEND_BLENDFACTOR:
      return GL_CONSTANT_COLOR;
    case D3DBLEND_INVBLENDFACTOR:
      return GL_ONE_MINUS_CONSTANT_COLOR;
    default:
      return 0;
  }
}

GLenum BlendOpToGl(DWORD op) {
  switch (op) {
    case D3DBLENDOP_ADD:
      return GL_FUNC_ADD;
    case D3DBLENDOP_SUBTRACT:
      return GL_FUNC_SUBTRACT;
    case D3DBLENDOP_REVSUBTRACT:
      return GL_FUNC_REVERSE_SUBTRACT;
    case D3DBLENDOP_MIN:
      return GL_MIN;
    case D3DBLENDOP_MAX:
      return GL_MAX;
    default:
      return 0;
  }
}

GLenum CompareFuncToGl(DWORD func) {
  switch (func) {
    case D3DCMP_NEVER:
      return GL_NEVER;
    case D3DCMP_LESS:
      return GL_LESS;
    case D3DCMP_EQUAL:
      return GL_EQUAL;
    case D3DCMP_LESSEQUAL:
      return GL_LEQUAL;
    case D3DCMP_GREATER:
      return GL_GREATER;
    case D3DCMP_NOTEQUAL:
      return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL:
      return GL_GEQUAL;
    case D3DCMP_ALWAYS:
      return GL_ALWAYS;
    default:
      return 0;
  }
}

GLenum FillModeToGl(DWORD fill) {
  switch (fill) {
    case D3DFILL_POINT:
      return GL_POINT;
    case D3DFILL_WIREFRAME:
      return GL_LINE;
    case D3DFILL_SOLID:
      return GL_FILL;
    default:
      return 0;
  }
}

GLenum AddressModeToGl(DWORD address) {
  switch (address) {
    case D3DTADDRESS_WRAP:
      return GL_REPEAT;
    case D3DTADDRESS_MIRROR:
      return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP:
      return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER:
      return GL_CLAMP_TO_BORDER;
    // GL 3.3 core has no mirror-once; mirroring is the nearest.
    case D3DTADDRESS_MIRRORONCE:
      return GL_MIRRORED_REPEAT;
    default:
      return 0;
  }
}

GLenum MagFilterToGl(DWORD filter) {
  switch (filter) {
    case D3DTEXF_NONE:
    case D3DTEXF_POINT:
      return GL_NEAREST;
    case D3DTEXF_LINEAR:
    case D3DTEXF_ANISOTROPIC:
      return GL_LINEAR;
    default:
      return 0;
  }
}

GLenum MinFilterToGl(DWORD minFilter, DWORD mipFilter) {
  bool linear;
  switch (minFilter) {
    case D3DTEXF_NONE:
    case D3DTEXF_POINT:
      linear = false;
      break;
    case D3DTEXF_LINEAR:
    case D3DTEXF_ANISOTROPIC:
      linear = true;
      break;
    default:
      return 0;
  }
  switch (mipFilter) {
    case D3DTEXF_NONE:
      return linear ? GL_LINEAR : GL_NEAREST;
    case D3DTEXF_POINT:
      return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    case D3DTEXF_LINEAR:
    case D3DTEXF_ANISOTROPIC:
      return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    default:
      return 0;
  }
}

bool CullModeToGl(DWORD cull, CullSetting* out) {
  switch (cull) {
    case D3DCULL_NONE:
      *out = {false, GL_CCW};
      return true;
    // Cull what is counter-clockwise on screen = clockwise to GL, so GL's
    // front faces are its counter-clockwise ones.
    case D3DCULL_CCW:
      *out = {true, GL_CCW};
      return true;
    case D3DCULL_CW:
      *out = {true, GL_CW};
      return true;
    default:
      return false;
  }
}

bool PrimitiveToGl(DWORD type, UINT count, PrimitiveSetting* out) {
  switch (type) {
    case D3DPT_POINTLIST:
      *out = {GL_POINTS, count};
      return true;
    case D3DPT_LINELIST:
      *out = {GL_LINES, count * 2};
      return true;
    case D3DPT_LINESTRIP:
      *out = {GL_LINE_STRIP, count + 1};
      return true;
    case D3DPT_TRIANGLELIST:
      *out = {GL_TRIANGLES, count * 3};
      return true;
    case D3DPT_TRIANGLESTRIP:
      *out = {GL_TRIANGLE_STRIP, count + 2};
      return true;
    case D3DPT_TRIANGLEFAN:
      *out = {GL_TRIANGLE_FAN, count + 2};
      return true;
    default:
      return false;
  }
}

void ColorToFloats(D3DCOLOR color, float out[4]) {
  out[0] = static_cast<float>((color >> 16) & 0xFF) / 255.0f;
  out[1] = static_cast<float>((color >> 8) & 0xFF) / 255.0f;
  out[2] = static_cast<float>(color & 0xFF) / 255.0f;
  out[3] = static_cast<float>(color >> 24) / 255.0f;
}

bool DecodeFvf(DWORD fvf, FvfLayout* out) {
  FvfLayout layout{};
  layout.position = layout.weights = layout.normal = layout.pointSize = -1;
  layout.diffuse = layout.specular = -1;
  for (int i = 0; i < 8; ++i) {
    layout.texCoord[i] = -1;
    layout.texCoordSize[i] = 0;
  }
  // Bits the decoder knows: position, normal, psize, colours, texture count
  // and the per-set coordinate sizes in the top 16 bits.
  constexpr DWORD kKnownBits = 0xFFFF0000u | D3DFVF_TEXCOUNT_MASK |
                               D3DFVF_POSITION_MASK | D3DFVF_NORMAL |
                               D3DFVF_PSIZE | D3DFVF_DIFFUSE | D3DFVF_SPECULAR;
  if (fvf & ~kKnownBits) return false;
  UINT offset = 0;
  DWORD position = fvf & D3DFVF_POSITION_MASK;
  switch (position) {
    case D3DFVF_XYZ:
      layout.positionSize = 3;
      break;
    case D3DFVF_XYZRHW:
      layout.positionSize = 4;
      layout.pretransformed = true;
      break;
    case D3DFVF_XYZB1:
    case D3DFVF_XYZB2:
    case 0x00A:  // XYZB3
    case 0x00C:  // XYZB4
    case 0x00E:  // XYZB5
      layout.positionSize = 3;
      // XYZB1 (6) carries one weight, each step of 2 one more.
      layout.weightCount = static_cast<int>((position - D3DFVF_XYZRHW) / 2);
      break;
    default:
      return false;
  }
  layout.position = 0;
  offset = layout.positionSize * 4;
  if (layout.weightCount > 0) {
    layout.weights = static_cast<int>(offset);
    offset += layout.weightCount * 4;
  }
  if (fvf & D3DFVF_NORMAL) {
    layout.normal = static_cast<int>(offset);
    offset += 12;
  }
  if (fvf & D3DFVF_PSIZE) {
    layout.pointSize = static_cast<int>(offset);
    offset += 4;
  }
  if (fvf & D3DFVF_DIFFUSE) {
    layout.diffuse = static_cast<int>(offset);
    offset += 4;
  }
  if (fvf & D3DFVF_SPECULAR) {
    layout.specular = static_cast<int>(offset);
    offset += 4;
  }
  DWORD texCount = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
  if (texCount > 8) return false;
  layout.texCoordCount = static_cast<int>(texCount);
  for (DWORD i = 0; i < texCount; ++i) {
    // Two bits per set: 0 = 2 floats, 1 = 3, 2 = 4, 3 = 1.
    static constexpr int kSizes[4] = {2, 3, 4, 1};
    int size = kSizes[(fvf >> (16 + i * 2)) & 3];
    layout.texCoord[i] = static_cast<int>(offset);
    layout.texCoordSize[i] = size;
    offset += size * 4;
  }
  layout.stride = offset;
  *out = layout;
  return true;
}

}  // namespace gfx
