// The key of a generated fixed-function program: every piece of device
// state that changes the GLSL, packed into four 64-bit words. Two draws
// with equal keys share one compiled program; everything else (matrices,
// colours, sizes) travels as uniforms.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/gfx/d3d9_types.h"
#include "platform/gfx/gl_differences.h"

namespace gfx {

struct DeviceState;
struct FvfLayout;

// Texture stages the generated programs run (see gl_differences.h).
constexpr int kFixedFunctionStages = kTextureStagesRun;

// Material colour source after Direct3D's rules: a vertex colour the FVF
// lacks, or lighting/COLORVERTEX off, falls back to the material.
enum ColorSource : uint64_t {
  kSourceMaterial = 0,
  kSourceVertexDiffuse = 1,
  kSourceVertexSpecular = 2,
};

struct VertexKey {
  uint64_t pretransformed : 1;  // D3DFVF_XYZRHW
  uint64_t hasWeight : 1;       // D3DFVF_XYZB1..B5
  uint64_t hasNormal : 1;       // D3DFVF_NORMAL
  uint64_t hasPointSize : 1;    // D3DFVF_PSIZE
  uint64_t hasDiffuse : 1;      // D3DFVF_DIFFUSE
  uint64_t hasSpecular : 1;     // D3DFVF_SPECULAR
  uint64_t texCoordCount : 4;   // D3DFVF_TEXn
  uint64_t lighting : 1;        // D3DRS_LIGHTING, untransformed vertices
  uint64_t lightType : 2;       // light 0 if enabled: 0 none, else D3DLIGHTTYPE
  uint64_t localViewer : 1;     // D3DRS_LOCALVIEWER
  uint64_t normalizeNormals : 1;  // D3DRS_NORMALIZENORMALS
  uint64_t diffuseSource : 2;     // D3DRS_DIFFUSEMATERIALSOURCE, resolved
  uint64_t ambientSource : 2;     // D3DRS_AMBIENTMATERIALSOURCE, resolved
  uint64_t specularSource : 2;    // D3DRS_SPECULARMATERIALSOURCE, resolved
  uint64_t emissiveSource : 2;    // D3DRS_EMISSIVEMATERIALSOURCE, resolved
  uint64_t vertexBlend : 2;       // D3DRS_VERTEXBLEND 1..3WEIGHTS: weights
                                  // blended (0: world matrix 0 alone)
  uint64_t points : 1;            // drawing D3DPT_POINTLIST
  uint64_t pointScale : 1;        // D3DRS_POINTSCALEENABLE
  uint64_t flatShading : 1;       // D3DRS_SHADEMODE FLAT
  uint64_t texGen0 : 3;           // stage 0 D3DTSS_TEXCOORDINDEX >> 16
  uint64_t texIndex0 : 3;         // stage 0 coordinate set
  uint64_t texTransform0 : 3;     // stage 0 matrix: D3DTTFF_COUNT2..4, else 0
  uint64_t texProjected0 : 3;     // stage 0 D3DTTFF_PROJECTED: component the
                                  // coordinates are divided by, 1 = x ..
                                  // 4 = w (0: none)
  uint64_t texGen1 : 3;           // the same for stage 1
  uint64_t texIndex1 : 3;
  uint64_t texTransform1 : 3;
  uint64_t texProjected1 : 3;
};

struct StageKey {
  uint64_t colorOp : 5;     // D3DTSS_COLOROP
  uint64_t colorArg1 : 6;   // D3DTSS_COLORARG1 (with modifier bits)
  uint64_t colorArg2 : 6;   // D3DTSS_COLORARG2
  uint64_t alphaOp : 5;     // D3DTSS_ALPHAOP
  uint64_t alphaArg1 : 6;   // D3DTSS_ALPHAARG1
  uint64_t alphaArg2 : 6;   // D3DTSS_ALPHAARG2
  uint64_t hasTexture : 1;  // SetTexture gave this stage a texture
};

struct PixelKey {
  uint64_t specularEnable : 1;  // D3DRS_SPECULARENABLE
  uint64_t alphaFunc : 4;       // D3DRS_ALPHAFUNC when ALPHATESTENABLE, else 0
  uint64_t pointSprite : 1;     // D3DRS_POINTSPRITEENABLE on a point list
  uint64_t flatShading : 1;     // D3DRS_SHADEMODE FLAT
};

struct FixedFunctionKey {
  VertexKey vertex;
  StageKey stages[kFixedFunctionStages];
  PixelKey pixel;

  FixedFunctionKey() { std::memset(this, 0, sizeof *this); }
  bool operator==(const FixedFunctionKey& other) const {
    return std::memcmp(this, &other, sizeof *this) == 0;
  }
};
static_assert(sizeof(FixedFunctionKey) == 4 * sizeof(uint64_t));

struct FixedFunctionKeyHash {
  size_t operator()(const FixedFunctionKey& key) const;
};

// Builds the key for a draw. `stageHasTexture` says which stages have a
// texture bound.
FixedFunctionKey BuildFixedFunctionKey(const DeviceState& state,
                                       const FvfLayout& layout, bool points,
                                       const bool* stageHasTexture);

}  // namespace gfx
