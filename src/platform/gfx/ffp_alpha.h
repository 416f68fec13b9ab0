// What a generated fixed-function program's alpha output is known to be.
//
// Most of the show's draws keep D3DRS_ALPHABLENDENABLE on with SRCALPHA /
// INVSRCALPHA while they draw opaque things: JPEG textures (X8R8G8B8,
// alpha one) selected as the alpha, lit by a material whose diffuse alpha
// is one. Blending an alpha of exactly one gives src * 1 + dst * 0, the
// source itself, and an alpha test that alpha 255 passes drops nothing; so
// such draws go to GL unblended and without the test, and a CPU
// rasteriser neither reads the target nor keeps a discard in the shader.
// The pixels are the same.
#pragma once

#include "platform/gfx/d3d9_types.h"
#include "platform/gfx/ffp_key.h"

namespace gfx {

struct DeviceState;

// What the draw knows beyond the key.
struct AlphaFacts {
  // The stage's texture has alpha 255 in every texel of every level.
  bool textureOpaque[kFixedFunctionStages] = {};
  // Every vertex of the draw carries a diffuse colour with alpha 255 (only
  // known for DrawPrimitiveUP, whose vertices the call hands over).
  bool vertexDiffuseOpaque = false;
};

// Whether the program generated for `key` writes alpha exactly 1.0 at
// every pixel, as far as the key, the state's colours (material, texture
// factor) and the facts show. False when unsure.
bool FixedFunctionAlphaIsOne(const FixedFunctionKey& key,
                             const DeviceState& state, const AlphaFacts& facts);

// Whether the alpha test (D3DCMP_* function, D3DRS_ALPHAREF) passes an
// 8-bit alpha of 255.
bool AlphaTestPassesOpaque(DWORD func, DWORD reference);

// Whether blending with these factors and operation writes the source
// colour unchanged when the source alpha is one.
bool BlendCopiesOpaqueSource(DWORD srcBlend, DWORD destBlend, DWORD op);

}  // namespace gfx
