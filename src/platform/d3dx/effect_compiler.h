// Compiles one entry point of an effect's HLSL: glslang (HLSL front end,
// DX9-compatible) to SPIR-V, then SPIRV-Cross to GLSL 330 with plain
// uniforms. Inputs, varyings and samplers are renamed after their HLSL
// semantics so the two stages of a pass meet by semantic, as on Direct3D.
#pragma once

#include <string>
#include <vector>

#include "platform/gfx/d3d9.h"

struct CompiledStage {
  std::string glsl;
  // Vertex stage: which vertex element feeds which input location.
  std::vector<ShaderAttributeBinding> attributes;
  // GLSL names of the samplers the stage uses (the HLSL sampler names).
  std::vector<std::string> samplers;
  // Effect parameters the stage reads, as "<globals>.<name>" GLSL names
  // paired with the parameter name.
  std::vector<std::pair<std::string, std::string>> uniforms;
};

// profile: vs_* or ps_*. On failure returns false and writes the stage,
// profile, compiler message and the HLSL lines around the error.
bool CompileEffectStage(const std::string& hlsl, const std::string& entry,
                        const std::string& profile, CompiledStage* out,
                        std::string* errors);
