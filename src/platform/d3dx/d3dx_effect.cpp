#include "platform/d3dx/d3dx_effect.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <new>
#include <set>
#include <sstream>

#include "platform/d3dx/d3dx_buffer.h"
#include "platform/d3dx/effect_compiler.h"
#include "platform/d3dx/effect_states.h"
#include "platform/d3dx/last_error.h"
#include "platform/system/embedded_resources.h"
#include "platform/system/fault_injection.h"

namespace {

// "compile vs_1_1 entry()" -> profile and entry.
bool ParseCompile(const EffectAssignment& a, std::string* profile,
                  std::string* entry, std::string* reason) {
  const auto& v = a.value;
  if (v.size() >= 5 && strcasecmp(v[0].c_str(), "compile") == 0 &&
      v[3] == "(" && v.back() == ")") {
    if (v.size() != 5) {
      *reason = Where(a) + ": entry points take no arguments here";
      return false;
    }
    *profile = v[1];
    *entry = v[2];
    return true;
  }
  *reason = Where(a) + ": expected 'compile profile entry()'";
  return false;
}

// GLSL with line numbers, for link errors.
std::string Numbered(const std::string& code) {
  std::istringstream in(code);
  std::string line, out;
  for (int n = 1; std::getline(in, line); ++n)
    out += std::to_string(n) + ": " + line + "\n";
  return out;
}

}  // namespace

HRESULT D3DXEffectImpl::Create(IDirect3DDevice9* device,
                               const std::string& text, D3DXEffectImpl** effect,
                               std::string* errors) {
  *effect = nullptr;
  EffectDescription desc;
  if (!ParseEffect(text, &desc, errors)) return E_FAIL;
  auto* impl = new (std::nothrow) D3DXEffectImpl();
  if (!impl) return E_OUTOFMEMORY;
  impl->device = device;
  device->AddRef();
  HRESULT hr = impl->Build(desc, errors);
  if (FAILED(hr)) {
    impl->Release();
    return hr;
  }
  *effect = impl;
  return S_OK;
}

HRESULT D3DXEffectImpl::Build(const EffectDescription& desc,
                              std::string* errors) {
  BuildParameters(desc);
  if (!BuildSamplers(desc, errors)) return E_FAIL;
  ProgramCache cache;
  for (const EffectTechnique& t : desc.techniques) {
    Technique tech;
    tech.name = t.name;
    for (const EffectPass& p : t.passes) {
      CompiledPass pass;
      pass.name = p.name;
      PassPrograms programNames;
      if (!ReadPassStates(p, &pass, &programNames, errors)) return E_FAIL;
      if (programNames.vsEntry.empty() != programNames.psEntry.empty()) {
        *errors = "pass " + p.name + " needs both a vertex and a pixel program";
        return E_FAIL;
      }
      if (!programNames.vsEntry.empty()) {
        const HRESULT hr =
            LinkPassProgram(desc, programNames, &pass, &cache, errors);
        if (FAILED(hr)) return hr;
      }
      tech.passes.push_back(std::move(pass));
    }
    techniques.push_back(std::move(tech));
  }
  if (techniques.empty()) {
    *errors = "the effect has no technique";
    return E_FAIL;
  }
  return S_OK;
}

void D3DXEffectImpl::BuildParameters(const EffectDescription& desc) {
  for (const auto& p : desc.parameters) {
    Parameter param;
    param.desc = p;
    param.values.assign(std::max(p.floatCount, 1), 0.0f);
    for (size_t i = 0; i < p.initial.size() && i < param.values.size(); ++i)
      param.values[i] = p.initial[i];
    parameters.push_back(std::move(param));
  }
}

int D3DXEffectImpl::ParameterIndex(const std::string& name) const {
  for (size_t i = 0; i < parameters.size(); ++i)
    if (parameters[i].desc.name == name) return static_cast<int>(i);
  return -1;
}

