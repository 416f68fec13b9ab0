// Set and Get calls: they only read and write the CPU state vector (or,
// while a state block is being recorded, the block), and mark the dirty
// groups the next draw must translate.
#include <cstring>

#include "platform/gfx/device.h"
#include "platform/gfx/gl_differences.h"
#include "platform/gfx/index_buffer.h"
#include "platform/gfx/shader_program.h"
#include "platform/gfx/state_block.h"
#include "platform/gfx/texture.h"
#include "platform/gfx/vertex_buffer.h"

namespace gfx {

namespace {
bool ValidRenderState(DWORD state) {
  return state > 0 && state < kRenderStateCount;
}
bool ValidStageState(DWORD stage, DWORD type) {
  return stage < kMaxTextureStages && type > 0 &&
         type < kTextureStageStateCount;
}
bool ValidSamplerState(DWORD sampler, DWORD type) {
  return sampler < kMaxTextureStages && type > 0 && type < kSamplerStateCount;
}
}  // namespace

HRESULT Device::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
  if (!ValidRenderState(state)) return D3DERR_INVALIDCALL;
  if (recording_) {
    recording_->state().renderStates[state] = value;
    recording_->mask().renderStates.set(state);
    return S_OK;
  }
  if (state_.renderStates[state] == value) return S_OK;
  state_.renderStates[state] = value;
  dirty_ |= RenderStateGroups(state);
  return S_OK;
}

HRESULT Device::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
  if (!value || !ValidRenderState(state)) return D3DERR_INVALIDCALL;
  *value = state_.renderStates[state];
  return S_OK;
}

HRESULT Device::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                     DWORD value) {
  if (!ValidStageState(stage, type)) return D3DERR_INVALIDCALL;
  if (recording_) {
    recording_->state().stageStates[stage][type] = value;
    recording_->mask().stageStates.set(stage * kTextureStageStateCount + type);
    return S_OK;
  }
  if (state_.stageStates[stage][type] == value) return S_OK;
  state_.stageStates[stage][type] = value;
  dirty_ |= StageStateGroups(stage, type);
  return S_OK;
}

HRESULT Device::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                     DWORD* value) {
  if (!value || !ValidStageState(stage, type)) return D3DERR_INVALIDCALL;
  *value = state_.stageStates[stage][type];
  return S_OK;
}

HRESULT Device::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type,
                                DWORD value) {
  if (!ValidSamplerState(sampler, type)) return D3DERR_INVALIDCALL;
  if (recording_) {
    recording_->state().samplerStates[sampler][type] = value;
    recording_->mask().samplerStates.set(sampler * kSamplerStateCount + type);
    return S_OK;
  }
  if (state_.samplerStates[sampler][type] == value) return S_OK;
  state_.samplerStates[sampler][type] = value;
  dirty_ |= kSamplerStateGroups;
  dirtySamplerStages_ |= static_cast<uint8_t>(1u << sampler);
  return S_OK;
}

HRESULT Device::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type,
                                DWORD* value) {
  if (!value || !ValidSamplerState(sampler, type)) return D3DERR_INVALIDCALL;
  *value = state_.samplerStates[sampler][type];
  return S_OK;
}

HRESULT Device::SetTexture(DWORD stage, IDirect3DBaseTexture9* base) {
  if (stage >= kMaxTextureStages) return D3DERR_INVALIDCALL;
  // Every texture of this device is a Texture; one from another device is
  // refused.
  auto* texture = static_cast<Texture*>(base);
  if (texture && texture->device() != this) return D3DERR_INVALIDCALL;
  if (recording_) {
    Rebind<Texture>(recording_->state().textures[stage], texture);
    recording_->mask().textures.set(stage);
    return S_OK;
  }
  Texture*& slot = state_.textures[stage];
  dirty_ |= TextureGroups(stage, slot, texture);
  Rebind<Texture>(slot, texture);
  return S_OK;
}

HRESULT Device::GetTexture(DWORD stage, IDirect3DBaseTexture9** out) {
  if (!out || stage >= kMaxTextureStages) return D3DERR_INVALIDCALL;
  Texture* texture = state_.textures[stage];
  if (texture) texture->AddRef();
  *out = texture;
  return S_OK;
}

