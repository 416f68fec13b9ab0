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
  float worldView[2][16];
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
// with the view matrix current now (lights are kept in world space).
void FillFixedFunctionUniforms(const DeviceState& state, float maxPointSizeOfGl,
                               FixedFunctionUniforms* out);

// Row-vector products and the normal matrix, single precision.
D3DMATRIX MultiplyMatrix(const D3DMATRIX& a, const D3DMATRIX& b);
// Inverse transpose of the upper 3 x 3 (identity when singular).
D3DMATRIX NormalMatrix(const D3DMATRIX& m);

}  // namespace gfx