int D3DXEffectImpl::SamplerIndex(const std::string& name) const {
  for (size_t i = 0; i < samplerNames.size(); ++i)
    if (samplerNames[i] == name) return static_cast<int>(i);
  return -1;
}

bool D3DXEffectImpl::BuildSamplers(const EffectDescription& desc,
                                   std::string* errors) {
  for (const auto& s : desc.samplers) {
    Sampler sampler;
    for (const auto& a : s.states) {
      if (strcasecmp(a.state.c_str(), "Texture") == 0) {
        sampler.textureParam = ParameterIndex(ReferencedName(a.value));
        if (sampler.textureParam < 0) {
          *errors = Where(a) + ": unknown texture " + ReferencedName(a.value);
          return false;
        }
        continue;
      }
      D3DSAMPLERSTATETYPE state;
      DWORD value;
      if (!ParseSamplerState(a, &state, &value, errors)) return false;
      sampler.states.emplace_back(state, value);
    }
    samplerNames.push_back(s.name);
    samplers.push_back(std::move(sampler));
  }
  return true;
}

bool D3DXEffectImpl::ReadPassStates(const EffectPass& p, CompiledPass* pass,
                                    PassPrograms* programNames,
                                    std::string* errors) const {
  for (const auto& a : p.states) {
    if (strcasecmp(a.state.c_str(), "VertexShader") == 0) {
      if (!ParseCompile(a, &programNames->vsProfile, &programNames->vsEntry,
                        errors))
        return false;
    } else if (strcasecmp(a.state.c_str(), "PixelShader") == 0) {
      if (!ParseCompile(a, &programNames->psProfile, &programNames->psEntry,
                        errors))
        return false;
    } else if (strcasecmp(a.state.c_str(), "Sampler") == 0) {
      const int s = SamplerIndex(ReferencedName(a.value));
      if (s < 0) {
        *errors = Where(a) + ": unknown sampler " + ReferencedName(a.value);
        return false;
      }
      pass->samplers.emplace_back(a.index < 0 ? 0 : a.index, s);
    } else if (strcasecmp(a.state.c_str(), "Texture") == 0) {
      const int tp = ParameterIndex(ReferencedName(a.value));
      if (tp < 0) {
        *errors = Where(a) + ": unknown texture " + ReferencedName(a.value);
        return false;
      }
      pass->textures.emplace_back(a.index < 0 ? 0 : a.index, tp);
    } else if (strcasecmp(a.state.c_str(), "fvf") == 0) {
      if (!ParseFvf(a, &pass->fvf, errors)) return false;
      pass->setsFvf = true;
    } else {
      D3DRENDERSTATETYPE state;
      DWORD value;
      if (!ParseRenderState(a, &state, &value, errors)) return false;
      pass->renderStates.emplace_back(state, value);
    }
  }
  return true;
}

const CompiledStage* D3DXEffectImpl::ProgramCache::Stage(
    const std::string& hlsl, const std::string& profile,
    const std::string& entry, std::string* errors) {
  const std::string key = profile + " " + entry;
  auto found = stages.find(key);
  if (found == stages.end()) {
    CompiledStage stage;
    if (!CompileEffectStage(hlsl, entry, profile, &stage, errors))
      return nullptr;
    found = stages.emplace(key, std::move(stage)).first;
  }
  return &found->second;
}

