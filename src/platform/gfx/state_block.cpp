#include "platform/gfx/state_block.h"

#include <cstring>

#include "platform/gfx/device.h"
#include "platform/gfx/index_buffer.h"
#include "platform/gfx/shader_program.h"
#include "platform/gfx/texture.h"
#include "platform/gfx/vertex_buffer.h"

namespace gfx {

StateBlock::StateBlock(Device* device, const StateMask& mask)
    : DeviceChild(device), mask_(mask) {
  std::memset(&state_, 0, sizeof state_);
}

StateBlock::~StateBlock() { ReleaseBindings(&state_); }

HRESULT StateBlock::GetDevice(IDirect3DDevice9** out) {
  return ReturnDevice(device(), out);
}

HRESULT StateBlock::Capture() { return device()->CaptureStateBlock(this); }

HRESULT StateBlock::Apply() { return device()->ApplyStateBlock(this); }

void ReleaseBindings(DeviceState* state) {
  for (Texture*& texture : state->textures) Rebind<Texture>(texture, nullptr);
  Rebind<VertexBuffer>(state->stream, nullptr);
  Rebind<IndexBuffer>(state->indices, nullptr);
  Rebind<ShaderProgram>(state->program, nullptr);
}

void CopyMaskedState(const DeviceState& from, const StateMask& mask,
                     DeviceState* to) {
  if (mask.all) {
    // The whole vector: copy the plain data in one go, then move the
    // binding references.
    Texture* textures[kMaxTextureStages];
    std::memcpy(textures, to->textures, sizeof textures);
    VertexBuffer* stream = to->stream;
    IndexBuffer* indices = to->indices;
    ShaderProgram* program = to->program;
    std::memcpy(to, &from, sizeof from);
    std::memcpy(to->textures, textures, sizeof textures);
    to->stream = stream;
    to->indices = indices;
    to->program = program;
    for (DWORD stage = 0; stage < kMaxTextureStages; ++stage)
      Rebind<Texture>(to->textures[stage], from.textures[stage]);
    Rebind<VertexBuffer>(to->stream, from.stream);
    Rebind<IndexBuffer>(to->indices, from.indices);
    Rebind<ShaderProgram>(to->program, from.program);
    return;
  }
  for (DWORD i = 0; i < kRenderStateCount; ++i)
    if (mask.renderStates[i]) to->renderStates[i] = from.renderStates[i];
  for (DWORD stage = 0; stage < kMaxTextureStages; ++stage) {
    for (DWORD t = 0; t < kTextureStageStateCount; ++t)
      if (mask.stageStates[stage * kTextureStageStateCount + t])
        to->stageStates[stage][t] = from.stageStates[stage][t];
    for (DWORD t = 0; t < kSamplerStateCount; ++t)
      if (mask.samplerStates[stage * kSamplerStateCount + t])
        to->samplerStates[stage][t] = from.samplerStates[stage][t];
    if (mask.textures[stage])
      Rebind<Texture>(to->textures[stage], from.textures[stage]);
  }
  for (DWORD i = 0; i < kTransformSlotCount; ++i)
    if (mask.transforms[i]) to->transforms[i] = from.transforms[i];
  for (DWORD i = 0; i < kMaxLights; ++i) {
    if (mask.lights[i]) to->lights[i] = from.lights[i];
    if (mask.lightEnabled[i]) to->lightEnabled[i] = from.lightEnabled[i];
  }
  if (mask.material) to->material = from.material;
  if (mask.viewport) to->viewport = from.viewport;
  if (mask.scissorRect) to->scissorRect = from.scissorRect;
  if (mask.fvf) to->fvf = from.fvf;
  if (mask.stream) {
    Rebind<VertexBuffer>(to->stream, from.stream);
    to->streamOffset = from.streamOffset;
    to->streamStride = from.streamStride;
  }
  if (mask.indices) Rebind<IndexBuffer>(to->indices, from.indices);
  if (mask.program) Rebind<ShaderProgram>(to->program, from.program);
}

}  // namespace gfx
