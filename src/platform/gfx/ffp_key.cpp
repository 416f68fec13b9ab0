#include "platform/gfx/ffp_key.h"

#include <algorithm>

#include "platform/gfx/device_state.h"
#include "platform/gfx/gl_differences.h"
#include "platform/gfx/translate.h"

namespace gfx {

size_t FixedFunctionKeyHash::operator()(const FixedFunctionKey& key) const {
  uint64_t words[4];
  std::memcpy(words, &key, sizeof words);
  uint64_t h = 0xcbf29ce484222325ull;
  for (uint64_t w : words) {
    h ^= w;
    h *= 0x100000001b3ull;
    h ^= h >> 29;
  }
  return static_cast<size_t>(h);
}

namespace {

uint64_t ResolveSource(DWORD requested, bool colorVertexActive,
                       const FvfLayout& layout) {
  if (!colorVertexActive) return kSourceMaterial;
  if (requested == D3DMCS_COLOR1 && layout.diffuse >= 0)
    return kSourceVertexDiffuse;
  if (requested == D3DMCS_COLOR2 && layout.specular >= 0)
    return kSourceVertexSpecular;
  return kSourceMaterial;
}

void FillTexGen(const DWORD* stageStates, const FvfLayout& layout,
                uint64_t* gen, uint64_t* index, uint64_t* transform,
                uint64_t* projected) {
  DWORD tci = stageStates[D3DTSS_TEXCOORDINDEX];
  DWORD mode = tci >> 16;
  *gen = mode <= 4 ? mode : 0;
  DWORD set = tci & 0xFFFF;
  // A set the vertex does not have reads as zero (index 7 = none).
  *index = static_cast<int>(set) < layout.texCoordCount &&
                   set < static_cast<DWORD>(kTexCoordSetsRead)
               ? set
               : 7;
  DWORD flags = stageStates[D3DTSS_TEXTURETRANSFORMFLAGS];
  DWORD count = flags & 0xFF;
  // COUNT1 leaves the coordinates as they are, like DISABLE: a 2D texture
  // needs two of them.
  *transform = count >= 2 && count <= 4 ? count : 0;
  *projected = 0;
  if (!(flags & D3DTTFF_PROJECTED)) return;
  if (*transform != 0) {
    // The coordinates are divided by the last one the matrix produces.
    *projected = *transform;
  } else if (*gen == D3DTSS_TCI_SPHEREMAP >> 16) {
    *projected = 2;  // (u, v)
  } else if (*gen != 0) {
    *projected = 3;  // camera-space normal, position or reflection
  } else if (*index != 7) {
    // Untransformed coordinates are divided by their own last component;
    // a set is read as at most two floats.
    *projected =
        static_cast<uint64_t>(std::min(layout.texCoordSize[*index], 2));
  }
}

}  // namespace

FixedFunctionKey BuildFixedFunctionKey(const DeviceState& state,
                                       const FvfLayout& layout, bool points,
                                       const bool* stageHasTexture) {
  FixedFunctionKey key;
  const DWORD* rs = state.renderStates;
  VertexKey& v = key.vertex;
  v.pretransformed = layout.pretransformed;
  v.hasWeight = layout.weightCount > 0;
  v.hasNormal = layout.normal >= 0;
  v.hasPointSize = layout.pointSize >= 0;
  v.hasDiffuse = layout.diffuse >= 0;
  v.hasSpecular = layout.specular >= 0;
  v.texCoordCount = static_cast<uint64_t>(layout.texCoordCount);
  bool lighting = rs[D3DRS_LIGHTING] && !layout.pretransformed;
  v.lighting = lighting;
  if (lighting) {
    static_assert(kLitLightCount == 1);
    if (state.lightEnabled[0]) {
      DWORD type = state.lights[0].Type;
      v.lightType =
          (type >= D3DLIGHT_POINT && type <= D3DLIGHT_DIRECTIONAL) ? type : 0;
    }
    v.localViewer = rs[D3DRS_LOCALVIEWER] != 0;
    bool colorVertex = rs[D3DRS_COLORVERTEX] != 0;
    v.diffuseSource =
        ResolveSource(rs[D3DRS_DIFFUSEMATERIALSOURCE], colorVertex, layout);
    v.ambientSource =
        ResolveSource(rs[D3DRS_AMBIENTMATERIALSOURCE], colorVertex, layout);
    v.specularSource =
        ResolveSource(rs[D3DRS_SPECULARMATERIALSOURCE], colorVertex, layout);
    v.emissiveSource =
        ResolveSource(rs[D3DRS_EMISSIVEMATERIALSOURCE], colorVertex, layout);
  }
  if (!layout.pretransformed) {
    v.normalizeNormals = rs[D3DRS_NORMALIZENORMALS] != 0;
    // Blending needs weights in the vertex; without any the world matrix
    // alone applies. Weights the blend asks for beyond the vertex's read
    // as zero. D3DVBF_0WEIGHTS blends nothing (world matrix 0 with weight
    // 1); tweening has no second position in an FVF vertex.
    static_assert(kTweeningBlendsNothing && kIndexedBlendingIgnored);
    DWORD blend = rs[D3DRS_VERTEXBLEND];
    if (blend >= D3DVBF_1WEIGHTS && blend <= D3DVBF_3WEIGHTS &&
        layout.weightCount > 0)
      v.vertexBlend = blend;
  }
  v.points = points;
  v.pointScale =
      points && rs[D3DRS_POINTSCALEENABLE] != 0 && !layout.pretransformed;
  bool flat = rs[D3DRS_SHADEMODE] == D3DSHADE_FLAT;
  v.flatShading = flat;
  uint64_t gen, index, transform, projected;
  FillTexGen(state.stageStates[0], layout, &gen, &index, &transform,
             &projected);
  v.texGen0 = gen;
  v.texIndex0 = index;
  v.texTransform0 = transform;
  v.texProjected0 = projected;
  FillTexGen(state.stageStates[1], layout, &gen, &index, &transform,
             &projected);
  v.texGen1 = gen;
  v.texIndex1 = index;
  v.texTransform1 = transform;
  v.texProjected1 = projected;

  for (int stage = 0; stage < kFixedFunctionStages; ++stage) {
    const DWORD* ts = state.stageStates[stage];
    StageKey& s = key.stages[stage];
    s.colorOp = ts[D3DTSS_COLOROP] & 31;
    s.colorArg1 = ts[D3DTSS_COLORARG1] & 63;
    s.colorArg2 = ts[D3DTSS_COLORARG2] & 63;
    s.alphaOp = ts[D3DTSS_ALPHAOP] & 31;
    s.alphaArg1 = ts[D3DTSS_ALPHAARG1] & 63;
    s.alphaArg2 = ts[D3DTSS_ALPHAARG2] & 63;
    s.hasTexture = stageHasTexture[stage];
    if (s.colorOp == D3DTOP_DISABLE) {
      // The cascade ends here; later stages do not matter.
      for (int later = stage + 1; later < kFixedFunctionStages; ++later)
        key.stages[later].colorOp = D3DTOP_DISABLE;
      s = StageKey{};
      s.colorOp = D3DTOP_DISABLE;
      break;
    }
  }
  // D3DRS_FOGENABLE and D3DRS_CLIPPLANEENABLE do not reach the key.
  static_assert(kFogIgnored && kClipPlanesIgnored);
  PixelKey& p = key.pixel;
  p.specularEnable = rs[D3DRS_SPECULARENABLE] != 0;
  p.alphaFunc = rs[D3DRS_ALPHATESTENABLE] ? (rs[D3DRS_ALPHAFUNC] & 15) : 0;
  if (p.alphaFunc == D3DCMP_ALWAYS) p.alphaFunc = 0;
  p.pointSprite = points && rs[D3DRS_POINTSPRITEENABLE] != 0;
  p.flatShading = flat;
  return key;
}

}  // namespace gfx