HRESULT D3DXEffectImpl::LinkPassProgram(const EffectDescription& desc,
                                        const PassPrograms& names,
                                        CompiledPass* pass, ProgramCache* cache,
                                        std::string* errors) {
  const CompiledStage* vs =
      cache->Stage(desc.hlsl, names.vsProfile, names.vsEntry, errors);
  const CompiledStage* ps =
      vs ? cache->Stage(desc.hlsl, names.psProfile, names.psEntry, errors)
         : nullptr;
  if (!vs || !ps) return E_FAIL;

  // Samplers the pixel program reads: the pass's Sampler[i] stage, or the
  // next free stage in order of use.
  std::vector<ShaderSamplerBinding> bindings;
  std::set<DWORD> taken;
  for (const auto& [stage, s] : pass->samplers) taken.insert(stage);
  DWORD next = 0;
  for (const auto& name : ps->samplers) {
    const int s = SamplerIndex(name);
    DWORD stage = ~0u;
    for (const auto& [st, si] : pass->samplers)
      if (si == s) stage = st;
    if (stage == ~0u) {
      while (taken.count(next)) ++next;
      stage = next;
      taken.insert(stage);
      if (s >= 0) pass->samplers.emplace_back(stage, s);
    }
    bindings.push_back({name, stage});
  }
  for (const auto* stage : {vs, ps})
    for (const auto& [glslName, paramName] : stage->uniforms) {
      const int pi = ParameterIndex(paramName);
      if (pi >= 0) pass->uniforms.emplace_back(glslName, pi);
    }

  // Passes with the same two programs share one linked program.
  const std::string key =
      names.vsProfile + names.vsEntry + "|" + names.psProfile + names.psEntry;
  auto found = cache->linked.find(key);
  if (found == cache->linked.end()) {
    ShaderProgramDesc programDesc;
    programDesc.vertexSource = vs->glsl;
    programDesc.pixelSource = ps->glsl;
    programDesc.attributes = vs->attributes;
    programDesc.samplers = bindings;
    IDirect3DShaderProgram9* program = nullptr;
    std::string log;
    HRESULT hr = device->CreateShaderProgram(programDesc, &program, &log);
    if (FAILED(hr)) {
      *errors = "linking " + names.vsEntry + " with " + names.psEntry + ": " +
                log + "\nvertex program:\n" + Numbered(vs->glsl) +
                "pixel program:\n" + Numbered(ps->glsl);
      return hr;
    }
    programs.push_back(program);
    found = cache->linked.emplace(key, program).first;
  }
  pass->program = found->second;
  return S_OK;
}

D3DXEffectImpl::~D3DXEffectImpl() {
  if (begun) RestoreSaved();
  for (auto& p : parameters)
    if (p.texture) p.texture->Release();
  for (auto* program : programs) program->Release();
  if (device) device->Release();
}

ULONG D3DXEffectImpl::Release() {
  const ULONG left = --refs;
  if (left == 0) delete this;
  return left;
}

int D3DXEffectImpl::FindParameter(D3DXHANDLE handle) const {
  if (!handle) return -1;
  for (size_t i = 0; i < parameters.size(); ++i)
    if (parameters[i].desc.name.c_str() == handle) return static_cast<int>(i);
  for (size_t i = 0; i < parameters.size(); ++i)
    if (parameters[i].desc.name == handle) return static_cast<int>(i);
  return -1;
}

int D3DXEffectImpl::FindTechnique(D3DXHANDLE handle) const {
  if (!handle) return -1;
  for (size_t i = 0; i < techniques.size(); ++i)
    if (techniques[i].name.c_str() == handle) return static_cast<int>(i);
  for (size_t i = 0; i < techniques.size(); ++i)
    if (techniques[i].name == handle) return static_cast<int>(i);
  return -1;
}

D3DXHANDLE D3DXEffectImpl::GetTechnique(UINT index) {
  return index < techniques.size() ? techniques[index].name.c_str() : nullptr;
}

D3DXHANDLE D3DXEffectImpl::GetTechniqueByName(const char* name) {
  const int t = FindTechnique(name);
  return t < 0 ? nullptr : techniques[t].name.c_str();
}

D3DXHANDLE D3DXEffectImpl::GetPass(D3DXHANDLE technique, UINT index) {
  const int t = FindTechnique(technique);
  if (t < 0 || index >= techniques[t].passes.size()) return nullptr;
  return techniques[t].passes[index].name.c_str();
}

D3DXHANDLE D3DXEffectImpl::GetParameterByName(D3DXHANDLE, const char* name) {
  const int p = FindParameter(name);
  return p < 0 ? nullptr : parameters[p].desc.name.c_str();
}

