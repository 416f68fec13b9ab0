// State blocks: creation, recording, capture and apply.
#include "platform/gfx/device.h"
#include "platform/gfx/state_block.h"
#include "platform/system/fault_injection.h"

namespace gfx {

namespace {

// The partial block types carry what Direct3D's documentation lists as
// pixel state and vertex state; they overlap (the fog distances, the local
// viewer and the material sources are in both) where the documentation's
// lists do.
constexpr DWORD kPixelRenderStates[] = {
    D3DRS_ZENABLE,
    D3DRS_SPECULARENABLE,
    D3DRS_FILLMODE,
    D3DRS_SHADEMODE,
    D3DRS_ZWRITEENABLE,
    D3DRS_ALPHATESTENABLE,
    D3DRS_LASTPIXEL,
    D3DRS_SRCBLEND,
    D3DRS_DESTBLEND,
    D3DRS_ZFUNC,
    D3DRS_ALPHAREF,
    D3DRS_ALPHAFUNC,
    D3DRS_DITHERENABLE,
    D3DRS_FOGSTART,
    D3DRS_FOGEND,
    D3DRS_FOGDENSITY,
    D3DRS_ALPHABLENDENABLE,
    D3DRS_DEPTHBIAS,
    D3DRS_STENCILENABLE,
    D3DRS_STENCILFAIL,
    D3DRS_STENCILZFAIL,
    D3DRS_STENCILPASS,
    D3DRS_STENCILFUNC,
    D3DRS_STENCILREF,
    D3DRS_STENCILMASK,
    D3DRS_STENCILWRITEMASK,
    D3DRS_TEXTUREFACTOR,
    D3DRS_LOCALVIEWER,
    D3DRS_EMISSIVEMATERIALSOURCE,
    D3DRS_AMBIENTMATERIALSOURCE,
    D3DRS_DIFFUSEMATERIALSOURCE,
    D3DRS_SPECULARMATERIALSOURCE,
    D3DRS_COLORWRITEENABLE,
    D3DRS_BLENDOP,
    D3DRS_SCISSORTESTENABLE,
    D3DRS_SLOPESCALEDEPTHBIAS,
    D3DRS_ANTIALIASEDLINEENABLE,
    D3DRS_TWOSIDEDSTENCILMODE,
    D3DRS_CCW_STENCILFAIL,
    D3DRS_CCW_STENCILZFAIL,
    D3DRS_CCW_STENCILPASS,
    D3DRS_CCW_STENCILFUNC,
    D3DRS_COLORWRITEENABLE1,
    D3DRS_COLORWRITEENABLE2,
    D3DRS_COLORWRITEENABLE3,
    D3DRS_BLENDFACTOR,
    D3DRS_SRGBWRITEENABLE,
    D3DRS_SEPARATEALPHABLENDENABLE,
    D3DRS_SRCBLENDALPHA,
    D3DRS_DESTBLENDALPHA,
    D3DRS_BLENDOPALPHA,
};

constexpr DWORD kVertexRenderStates[] = {
    D3DRS_CULLMODE,
    D3DRS_FOGCOLOR,
    D3DRS_FOGTABLEMODE,
    D3DRS_FOGSTART,
    D3DRS_FOGEND,
    D3DRS_FOGDENSITY,
    D3DRS_RANGEFOGENABLE,
    D3DRS_AMBIENT,
    D3DRS_COLORVERTEX,
    D3DRS_FOGVERTEXMODE,
    D3DRS_CLIPPING,
    D3DRS_LIGHTING,
    D3DRS_LOCALVIEWER,
    D3DRS_EMISSIVEMATERIALSOURCE,
    D3DRS_AMBIENTMATERIALSOURCE,
    D3DRS_DIFFUSEMATERIALSOURCE,
    D3DRS_SPECULARMATERIALSOURCE,
    D3DRS_VERTEXBLEND,
    D3DRS_CLIPPLANEENABLE,
    D3DRS_POINTSIZE,
    D3DRS_POINTSIZE_MIN,
    D3DRS_POINTSPRITEENABLE,
    D3DRS_POINTSCALEENABLE,
    D3DRS_POINTSCALE_A,
    D3DRS_POINTSCALE_B,
    D3DRS_POINTSCALE_C,
    D3DRS_MULTISAMPLEANTIALIAS,
    D3DRS_MULTISAMPLEMASK,
    D3DRS_PATCHEDGESTYLE,
    D3DRS_POINTSIZE_MAX,
    D3DRS_INDEXEDVERTEXBLENDENABLE,
    D3DRS_TWEENFACTOR,
    D3DRS_POSITIONDEGREE,
    D3DRS_NORMALDEGREE,
    D3DRS_MINTESSELLATIONLEVEL,
    D3DRS_MAXTESSELLATIONLEVEL,
    D3DRS_ADAPTIVETESS_X,
    D3DRS_ADAPTIVETESS_Y,
    D3DRS_ADAPTIVETESS_Z,
    D3DRS_ADAPTIVETESS_W,
    D3DRS_ENABLEADAPTIVETESSELLATION,
};

// Texture stage states of the pixel list: everything but D3DTSS_CONSTANT
// (COLOROP .. TEXCOORDINDEX, the bump-map luminance pair, the transform
// flags, the third arguments and the result). The vertex list has only
// the coordinate index and the transform flags.
constexpr DWORD kBumpEnvLScale = 22;
constexpr DWORD kBumpEnvLOffset = 23;
bool IsPixelStageState(DWORD type) {
  return (type >= D3DTSS_COLOROP && type <= D3DTSS_TEXCOORDINDEX) ||
         type == kBumpEnvLScale || type == kBumpEnvLOffset ||
         type == D3DTSS_TEXTURETRANSFORMFLAGS || type == D3DTSS_COLORARG0 ||
         type == D3DTSS_ALPHAARG0 || type == D3DTSS_RESULTARG;
}
bool IsVertexStageState(DWORD type) {
  return type == D3DTSS_TEXCOORDINDEX || type == D3DTSS_TEXTURETRANSFORMFLAGS;
}
// Sampler states: the pixel list is ADDRESSU .. ELEMENTINDEX; the vertex
// list is the displacement-map offset alone.
constexpr DWORD kSamplerElementIndex = 12;
constexpr DWORD kSamplerDisplacementOffset = 13;

// Pixel blocks carry no textures, transforms, material, viewport or
// streams (only D3DSBT_ALL does); vertex blocks add the lights and the
// vertex format. A program of the programmable path holds both of
// Direct3D's shaders in one object, which partial blocks leave alone.
StateMask MaskFor(D3DSTATEBLOCKTYPE type) {
  if (type == D3DSBT_ALL) return StateMask::All();
  StateMask mask;
  bool pixel = type == D3DSBT_PIXELSTATE;
  if (pixel) {
    for (DWORD s : kPixelRenderStates) mask.renderStates.set(s);
  } else {
    for (DWORD s : kVertexRenderStates) mask.renderStates.set(s);
    mask.lights.set();
    mask.lightEnabled.set();
    mask.fvf = true;
  }
  for (DWORD stage = 0; stage < kMaxTextureStages; ++stage) {
    for (DWORD t = 1; t < kTextureStageStateCount; ++t)
      if (pixel ? IsPixelStageState(t) : IsVertexStageState(t))
        mask.stageStates.set(stage * kTextureStageStateCount + t);
    for (DWORD t = 1; t < kSamplerStateCount; ++t)
      if (pixel ? t <= kSamplerElementIndex : t == kSamplerDisplacementOffset)
        mask.samplerStates.set(stage * kSamplerStateCount + t);
  }
  return mask;
}

}  // namespace

HRESULT Device::CreateStateBlock(D3DSTATEBLOCKTYPE type,
                                 IDirect3DStateBlock9** out) {
  if (!out || recording_) return D3DERR_INVALIDCALL;
  if (type != D3DSBT_ALL && type != D3DSBT_PIXELSTATE &&
      type != D3DSBT_VERTEXSTATE)
    return D3DERR_INVALIDCALL;
  if (InjectedFailure("CreateStateBlock")) return E_OUTOFMEMORY;
  auto* block = new StateBlock(this, MaskFor(type));
  CopyMaskedState(state_, block->mask(), &block->state());
  *out = block;
  return S_OK;
}

HRESULT Device::BeginStateBlock() {
  if (recording_) return D3DERR_INVALIDCALL;
  if (InjectedFailure("BeginStateBlock")) return E_OUTOFMEMORY;
  recording_ = new StateBlock(this, StateMask{});
  return S_OK;
}

HRESULT Device::EndStateBlock(IDirect3DStateBlock9** out) {
  if (!out || !recording_) return D3DERR_INVALIDCALL;
  if (InjectedFailure("EndStateBlock")) {
    // The recording is over either way; what it held is dropped.
    recording_->Release();
    recording_ = nullptr;
    *out = nullptr;
    return E_OUTOFMEMORY;
  }
  *out = recording_;
  recording_ = nullptr;
  return S_OK;
}

HRESULT Device::CaptureStateBlock(StateBlock* block) {
  if (!block || block->device() != this || recording_)
    return D3DERR_INVALIDCALL;
  CopyMaskedState(state_, block->mask(), &block->state());
  return S_OK;
}

HRESULT Device::ApplyStateBlock(StateBlock* block) {
  if (!block || block->device() != this || block == recording_)
    return D3DERR_INVALIDCALL;
  const StateMask& mask = block->mask();
  if (recording_) {
    // Applying while recording records the applied items.
    CopyMaskedState(block->state(), mask, &recording_->state());
    StateMask& into = recording_->mask();
    into.renderStates |= mask.renderStates;
    into.stageStates |= mask.stageStates;
    into.samplerStates |= mask.samplerStates;
    into.transforms |= mask.transforms;
    into.lights |= mask.lights;
    into.lightEnabled |= mask.lightEnabled;
    into.textures |= mask.textures;
    into.material |= mask.material;
    into.viewport |= mask.viewport;
    into.fvf |= mask.fvf;
    into.stream |= mask.stream;
    into.indices |= mask.indices;
    into.program |= mask.program;
    return S_OK;
  }
  // Only what really changes is marked: a whole-state apply usually
  // restores what was there a moment ago (save/restore around a draw).
  DirtyMarks marks = ChangedGroups(state_, block->state(), mask);
  dirty_ |= marks.groups;
  dirtySamplerStages_ |= marks.samplerStages;
  CopyMaskedState(block->state(), mask, &state_);
  return S_OK;
}

}  // namespace gfx
