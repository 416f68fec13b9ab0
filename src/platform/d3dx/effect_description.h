// What the effect parser finds in an effect text: parameters with their
// semantics and annotations, samplers with their sampler_state, techniques
// and passes with their state assignments, and the HLSL left for the
// compiler (techniques and effect-only syntax blanked out, lines kept).
#pragma once

#include <string>
#include <vector>

#include "platform/gfx/d3d9_types.h"

struct EffectAnnotation {
  std::string type;
  std::string name;
  std::string value;  // strings without quotes, numbers as written
};

enum class EffectParamClass { Scalar, Vector, Matrix, Texture, Sampler, Other };

struct EffectParameter {
  std::string name;
  std::string type;  // as written: float, float4x4, texture, sampler2D, ...
  std::string semantic;
  EffectParamClass kind = EffectParamClass::Other;
  int floatCount = 0;          // 1 for float, 4 for float4, 16 for 4x4
  std::vector<float> initial;  // from "= ..." when it is numbers
  std::vector<EffectAnnotation> annotations;
};

// One "Name[index] = value;" inside a pass or a sampler_state.
struct EffectAssignment {
  std::string state;
  int index = -1;                  // Sampler[0] -> 0; -1 when there is no index
  std::vector<std::string> value;  // the value's tokens
  int line = 0;
  int column = 0;
};

struct EffectSampler {
  std::string name;
  std::vector<EffectAssignment> states;
};

struct EffectPass {
  std::string name;
  std::vector<EffectAnnotation> annotations;
  std::vector<EffectAssignment> states;
};

struct EffectTechnique {
  std::string name;
  std::vector<EffectAnnotation> annotations;
  std::vector<EffectPass> passes;
};

struct EffectDescription {
  std::vector<EffectParameter> parameters;  // samplers included
  std::vector<EffectSampler> samplers;
  std::vector<EffectTechnique> techniques;
  std::string hlsl;  // same line numbering as the effect text
};

// Parses the effect text. On failure returns false with one line naming
// line:column and what was wrong.
bool ParseEffect(const std::string& text, EffectDescription* effect,
                 std::string* reason);
