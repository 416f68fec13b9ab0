// The programmable path: programs made by the effect runtime replace the
// fixed-function ones while set.
#include "platform/gfx/device.h"
#include "platform/gfx/shader_program.h"
#include "platform/gfx/state_block.h"

namespace gfx {

HRESULT Device::CreateShaderProgram(const ShaderProgramDesc& desc,
                                    IDirect3DShaderProgram9** out,
                                    std::string* errorLog) {
  if (!out) return D3DERR_INVALIDCALL;
  *out = nullptr;
  if (desc.vertexSource.empty() || desc.pixelSource.empty())
    return D3DERR_INVALIDCALL;
  auto* program = new ShaderProgram(this, desc);
  std::string log;
  bool built = program->Build(&log);
  // Linking used glUseProgram behind the draw state's back.
  dirty_ |= kDirtyProgram;
  if (!built) {
    if (errorLog) *errorLog = log;
    program->Release();
    return D3DERR_INVALIDCALL;
  }
  *out = program;
  return S_OK;
}

HRESULT Device::SetShaderProgram(IDirect3DShaderProgram9* base) {
  auto* program = static_cast<ShaderProgram*>(base);
  if (program && program->device() != this) return D3DERR_INVALIDCALL;
  if (recording_) {
    Rebind<ShaderProgram>(recording_->state().program, program);
    recording_->mask().program = true;
    return S_OK;
  }
  if (state_.program == program) return S_OK;
  Rebind<ShaderProgram>(state_.program, program);
  dirty_ |= kProgramGroups;
  return S_OK;
}

HRESULT Device::GetShaderProgram(IDirect3DShaderProgram9** out) {
  if (!out) return D3DERR_INVALIDCALL;
  if (state_.program) state_.program->AddRef();
  *out = state_.program;
  return S_OK;
}

}  // namespace gfx