HRESULT Device::SetTransform(D3DTRANSFORMSTATETYPE type,
                             const D3DMATRIX* matrix) {
  int slot = TransformSlot(type);
  if (!matrix || slot < 0) return D3DERR_INVALIDCALL;
  if (recording_) {
    recording_->state().transforms[slot] = *matrix;
    recording_->mask().transforms.set(slot);
    return S_OK;
  }
  D3DMATRIX& stored = state_.transforms[slot];
  if (std::memcmp(&stored, matrix, sizeof stored) == 0) return S_OK;
  stored = *matrix;
  dirty_ |= TransformGroups(static_cast<DWORD>(slot));
  return S_OK;
}

HRESULT Device::GetTransform(D3DTRANSFORMSTATETYPE type, D3DMATRIX* matrix) {
  int slot = TransformSlot(type);
  if (!matrix || slot < 0) return D3DERR_INVALIDCALL;
  *matrix = state_.transforms[slot];
  return S_OK;
}

HRESULT Device::SetLight(DWORD index, const D3DLIGHT9* light) {
  if (!light || index >= kMaxLights) return D3DERR_INVALIDCALL;
  if (light->Type < D3DLIGHT_POINT || light->Type > D3DLIGHT_DIRECTIONAL)
    return D3DERR_INVALIDCALL;
  // Direct3D refuses a range beyond sqrt(FLT_MAX) or below zero.
  if (light->Type != D3DLIGHT_DIRECTIONAL &&
      !(light->Range >= 0.0f && light->Range <= 1.844674352e19f))
    return D3DERR_INVALIDCALL;
  if (recording_) {
    recording_->state().lights[index] = *light;
    recording_->mask().lights.set(index);
    return S_OK;
  }
  dirty_ |= LightGroups(index, state_.lights[index], *light);
  state_.lights[index] = *light;
  return S_OK;
}

HRESULT Device::GetLight(DWORD index, D3DLIGHT9* light) {
  if (!light || index >= kMaxLights) return D3DERR_INVALIDCALL;
  *light = state_.lights[index];
  return S_OK;
}

HRESULT Device::LightEnable(DWORD index, BOOL enable) {
  if (index >= kMaxLights) return D3DERR_INVALIDCALL;
  DeviceState& target = recording_ ? recording_->state() : state_;
  // A light never given to SetLight comes into being as the default one.
  if (target.lights[index].Type == 0) {
    D3DLIGHT9 light = DefaultLight();
    if (recording_) {
      recording_->mask().lights.set(index);
    } else {
      dirty_ |= LightGroups(index, target.lights[index], light);
    }
    target.lights[index] = light;
  }
  BOOL value = enable ? TRUE : FALSE;
  if (recording_) {
    target.lightEnabled[index] = value;
    recording_->mask().lightEnabled.set(index);
    return S_OK;
  }
  if (state_.lightEnabled[index] == value) return S_OK;
  state_.lightEnabled[index] = value;
  dirty_ |= LightEnableGroups(index);
  return S_OK;
}

HRESULT Device::GetLightEnable(DWORD index, BOOL* enable) {
  if (!enable || index >= kMaxLights) return D3DERR_INVALIDCALL;
  *enable = state_.lightEnabled[index];
  return S_OK;
}

HRESULT Device::SetMaterial(const D3DMATERIAL9* material) {
  if (!material) return D3DERR_INVALIDCALL;
  if (recording_) {
    recording_->state().material = *material;
    recording_->mask().material = true;
    return S_OK;
  }
  if (std::memcmp(&state_.material, material, sizeof *material) == 0)
    return S_OK;
  state_.material = *material;
  dirty_ |= kMaterialGroups;
  return S_OK;
}

HRESULT Device::GetMaterial(D3DMATERIAL9* material) {
  if (!material) return D3DERR_INVALIDCALL;
  *material = state_.material;
  return S_OK;
}

HRESULT Device::SetFVF(DWORD fvf) {
  FvfLayout layout;
  if (fvf != 0 && !DecodeFvf(fvf, &layout)) return D3DERR_INVALIDCALL;
  if (recording_) {
    recording_->state().fvf = fvf;
    recording_->mask().fvf = true;
    return S_OK;
  }
  if (state_.fvf == fvf) return S_OK;
  state_.fvf = fvf;
  dirty_ |= kFvfGroups;
  return S_OK;
}

