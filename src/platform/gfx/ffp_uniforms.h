// The CPU image of the "FixedFunction" uniform block (std140: every member
// is a vec4 or mat4, so plain float arrays match it exactly).
#pragma once

#include "platform/gfx/d3d9_types.h"

namespace gfx {

struct DeviceState;

// The largest point the device draws, in pixels; POINTSIZE_MAX is capped
// to it as Direct3D caps it to the device's MaxPointSize.
constexpr float kMaxPointSize = 64.0f;

struct FixedFunctionUniforms {
  float worldView[4][16];
  float normalMatrix[16];
  float projection[16];
  float textureMatrix[2][16];
  float materialDiffuse[4];
  float materialAmbient[4];
  float materialSpecular[4];
  float materialEmissive[4];
  float lightDiffuse[4];
  float lightSpecular[4];
  float lightAmbient[4];
  float lightPosition[4];
  float lightDirection[4];
  float lightAttenuation[4];
  float globalAmbient[4];
  float pointSize[4];
  float pointScale[4];
  float viewport[4];
  float textureFactor[4];
  float alphaReference[4];
};

// Fills the block from the state. The light is moved into camera space
// with the view matrix current now (lights are kept in world space). Only
// the first `worldMatrices` world-view matrices are computed (1 + the
// weights blended); the others keep what they held.
void FillFixedFunctionUniforms(const DeviceState& state, float maxPointSizeOfGl,
                               DWORD worldMatrices, FixedFunctionUniforms* out);

// Row-vector products and the normal matrix, single precision.
D3DMATRIX MultiplyMatrix(const D3DMATRIX& a, const D3DMATRIX& b);
// The matrix normals go through: the upper 3 x 3 of the inverse transpose
// of the whole 4 x 4 world-view matrix, as Direct3D has it (so a
// projective matrix can shorten or zero a normal). Where the 4 x 4 has no
// inverse, the inverse transpose of the upper 3 x 3 (what an affine matrix
// gives); identity where that is singular too. The rest of the result is
// zero, with 1 at _44.
D3DMATRIX NormalMatrix(const D3DMATRIX& m);

}  // namespace gfx
