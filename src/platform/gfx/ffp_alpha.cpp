#include "platform/gfx/ffp_alpha.h"

#include "platform/gfx/device_state.h"

namespace gfx {

namespace {

// The texture-stage operations whose alpha the generated program computes
// (ffp_shader_source.cpp) and that give one from arguments of one.
bool OpKeepsOne(uint64_t op) {
  return op == D3DTOP_SELECTARG1 || op == D3DTOP_SELECTARG2 ||
         op == D3DTOP_MODULATE || op == D3DTOP_MODULATE2X ||
         op == D3DTOP_MODULATE4X;
}

bool ReadsTexture(uint64_t arg) {
  return (arg & D3DTA_SELECTMASK) == D3DTA_TEXTURE;
}

}  // namespace

bool FixedFunctionAlphaIsOne(const FixedFunctionKey& key,
                             const DeviceState& state,
                             const AlphaFacts& facts) {
  const VertexKey& v = key.vertex;
  // The interpolated diffuse alpha: the material's or the vertex's with
  // lighting, the vertex's or one without.
  bool diffuseOne;
  if (v.lighting) {
    if (v.diffuseSource == kSourceMaterial) {
      diffuseOne = state.material.Diffuse.a == 1.0f;
    } else {
      diffuseOne =
          v.diffuseSource == kSourceVertexDiffuse && facts.vertexDiffuseOpaque;
    }
  } else {
    diffuseOne = !v.hasDiffuse || facts.vertexDiffuseOpaque;
  }

  bool current = diffuseOne;  // the cascade starts from the diffuse colour
  for (int stage = 0; stage < kFixedFunctionStages; ++stage) {
    const StageKey& s = key.stages[stage];
    if (s.colorOp == D3DTOP_DISABLE) break;
    const uint64_t op = s.alphaOp;
    if (op == D3DTOP_DISABLE) continue;  // alpha passes on
    // A stage that reads a texture it does not have passes the current
    // colour on (kUntexturedStagePassesCurrent).
    const bool readsTexture =
        (op != D3DTOP_SELECTARG2 && ReadsTexture(s.alphaArg1)) ||
        (op != D3DTOP_SELECTARG1 && ReadsTexture(s.alphaArg2));
    if (readsTexture && !s.hasTexture) continue;
    if (!OpKeepsOne(op)) return false;
    auto argOne = [&](uint64_t arg) {
      // The complement of one is zero; replicating alpha changes nothing
      // for the alpha channel.
      if (arg & D3DTA_COMPLEMENT) return false;
      switch (arg & D3DTA_SELECTMASK) {
        case D3DTA_DIFFUSE:
          return diffuseOne;
        case D3DTA_CURRENT:
          return current;
        case D3DTA_TEXTURE:
          return facts.textureOpaque[stage];
        case D3DTA_TFACTOR:
          return (state.renderStates[D3DRS_TEXTUREFACTOR] >> 24) == 0xFF;
        default:  // specular alpha, TEMP, CONSTANT: not followed
          return false;
      }
    };
    const bool one1 = op == D3DTOP_SELECTARG2 || argOne(s.alphaArg1);
    const bool one2 = op == D3DTOP_SELECTARG1 || argOne(s.alphaArg2);
    current = one1 && one2;
  }
  return current;
}

bool AlphaTestPassesOpaque(DWORD func, DWORD reference) {
  // The program compares against the reference's low byte.
  const DWORD ref = reference & 0xFF;
  switch (func) {
    case D3DCMP_LESS:
      return 255 < ref;
    case D3DCMP_EQUAL:
      return ref == 255;
    case D3DCMP_LESSEQUAL:
      return 255 <= ref;
    case D3DCMP_GREATER:
      return 255 > ref;
    case D3DCMP_NOTEQUAL:
      return ref != 255;
    case D3DCMP_GREATEREQUAL:
    case D3DCMP_ALWAYS:
      return true;
    default:  // NEVER, and values Direct3D does not define
      return false;
  }
}

bool BlendCopiesOpaqueSource(DWORD srcBlend, DWORD destBlend, DWORD op) {
  if (op != D3DBLENDOP_ADD) return false;
  if (srcBlend == D3DBLEND_BOTHSRCALPHA) return true;
  return (srcBlend == D3DBLEND_SRCALPHA || srcBlend == D3DBLEND_ONE) &&
         (destBlend == D3DBLEND_INVSRCALPHA || destBlend == D3DBLEND_ZERO);
}

}  // namespace gfx
