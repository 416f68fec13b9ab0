#include "platform/gfx/device_state.h"

#include <cstring>

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
  mask.material = mask.viewport = mask.fvf = mask.stream = mask.indices =
      mask.program = mask.all = true;
  return mask;
}

bool StateMask::Any() const {
  return renderStates.any() || stageStates.any() || samplerStates.any() ||
         transforms.any() || lights.any() || lightEnabled.any() ||
         textures.any() || material || viewport || fvf || stream || indices ||
         program;
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
}

uint32_t RenderStateGroups(DWORD state) {
  switch (state) {
    case D3DRS_ALPHABLENDENABLE:
    case D3DRS_SRCBLEND:
    case D3DRS_DESTBLEND:
    case D3DRS_BLENDOP:
    case D3DRS_BLENDFACTOR:
      return kDirtyBlend;
    case D3DRS_ZENABLE:
    case D3DRS_ZFUNC:
    case D3DRS_ZWRITEENABLE:
      return kDirtyDepth;
    case D3DRS_CULLMODE:
    case D3DRS_FILLMODE:
    case D3DRS_COLORWRITEENABLE:
      return kDirtyRaster;
    case D3DRS_SHADEMODE:
      return kDirtyRaster | kDirtyShaderKey;
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

uint32_t StageStateGroups(DWORD type) {
  switch (type) {
    case D3DTSS_CONSTANT:
      return 0;
    default:
      return kDirtyShaderKey;
  }
}

}  // namespace gfx