HRESULT D3DXEffectImpl::SetTechnique(D3DXHANDLE technique) {
  const int t = FindTechnique(technique);
  if (t < 0) return D3DERR_INVALIDCALL;
  current = t;
  return S_OK;
}

HRESULT D3DXEffectImpl::Begin(UINT* passes, DWORD flags) {
  if (begun) return D3DERR_INVALIDCALL;
  const Technique& tech = techniques[current];
  if (passes) *passes = static_cast<UINT>(tech.passes.size());
  saved = SavedStates();
  if (!(flags & D3DXFX_DONOTSAVESTATE)) {
    std::set<D3DRENDERSTATETYPE> render;
    std::set<std::pair<DWORD, D3DSAMPLERSTATETYPE>> sampler;
    std::set<DWORD> stages;
    for (const auto& pass : tech.passes) {
      for (const auto& [state, value] : pass.renderStates) render.insert(state);
      saved.fvfSaved |= pass.setsFvf;
      saved.programSaved |= pass.program != nullptr;
      for (const auto& [stage, s] : pass.samplers) {
        stages.insert(stage);
        for (const auto& [state, value] : samplers[s].states)
          sampler.insert({stage, state});
      }
      for (const auto& [stage, param] : pass.textures) stages.insert(stage);
    }
    for (auto state : render) {
      DWORD value = 0;
      device->GetRenderState(state, &value);
      saved.render.emplace_back(state, value);
    }
    for (const auto& key : sampler) {
      DWORD value = 0;
      device->GetSamplerState(key.first, key.second, &value);
      saved.sampler.emplace_back(key, value);
    }
    for (DWORD stage : stages) {
      IDirect3DBaseTexture9* texture = nullptr;
      device->GetTexture(stage, &texture);
      saved.textures.emplace_back(stage, texture);
    }
    if (saved.fvfSaved) device->GetFVF(&saved.fvf);
    if (saved.programSaved) device->GetShaderProgram(&saved.program);
  }
  begun = true;
  return S_OK;
}

HRESULT D3DXEffectImpl::Pass(UINT index) {
  if (!begun) return D3DERR_INVALIDCALL;
  const Technique& tech = techniques[current];
  if (index >= tech.passes.size()) return D3DERR_INVALIDCALL;
  const CompiledPass& pass = tech.passes[index];
  HRESULT hr = S_OK;
  if (pass.program) {
    for (const auto& [name, param] : pass.uniforms) {
      const Parameter& p = parameters[param];
      if (p.desc.floatCount == 0) continue;
      pass.program->SetUniformFloats(name.c_str(), p.values.data(),
                                     static_cast<UINT>(p.desc.floatCount));
    }
    hr = device->SetShaderProgram(pass.program);
    if (FAILED(hr)) return hr;
  }
  for (const auto& [stage, s] : pass.samplers) {
    const Sampler& sampler = samplers[s];
    if (sampler.textureParam >= 0)
      device->SetTexture(stage, parameters[sampler.textureParam].texture);
    for (const auto& [state, value] : sampler.states)
      device->SetSamplerState(stage, state, value);
  }
  for (const auto& [stage, param] : pass.textures)
    device->SetTexture(stage, parameters[param].texture);
  for (const auto& [state, value] : pass.renderStates)
    device->SetRenderState(state, value);
  if (pass.setsFvf) device->SetFVF(pass.fvf);
  return S_OK;
}

void D3DXEffectImpl::RestoreSaved() {
  for (const auto& [state, value] : saved.render)
    device->SetRenderState(state, value);
  for (const auto& [key, value] : saved.sampler)
    device->SetSamplerState(key.first, key.second, value);
  for (auto& [stage, texture] : saved.textures) {
    device->SetTexture(stage, texture);
    if (texture) texture->Release();
  }
  if (saved.fvfSaved) device->SetFVF(saved.fvf);
  if (saved.programSaved) {
    device->SetShaderProgram(saved.program);
    if (saved.program) saved.program->Release();
  }
  saved = SavedStates();
}

