// State blocks: creation, recording, capture and apply.
#include <cstring>

#include "platform/gfx/device.h"
#include "platform/gfx/state_block.h"

namespace gfx {

namespace {

bool IsPixelRenderState(DWORD state) {
  switch (state) {
    case D3DRS_ZENABLE:
    case D3DRS_FILLMODE:
    case D3DRS_SHADEMODE:
    case D3DRS_ZWRITEENABLE:
    case D3DRS_ALPHATESTENABLE:
    case D3DRS_LASTPIXEL:
    case D3DRS_SRCBLEND:
    case D3DRS_DESTBLEND:
    case D3DRS_ZFUNC:
    case D3DRS_ALPHAREF:
    case D3DRS_ALPHAFUNC:
    case D3DRS_DITHERENABLE:
    case D3DRS_ALPHABLENDENABLE:
    case D3DRS_SPECULARENABLE:
    case D3DRS_STENCILENABLE:
    case D3DRS_TEXTUREFACTOR:
    case D3DRS_WRAP0:
    case D3DRS_COLORWRITEENABLE:
    case D3DRS_BLENDOP:
    case D3DRS_SCISSORTESTENABLE:
    case D3DRS_BLENDFACTOR:
    case D3DRS_SRGBWRITEENABLE:
    case D3DRS_SEPARATEALPHABLENDENABLE:
      return true;
    default:
      return false;
  }
}

// The items of the partial block types: pixel blocks carry the pixel
// pipeline's render states with every stage and sampler state; vertex
// blocks the rest of the render states with lights, vertex format and
// the vertex-related transforms.
StateMask MaskFor(D3DSTATEBLOCKTYPE type) {
  if (type == D3DSBT_ALL) return StateMask::All();
  StateMask mask;
  for (DWORD s = 1; s < kRenderStateCount; ++s)
    mask.renderStates[s] = IsPixelRenderState(s) == (type == D3DSBT_PIXELSTATE);
  if (type == D3DSBT_PIXELSTATE) {
    mask.stageStates.set();
    mask.samplerStates.set();
  } else {
    mask.lights.set();
    mask.lightEnabled.set();
    mask.fvf = true;
    // Texture-coordinate generation belongs to the vertex pipeline.
    for (DWORD stage = 0; stage < kMaxTextureStages; ++stage) {
      mask.stageStates.set(stage * kTextureStageStateCount +
                           D3DTSS_TEXCOORDINDEX);
      mask.stageStates.set(stage * kTextureStageStateCount +
                           D3DTSS_TEXTURETRANSFORMFLAGS);
    }
  }
  return mask;
}

}  // namespace

uint32_t Device::ChangedGroups(const DeviceState& from, const DeviceState& to) {
  uint32_t groups = 0;
  if (std::memcmp(from.renderStates, to.renderStates,
                  sizeof from.renderStates) != 0) {
    for (DWORD s = 0; s < kRenderStateCount; ++s)
      if (from.renderStates[s] != to.renderStates[s])
        groups |= RenderStateGroups(s);
  }
  if (std::memcmp(from.stageStates, to.stageStates, sizeof from.stageStates))
    groups |= kDirtyShaderKey;
  for (DWORD stage = 0; stage < kMaxTextureStages; ++stage) {
    if (std::memcmp(from.samplerStates[stage], to.samplerStates[stage],
                    sizeof from.samplerStates[stage]) != 0) {
      groups |= kDirtySamplers;
      dirtySamplerStages_ |= static_cast<uint8_t>(1u << stage);
    }
    if (from.textures[stage] != to.textures[stage])
      groups |= kDirtyTextures | kDirtyShaderKey;
  }
  if (std::memcmp(from.transforms, to.transforms, sizeof from.transforms) ||
      std::memcmp(&from.material, &to.material, sizeof from.material))
    groups |= kDirtyUniforms;
  if (std::memcmp(from.lights, to.lights, sizeof from.lights) ||
      std::memcmp(from.lightEnabled, to.lightEnabled, sizeof from.lightEnabled))
    groups |= kDirtyUniforms | kDirtyShaderKey;
  if (from.fvf != to.fvf || from.stream != to.stream ||
      from.streamOffset != to.streamOffset ||
      from.streamStride != to.streamStride)
    groups |= kDirtyVertexInput | kDirtyShaderKey;
  if (from.indices != to.indices) groups |= kDirtyIndices;
  if (std::memcmp(&from.viewport, &to.viewport, sizeof from.viewport))
    groups |= kDirtyViewport | kDirtyUniforms;
  if (from.program != to.program) groups |= kDirtyProgram | kDirtyShaderKey;
  return groups;
}

HRESULT Device::CreateStateBlock(D3DSTATEBLOCKTYPE type,
                                 IDirect3DStateBlock9** out) {
  if (!out || recording_) return D3DERR_INVALIDCALL;
  if (type != D3DSBT_ALL && type != D3DSBT_PIXELSTATE &&
      type != D3DSBT_VERTEXSTATE)
    return D3DERR_INVALIDCALL;
  auto* block = new StateBlock(this, MaskFor(type));
  CopyMaskedState(state_, block->mask(), &block->state());
  *out = block;
  return S_OK;
}

HRESULT Device::BeginStateBlock() {
  if (recording_) return D3DERR_INVALIDCALL;
  recording_ = new StateBlock(this, StateMask{});
  return S_OK;
}

HRESULT Device::EndStateBlock(IDirect3DStateBlock9** out) {
  if (!out || !recording_) return D3DERR_INVALIDCALL;
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
  if (mask.all) {
    // A whole-state apply usually restores what was there a moment ago
    // (save/restore around a draw): mark only what really changes.
    dirty_ |= ChangedGroups(state_, block->state());
  } else {
    for (DWORD s = 0; s < kRenderStateCount; ++s)
      if (mask.renderStates[s]) dirty_ |= RenderStateGroups(s);
    if (mask.stageStates.any()) dirty_ |= kDirtyShaderKey;
    for (DWORD stage = 0; stage < kMaxTextureStages; ++stage)
      for (DWORD t = 0; t < kSamplerStateCount; ++t)
        if (mask.samplerStates[stage * kSamplerStateCount + t]) {
          dirty_ |= kDirtySamplers;
          dirtySamplerStages_ |= static_cast<uint8_t>(1u << stage);
        }
    if (mask.transforms.any() || mask.material) dirty_ |= kDirtyUniforms;
    if (mask.lights.any() || mask.lightEnabled.any())
      dirty_ |= kDirtyUniforms | kDirtyShaderKey;
    if (mask.textures.any()) dirty_ |= kDirtyTextures | kDirtyShaderKey;
    if (mask.fvf || mask.stream) dirty_ |= kDirtyVertexInput | kDirtyShaderKey;
    if (mask.indices) dirty_ |= kDirtyIndices;
    if (mask.viewport) dirty_ |= kDirtyViewport | kDirtyUniforms;
    if (mask.program) dirty_ |= kDirtyProgram | kDirtyShaderKey;
  }
  CopyMaskedState(block->state(), mask, &state_);
  return S_OK;
}

}  // namespace gfx