HRESULT Device::GetFVF(DWORD* fvf) {
  if (!fvf) return D3DERR_INVALIDCALL;
  *fvf = state_.fvf;
  return S_OK;
}

HRESULT Device::SetStreamSource(UINT stream, IDirect3DVertexBuffer9* base,
                                UINT offsetBytes, UINT stride) {
  if (stream >= static_cast<UINT>(kVertexStreams)) return D3DERR_INVALIDCALL;
  auto* buffer = static_cast<VertexBuffer*>(base);
  if (buffer && buffer->device() != this) return D3DERR_INVALIDCALL;
  DeviceState& target = recording_ ? recording_->state() : state_;
  if (recording_) {
    recording_->mask().stream = true;
  } else if (target.stream != buffer || target.streamOffset != offsetBytes ||
             target.streamStride != stride) {
    dirty_ |= kStreamGroups;
  }
  Rebind<VertexBuffer>(target.stream, buffer);
  target.streamOffset = offsetBytes;
  target.streamStride = stride;
  return S_OK;
}

HRESULT Device::GetStreamSource(UINT stream, IDirect3DVertexBuffer9** buffer,
                                UINT* offsetBytes, UINT* stride) {
  if (stream != 0 || !buffer || !offsetBytes || !stride)
    return D3DERR_INVALIDCALL;
  if (state_.stream) state_.stream->AddRef();
  *buffer = state_.stream;
  *offsetBytes = state_.streamOffset;
  *stride = state_.streamStride;
  return S_OK;
}

HRESULT Device::SetIndices(IDirect3DIndexBuffer9* base) {
  auto* indices = static_cast<IndexBuffer*>(base);
  if (indices && indices->device() != this) return D3DERR_INVALIDCALL;
  if (recording_) {
    Rebind<IndexBuffer>(recording_->state().indices, indices);
    recording_->mask().indices = true;
    return S_OK;
  }
  if (state_.indices != indices) dirty_ |= kIndicesGroups;
  Rebind<IndexBuffer>(state_.indices, indices);
  return S_OK;
}

HRESULT Device::GetIndices(IDirect3DIndexBuffer9** out) {
  if (!out) return D3DERR_INVALIDCALL;
  if (state_.indices) state_.indices->AddRef();
  *out = state_.indices;
  return S_OK;
}

HRESULT Device::SetViewport(const D3DVIEWPORT9* viewport) {
  if (!viewport) return D3DERR_INVALIDCALL;
  const D3DVIEWPORT9& v = *viewport;
  if (v.Width == 0 || v.Height == 0 || v.X + v.Width > targetWidth() ||
      v.Y + v.Height > targetHeight() || !(v.MinZ >= 0.0f) ||
      !(v.MaxZ <= 1.0f) || v.MinZ > v.MaxZ)
    return D3DERR_INVALIDCALL;
  if (recording_) {
    recording_->state().viewport = v;
    recording_->mask().viewport = true;
    return S_OK;
  }
  if (std::memcmp(&state_.viewport, &v, sizeof v) == 0) return S_OK;
  state_.viewport = v;
  dirty_ |= kViewportGroups;
  return S_OK;
}

HRESULT Device::GetViewport(D3DVIEWPORT9* viewport) {
  if (!viewport) return D3DERR_INVALIDCALL;
  *viewport = state_.viewport;
  return S_OK;
}

HRESULT Device::SetScissorRect(const RECT* rect) {
  // Direct3D takes any rectangle inside the target, empty ones included
  // (they let nothing through).
  if (!rect || rect->left < 0 || rect->top < 0 || rect->left > rect->right ||
      rect->top > rect->bottom ||
      rect->right > static_cast<LONG>(targetWidth()) ||
      rect->bottom > static_cast<LONG>(targetHeight()))
    return D3DERR_INVALIDCALL;
  if (recording_) {
    recording_->state().scissorRect = *rect;
    recording_->mask().scissorRect = true;
    return S_OK;
  }
  if (std::memcmp(&state_.scissorRect, rect, sizeof *rect) == 0) return S_OK;
  state_.scissorRect = *rect;
  dirty_ |= kScissorRectGroups;
  return S_OK;
}

HRESULT Device::GetScissorRect(RECT* rect) {
  if (!rect) return D3DERR_INVALIDCALL;
  *rect = state_.scissorRect;
  return S_OK;
}

}  // namespace gfx
