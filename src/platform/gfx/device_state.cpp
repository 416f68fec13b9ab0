#include "platform/gfx/device_state.h"

#include <cstring>

#include "platform/gfx/ffp_key.h"
#include "platform/gfx/gl_differences.h"

namespace gfx {

int TransformSlot(D3DTRANSFORMSTATETYPE state) {
  DWORD s = state;
  if (s == D3DTS_VIEW) return kTransformSlotView;
  if (s == D3DTS_PROJECTION) return kTransformSlotProjection;
  if (s >= D3DTS_TEXTURE0 && s <= D3DTS_TEXTURE7)
    return kTransformSlotTexture0 + (s - D3DTS_TEXTURE0);
  if (s >= D3DTS_WORLD && s < D3DTS_WORLD + kWorldMatrixCount)
    return kTransformSlotWorld0 + (s - D3DTS_WORLD);
  return -1;
}

D3DMATRIX IdentityMatrix() {
  D3DMATRIX m{};
  m._11 = m._22 = m._33 = m._44 = 1.0f;
  return m;
}

D3DLIGHT9 DefaultLight() {
  D3DLIGHT9 light{};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
  light.Direction = {0.0f, 0.0f, 1.0f};
  return light;
}

StateMask StateMask::All() {
  StateMask mask;
  mask.renderStates.set();
  mask.stageStates.set();
  mask.samplerStates.set();
  mask.transforms.set();
  mask.lights.set();
  mask.lightEnabled.set();
  mask.textures.set();
  mask.material = mask.viewport = mask.scissorRect = mask.fvf = mask.stream =
      mask.indices = mask.program = mask.all = true;
  return mask;
}

bool StateMask::Any() const {
  return renderStates.any() || stageStates.any() || samplerStates.any() ||
         transforms.any() || lights.any() || lightEnabled.any() ||
         textures.any() || material || viewport || scissorRect || fvf ||
         stream || indices || program;
}

void InitDefaultState(DeviceState* state, DWORD backBufferWidth,
                      DWORD backBufferHeight) {
  std::memset(state, 0, sizeof *state);
  DWORD* rs = state->renderStates;
  // The automatic depth buffer is on, so depth testing starts enabled.
  rs[D3DRS_ZENABLE] = D3DZB_TRUE;
  rs[D3DRS_FILLMODE] = D3DFILL_SOLID;
  rs[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
  rs[D3DRS_ZWRITEENABLE] = TRUE;
  rs[D3DRS_LASTPIXEL] = TRUE;
  rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
  rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
  rs[D3DRS_CULLMODE] = D3DCULL_CCW;
  rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
  rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
  rs[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFFu;
  rs[D3DRS_CLIPPING] = TRUE;
  rs[D3DRS_LIGHTING] = TRUE;
  rs[D3DRS_COLORVERTEX] = TRUE;
  rs[D3DRS_LOCALVIEWER] = TRUE;
  rs[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
  rs[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
  rs[D3DRS_AMBIENTMATERIALSOURCE] = D3DMCS_MATERIAL;
  rs[D3DRS_EMISSIVEMATERIALSOURCE] = D3DMCS_MATERIAL;
  rs[D3DRS_POINTSIZE] = FloatToDword(1.0f);
  rs[D3DRS_POINTSIZE_MIN] = FloatToDword(1.0f);
  rs[D3DRS_POINTSCALE_A] = FloatToDword(1.0f);
  rs[D3DRS_MULTISAMPLEANTIALIAS] = TRUE;
  // The device reports a largest point of 64 pixels and starts the state
  // at that cap.
  rs[D3DRS_POINTSIZE_MAX] = FloatToDword(64.0f);
  rs[D3DRS_COLORWRITEENABLE] = 0xF;
  rs[D3DRS_BLENDOP] = D3DBLENDOP_ADD;
  rs[D3DRS_BLENDFACTOR] = 0xFFFFFFFFu;

  for (DWORD stage = 0; stage < kMaxTextureStages; ++stage) {
    DWORD* ts = state->stageStates[stage];
    ts[D3DTSS_COLOROP] = stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
    ts[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    ts[D3DTSS_COLORARG2] = D3DTA_CURRENT;
    ts[D3DTSS_ALPHAOP] = stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
    ts[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    ts[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
    ts[D3DTSS_TEXCOORDINDEX] = stage;
    ts[D3DTSS_TEXTURETRANSFORMFLAGS] = D3DTTFF_DISABLE;
    ts[D3DTSS_COLORARG0] = D3DTA_CURRENT;
    ts[D3DTSS_ALPHAARG0] = D3DTA_CURRENT;
    ts[D3DTSS_RESULTARG] = D3DTA_CURRENT;

    DWORD* ss = state->samplerStates[stage];
    ss[D3DSAMP_ADDRESSU] = D3DTADDRESS_WRAP;
    ss[D3DSAMP_ADDRESSV] = D3DTADDRESS_WRAP;
    ss[D3DSAMP_ADDRESSW] = D3DTADDRESS_WRAP;
    ss[D3DSAMP_MAGFILTER] = D3DTEXF_POINT;
    ss[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
    ss[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
    ss[D3DSAMP_MAXANISOTROPY] = 1;
  }
  for (D3DMATRIX& m : state->transforms) m = IdentityMatrix();
  state->viewport = {0, 0, backBufferWidth, backBufferHeight, 0.0f, 1.0f};
  state->scissorRect = {0, 0, static_cast<LONG>(backBufferWidth),
                        static_cast<LONG>(backBufferHeight)};
}

uint32_t RenderStateGroups(DWORD state) {
  switch (state) {
    // ApplyBlend.
    case D3DRS_ALPHABLENDENABLE:
    case D3DRS_SRCBLEND:
    case D3DRS_DESTBLEND:
    case D3DRS_BLENDOP:
    case D3DRS_BLENDFACTOR:
      return kDirtyBlend;
    // ApplyDepth.
    case D3DRS_ZENABLE:
    case D3DRS_ZFUNC:
    case D3DRS_ZWRITEENABLE:
      return kDirtyDepth;
    // ApplyRaster (the draw also reads fill and cull mode to choose the
    // wireframe edge list).
    case D3DRS_CULLMODE:
    case D3DRS_FILLMODE:
    case D3DRS_COLORWRITEENABLE:
    case D3DRS_SCISSORTESTENABLE:
      return kDirtyRaster;
    // BuildFixedFunctionKey.
    case D3DRS_SHADEMODE:
    case D3DRS_LIGHTING:
    case D3DRS_COLORVERTEX:
    case D3DRS_LOCALVIEWER:
    case D3DRS_NORMALIZENORMALS:
    case D3DRS_DIFFUSEMATERIALSOURCE:
    case D3DRS_SPECULARMATERIALSOURCE:
    case D3DRS_AMBIENTMATERIALSOURCE:
    case D3DRS_EMISSIVEMATERIALSOURCE:
    case D3DRS_VERTEXBLEND:
    case D3DRS_SPECULARENABLE:
    case D3DRS_ALPHATESTENABLE:
    case D3DRS_ALPHAFUNC:
    case D3DRS_POINTSPRITEENABLE:
    case D3DRS_POINTSCALEENABLE:
      return kDirtyShaderKey;
    // FillFixedFunctionUniforms.
    case D3DRS_AMBIENT:
    case D3DRS_ALPHAREF:
    case D3DRS_TEXTUREFACTOR:
    case D3DRS_POINTSIZE:
    case D3DRS_POINTSIZE_MIN:
    case D3DRS_POINTSIZE_MAX:
    case D3DRS_POINTSCALE_A:
    case D3DRS_POINTSCALE_B:
    case D3DRS_POINTSCALE_C:
      return kDirtyUniforms;
    default:
      return 0;
  }
}

uint32_t StageStateGroups(DWORD stage, DWORD type) {
  if (stage >= static_cast<DWORD>(kFixedFunctionStages)) return 0;
  switch (type) {
    // What BuildFixedFunctionKey reads of a stage.
    case D3DTSS_COLOROP:
    case D3DTSS_COLORARG1:
    case D3DTSS_COLORARG2:
    case D3DTSS_ALPHAOP:
    case D3DTSS_ALPHAARG1:
    case D3DTSS_ALPHAARG2:
    case D3DTSS_TEXCOORDINDEX:
    case D3DTSS_TEXTURETRANSFORMFLAGS:
      return kDirtyShaderKey;
    default:
      return 0;
  }
}

uint32_t TextureGroups(DWORD stage, const Texture* from, const Texture* to) {
  if (from == to) return 0;
  uint32_t groups = kDirtyTextures;
  // Having a texture or not changes the generated program.
  if (stage < static_cast<DWORD>(kFixedFunctionStages) &&
      (from == nullptr) != (to == nullptr))
    groups |= kDirtyShaderKey;
  return groups;
}

uint32_t TransformGroups(DWORD slot) {
  // Texture matrices of stages the programs do not run are not uploaded.
  if (slot >= kTransformSlotTexture0 + kFixedFunctionStages &&
      slot < kTransformSlotWorld0)
    return 0;
  return kDirtyUniforms;
}

uint32_t LightGroups(DWORD index, const D3DLIGHT9& from, const D3DLIGHT9& to) {
  if (index >= static_cast<DWORD>(kLitLightCount)) return 0;
  if (std::memcmp(&from, &to, sizeof from) == 0) return 0;
  // The light type picks the lighting code; the rest are uniforms.
  uint32_t groups = kDirtyUniforms;
  if (from.Type != to.Type) groups |= kDirtyShaderKey;
  return groups;
}

uint32_t LightEnableGroups(DWORD index) {
  if (index >= static_cast<DWORD>(kLitLightCount)) return 0;
  return kDirtyShaderKey;
}

namespace {

// Calls changed(i) for each index below `count` that the mask carries and
// whose values differ; a whole-state mask compares the arrays first, since
// a save/restore usually finds them equal.
template <size_t N, class T, class F>
void ForChanged(const std::bitset<N>& mask, bool all, const T* from,
                const T* to, size_t count, F changed) {
  if (all && std::memcmp(from, to, count * sizeof(T)) == 0) return;
  for (size_t i = 0; i < count; ++i)
    if ((all || mask[i]) && std::memcmp(&from[i], &to[i], sizeof(T)) != 0)
      changed(i);
}

}  // namespace

DirtyMarks ChangedGroups(const DeviceState& from, const DeviceState& to,
                         const StateMask& mask) {
  DirtyMarks marks;
  const bool all = mask.all;
  ForChanged(mask.renderStates, all, from.renderStates, to.renderStates,
             kRenderStateCount, [&](size_t s) {
               marks.groups |= RenderStateGroups(static_cast<DWORD>(s));
             });
  ForChanged(
      mask.stageStates, all, &from.stageStates[0][0], &to.stageStates[0][0],
      kMaxTextureStages * kTextureStageStateCount, [&](size_t i) {
        marks.groups |=
            StageStateGroups(static_cast<DWORD>(i / kTextureStageStateCount),
                             static_cast<DWORD>(i % kTextureStageStateCount));
      });
  ForChanged(mask.samplerStates, all, &from.samplerStates[0][0],
             &to.samplerStates[0][0], kMaxTextureStages * kSamplerStateCount,
             [&](size_t i) {
               marks.groups |= kSamplerStateGroups;
               marks.samplerStages |=
                   static_cast<uint8_t>(1u << (i / kSamplerStateCount));
             });
  ForChanged(mask.textures, all, from.textures, to.textures, kMaxTextureStages,
             [&](size_t stage) {
               marks.groups |=
                   TextureGroups(static_cast<DWORD>(stage),
                                 from.textures[stage], to.textures[stage]);
             });
  ForChanged(mask.transforms, all, from.transforms, to.transforms,
             kTransformSlotCount, [&](size_t slot) {
               marks.groups |= TransformGroups(static_cast<DWORD>(slot));
             });
  ForChanged(
      mask.lights, all, from.lights, to.lights, kMaxLights, [&](size_t i) {
        marks.groups |=
            LightGroups(static_cast<DWORD>(i), from.lights[i], to.lights[i]);
      });
  ForChanged(mask.lightEnabled, all, from.lightEnabled, to.lightEnabled,
             kMaxLights, [&](size_t i) {
               marks.groups |= LightEnableGroups(static_cast<DWORD>(i));
             });
  if (mask.material &&
      std::memcmp(&from.material, &to.material, sizeof from.material) != 0)
    marks.groups |= kMaterialGroups;
  if (mask.viewport &&
      std::memcmp(&from.viewport, &to.viewport, sizeof from.viewport) != 0)
    marks.groups |= kViewportGroups;
  if (mask.scissorRect && std::memcmp(&from.scissorRect, &to.scissorRect,
                                      sizeof from.scissorRect) != 0)
    marks.groups |= kScissorRectGroups;
  if (mask.fvf && from.fvf != to.fvf) marks.groups |= kFvfGroups;
  if (mask.stream &&
      (from.stream != to.stream || from.streamOffset != to.streamOffset ||
       from.streamStride != to.streamStride))
    marks.groups |= kStreamGroups;
  if (mask.indices && from.indices != to.indices)
    marks.groups |= kIndicesGroups;
  if (mask.program && from.program != to.program)
    marks.groups |= kProgramGroups;
  return marks;
}

}  // namespace gfx
