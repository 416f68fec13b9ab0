// GLSL 330 source of the fixed-function programs, generated from a key.
//
// Vertex inputs sit at fixed locations (kAttrib*); the vertex program
// computes Direct3D clip space and then applies the position fix-up that
// makes GL rasterise as Direct3D does (half-pixel offset, z in [0, w],
// targets stored top row first). Uniforms come in the std140 block
// "FixedFunction" (see FixedFunctionUniforms), bound at
// kFixedFunctionBlockBinding; stage k samples from the sampler uniform
// "stageTexture<k>" on texture unit k. Point lists add a geometry program
// that turns each point into a square (GL would drop a whole point whose
// centre leaves the screen; Direct3D draws its visible part).
#pragma once

#include <string>

#include "platform/gfx/ffp_key.h"

namespace gfx {

// The generated vertex programs declare their inputs at these locations
// and the draw points the attribute arrays at the same ones.
enum VertexAttribute : int {
  kAttribPosition = 0,
  kAttribWeights = 1,
  kAttribNormal = 2,
  kAttribPointSize = 3,
  kAttribDiffuse = 4,
  kAttribSpecular = 5,
  kAttribTexCoord0 = 6,
  kAttribTexCoord1 = 7,
  kAttribCount = 8,
};

constexpr unsigned kFixedFunctionBlockBinding = 0;

// Shared GLSL: the uniform block declaration and the fix-up function
// "FixupPosition(vec4 d3dClip, vec4 viewport)".
const char* FixedFunctionBlockSource();
const char* PositionFixupSource();

std::string GenerateVertexSource(const FixedFunctionKey& key);
std::string GenerateFragmentSource(const FixedFunctionKey& key);
// Point lists only (empty otherwise): expands each point into a
// screen-aligned square of its Direct3D size.
std::string GenerateGeometrySource(const FixedFunctionKey& key);

}  // namespace gfx
