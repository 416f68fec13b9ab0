// The effect parser and the state tables on arbitrary text: clean failure
// with a positioned reason, or a description whose HLSL keeps the text's
// line count.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/d3dx/effect_description.h"
#include "platform/d3dx/effect_states.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  EffectDescription effect;
  std::string reason;
  if (!ParseEffect(text, &effect, &reason)) {
    if (reason.find("effect line ") != 0) std::abort();
    return 0;
  }
  if (std::count(text.begin(), text.end(), '\n') !=
      std::count(effect.hlsl.begin(), effect.hlsl.end(), '\n'))
    std::abort();
  for (const auto& t : effect.techniques)
    for (const auto& p : t.passes)
      for (const auto& a : p.states) {
        D3DRENDERSTATETYPE state;
        DWORD value;
        ParseRenderState(a, &state, &value, &reason);
        ParseFvf(a, &value, &reason);
        ReferencedName(a.value);
      }
  for (const auto& s : effect.samplers)
    for (const auto& a : s.states) {
      D3DSAMPLERSTATETYPE state;
      DWORD value;
      ParseSamplerState(a, &state, &value, &reason);
    }
  return 0;
}