HRESULT D3DXEffectImpl::End() {
  if (!begun) return D3DERR_INVALIDCALL;
  RestoreSaved();
  begun = false;
  return S_OK;
}

HRESULT D3DXEffectImpl::SetFloat(D3DXHANDLE parameter, float value) {
  const int p = FindParameter(parameter);
  if (p < 0) return D3DERR_INVALIDCALL;
  parameters[p].values[0] = value;
  return S_OK;
}

HRESULT D3DXEffectImpl::SetMatrix(D3DXHANDLE parameter,
                                  const D3DXMATRIX* matrix) {
  const int p = FindParameter(parameter);
  if (p < 0 || !matrix || parameters[p].desc.floatCount != 16)
    return D3DERR_INVALIDCALL;
  // Row-major as D3DXMATRIX holds it; the compiled programs read it so
  // that mul(v, M) is Direct3D's row vector times matrix.
  std::memcpy(parameters[p].values.data(), &matrix->m[0][0], 64);
  return S_OK;
}

HRESULT D3DXEffectImpl::SetTexture(D3DXHANDLE parameter,
                                   IDirect3DBaseTexture9* texture) {
  const int p = FindParameter(parameter);
  if (p < 0 || parameters[p].desc.kind != EffectParamClass::Texture)
    return D3DERR_INVALIDCALL;
  if (texture) texture->AddRef();
  if (parameters[p].texture) parameters[p].texture->Release();
  parameters[p].texture = texture;
  return S_OK;
}

HRESULT D3DXCreateEffect(IDirect3DDevice9* device, const void* sourceData,
                         UINT sourceLength, const D3DXMACRO*, ID3DXInclude*,
                         DWORD, ID3DXEffectPool*, ID3DXEffect** effect,
                         ID3DXBuffer** compilationErrors) {
  if (compilationErrors) *compilationErrors = nullptr;
  if (!device || !sourceData || !sourceLength || !effect)
    return D3DXFail(D3DERR_INVALIDCALL, "no device, source or effect pointer");
  *effect = nullptr;
  std::string errors;
  D3DXEffectImpl* impl = nullptr;
  HRESULT hr;
  try {
    const std::string text(static_cast<const char*>(sourceData), sourceLength);
    hr = D3DXEffectImpl::Create(device, text, &impl, &errors);
  } catch (const std::bad_alloc&) {
    hr = E_OUTOFMEMORY;
    errors = "effect: out of memory";
  }
  if (FAILED(hr)) {
    // One line for the last-error text; the whole report in the buffer.
    SetD3DXLastError(errors.substr(0, errors.find('\n')));
    if (compilationErrors)
      *compilationErrors = MakeD3DXBuffer(errors.c_str(), errors.size() + 1);
    return hr;
  }
  *effect = impl;
  return S_OK;
}

HRESULT D3DXCreateEffectFromResourceA(IDirect3DDevice9* device, HMODULE,
                                      LPCSTR resource, const D3DXMACRO* defines,
                                      ID3DXInclude* include, DWORD flags,
                                      ID3DXEffectPool* pool,
                                      ID3DXEffect** effect,
                                      ID3DXBuffer** compilationErrors) {
  if (effect) *effect = nullptr;
  if (compilationErrors) *compilationErrors = nullptr;
  if (InjectedFailure("D3DXCreateEffectFromResourceA"))
    return D3DXFail(E_OUTOFMEMORY, "injected failure");
  if (!IS_INTRESOURCE(resource))
    return D3DXFail(D3DXERR_INVALIDDATA, "resources are looked up by number");
  const int id = static_cast<int>(reinterpret_cast<uintptr_t>(resource));
  ResourceData data;
  if (!FindEmbeddedResource(ResourceType::RcData, id, &data))
    return D3DXFail(D3DXERR_INVALIDDATA,
                    "no effect resource " + std::to_string(id));
  return D3DXCreateEffect(device, data.data, static_cast<UINT>(data.size),
                          defines, include, flags, pool, effect,
                          compilationErrors);
}
