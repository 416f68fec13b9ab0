// The state assignments an effect pass or sampler_state may make, turned
// into device state numbers and values.
#pragma once

#include <string>
#include <vector>

#include "platform/d3dx/effect_description.h"

// Render state of a pass assignment (AlphaBlendEnable, BlendOp, SrcBlend,
// DestBlend, ZEnable, ...). False with a reason when the name or value is
// not one this library knows.
bool ParseRenderState(const EffectAssignment& a, D3DRENDERSTATETYPE* state,
                      DWORD* value, std::string* reason);

// fvf = XYZ | Tex1 | ...
bool ParseFvf(const EffectAssignment& a, DWORD* fvf, std::string* reason);

// MinFilter = LINEAR, AddressU = Clamp, ... inside sampler_state.
bool ParseSamplerState(const EffectAssignment& a, D3DSAMPLERSTATETYPE* state,
                       DWORD* value, std::string* reason);

// The name inside "(name)", "<name>" or a bare "name".
std::string ReferencedName(const std::vector<std::string>& value);

// Where an assignment stands, for error lines.
std::string Where(const EffectAssignment& a);
