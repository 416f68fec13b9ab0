// ID3DXEffect: parameters by name, techniques of passes, each pass a
// linked program on the device's programmable path plus the render,
// sampler and vertex-format states it sets. Begin(flags 0) records the
// states the technique's passes change and End puts them back.
#pragma once

#include <atomic>
#include <map>
#include <string>
#include <vector>

#include "platform/d3dx/d3dx9effect.h"
#include "platform/d3dx/effect_compiler.h"
#include "platform/d3dx/effect_description.h"

class D3DXEffectImpl final : public ID3DXEffect {
 public:
  // Parses and compiles; on failure *errors holds the reasons.
  static HRESULT Create(IDirect3DDevice9* device, const std::string& text,
                        D3DXEffectImpl** effect, std::string* errors);

  ULONG AddRef() override { return ++refs; }
  ULONG Release() override;

  D3DXHANDLE GetTechnique(UINT index) override;
  D3DXHANDLE GetTechniqueByName(const char* name) override;
  D3DXHANDLE GetPass(D3DXHANDLE technique, UINT index) override;
  D3DXHANDLE GetParameterByName(D3DXHANDLE parent, const char* name) override;
  HRESULT SetTechnique(D3DXHANDLE technique) override;
  HRESULT Begin(UINT* passes, DWORD flags) override;
  HRESULT Pass(UINT index) override;
  HRESULT End() override;
  HRESULT SetFloat(D3DXHANDLE parameter, float value) override;
  HRESULT SetMatrix(D3DXHANDLE parameter, const D3DXMATRIX* matrix) override;
  HRESULT SetTexture(D3DXHANDLE parameter,
                     IDirect3DBaseTexture9* texture) override;

 private:
  struct Sampler {
    int textureParam = -1;
    std::vector<std::pair<D3DSAMPLERSTATETYPE, DWORD>> states;
  };
  struct CompiledPass {
    std::string name;
    std::vector<std::pair<D3DRENDERSTATETYPE, DWORD>> renderStates;
    bool setsFvf = false;
    DWORD fvf = 0;
    IDirect3DShaderProgram9* program = nullptr;
    std::vector<std::pair<std::string, int>> uniforms;  // GLSL name, param
    std::vector<std::pair<DWORD, int>> samplers;        // stage, sampler
    std::vector<std::pair<DWORD, int>> textures;        // stage, param
  };
  struct Technique {
    std::string name;
    std::vector<CompiledPass> passes;
  };
  struct Parameter {
    EffectParameter desc;
    std::vector<float> values;
    IDirect3DBaseTexture9* texture = nullptr;
  };
  struct SavedStates {
    std::vector<std::pair<D3DRENDERSTATETYPE, DWORD>> render;
    std::vector<std::pair<std::pair<DWORD, D3DSAMPLERSTATETYPE>, DWORD>>
        sampler;
    std::vector<std::pair<DWORD, IDirect3DBaseTexture9*>> textures;
    bool fvfSaved = false;
    DWORD fvf = 0;
    bool programSaved = false;
    IDirect3DShaderProgram9* program = nullptr;
  };

  D3DXEffectImpl() = default;
  ~D3DXEffectImpl();
  // The entry points of one pass's programs.
  struct PassPrograms {
    std::string vsProfile, vsEntry, psProfile, psEntry;
  };
  // Compiled stages and linked programs, shared by the passes that use the
  // same entry points.
  struct ProgramCache {
    std::map<std::string, CompiledStage> stages;  // by profile + entry
    std::map<std::string, IDirect3DShaderProgram9*> linked;
    const CompiledStage* Stage(const std::string& hlsl,
                               const std::string& profile,
                               const std::string& entry, std::string* errors);
  };

  // Turns the parsed effect into parameters, samplers and techniques whose
  // passes hold linked programs.
  HRESULT Build(const EffectDescription& desc, std::string* errors);
  void BuildParameters(const EffectDescription& desc);
  bool BuildSamplers(const EffectDescription& desc, std::string* errors);
  // A pass's states: programs by name, samplers, textures, FVF and render
  // states.
  bool ReadPassStates(const EffectPass& p, CompiledPass* pass,
                      PassPrograms* programNames, std::string* errors) const;
  HRESULT LinkPassProgram(const EffectDescription& desc,
                          const PassPrograms& names, CompiledPass* pass,
                          ProgramCache* cache, std::string* errors);
  int ParameterIndex(const std::string& name) const;
  int SamplerIndex(const std::string& name) const;
  int FindParameter(D3DXHANDLE handle) const;
  int FindTechnique(D3DXHANDLE handle) const;
  void RestoreSaved();

  std::atomic<ULONG> refs{1};
  IDirect3DDevice9* device = nullptr;
  std::vector<Parameter> parameters;
  std::vector<std::string> samplerNames;
  std::vector<Sampler> samplers;
  std::vector<Technique> techniques;
  std::vector<IDirect3DShaderProgram9*> programs;  // owned, shared by passes
  int current = 0;
  bool begun = false;
  SavedStates saved;
};
