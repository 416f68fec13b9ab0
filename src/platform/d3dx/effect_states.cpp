#include "platform/d3dx/effect_states.h"

#include <cstdlib>
#include <cstring>

namespace {

struct Named {
  const char* name;
  DWORD value;
};

const Named kBlend[] = {{"ZERO", D3DBLEND_ZERO},
                        {"ONE", D3DBLEND_ONE},
                        {"SRCCOLOR", D3DBLEND_SRCCOLOR},
                        {"INVSRCCOLOR", D3DBLEND_INVSRCCOLOR},
                        {"SRCALPHA", D3DBLEND_SRCALPHA},
                        {"INVSRCALPHA", D3DBLEND_INVSRCALPHA},
                        {"DESTALPHA", D3DBLEND_DESTALPHA},
                        {"INVDESTALPHA", D3DBLEND_INVDESTALPHA},
                        {"DESTCOLOR", D3DBLEND_DESTCOLOR},
                        {"INVDESTCOLOR", D3DBLEND_INVDESTCOLOR},
                        {"SRCALPHASAT", D3DBLEND_SRCALPHASAT},
                        {"BLENDFACTOR", D3DBLEND_BLENDFACTOR},
                        {"INVBLENDFACTOR", D3DBLEND_INVBLENDFACTOR},
                        {nullptr, 0}};
const Named kBlendOp[] = {{"ADD", D3DBLENDOP_ADD},
                          {"SUBTRACT", D3DBLENDOP_SUBTRACT},
                          {"REVSUBTRACT", D3DBLENDOP_REVSUBTRACT},
                          {"MIN", D3DBLENDOP_MIN},
                          {"MAX", D3DBLENDOP_MAX},
                          {nullptr, 0}};
const Named kCmp[] = {{"NEVER", D3DCMP_NEVER},
                      {"LESS", D3DCMP_LESS},
                      {"EQUAL", D3DCMP_EQUAL},
                      {"LESSEQUAL", D3DCMP_LESSEQUAL},
                      {"GREATER", D3DCMP_GREATER},
                      {"NOTEQUAL", D3DCMP_NOTEQUAL},
                      {"GREATEREQUAL", D3DCMP_GREATEREQUAL},
                      {"ALWAYS", D3DCMP_ALWAYS},
                      {nullptr, 0}};
const Named kCull[] = {{"NONE", D3DCULL_NONE},
                       {"CW", D3DCULL_CW},
                       {"CCW", D3DCULL_CCW},
                       {nullptr, 0}};
const Named kFill[] = {{"POINT", D3DFILL_POINT},
                       {"WIREFRAME", D3DFILL_WIREFRAME},
                       {"SOLID", D3DFILL_SOLID},
                       {nullptr, 0}};
const Named kBool[] = {{"TRUE", 1}, {"FALSE", 0}, {nullptr, 0}};
const Named kFilter[] = {{"NONE", D3DTEXF_NONE},
                         {"POINT", D3DTEXF_POINT},
                         {"LINEAR", D3DTEXF_LINEAR},
                         {"ANISOTROPIC", D3DTEXF_ANISOTROPIC},
                         {nullptr, 0}};
const Named kAddress[] = {{"WRAP", D3DTADDRESS_WRAP},
                          {"MIRROR", D3DTADDRESS_MIRROR},
                          {"CLAMP", D3DTADDRESS_CLAMP},
                          {"BORDER", D3DTADDRESS_BORDER},
                          {"MIRRORONCE", D3DTADDRESS_MIRRORONCE},
                          {nullptr, 0}};
const Named kFvf[] = {{"XYZ", D3DFVF_XYZ},
                      {"XYZRHW", D3DFVF_XYZRHW},
                      {"XYZB1", D3DFVF_XYZB1},
                      {"XYZB2", D3DFVF_XYZB2},
                      {"NORMAL", D3DFVF_NORMAL},
                      {"PSIZE", D3DFVF_PSIZE},
                      {"DIFFUSE", D3DFVF_DIFFUSE},
                      {"SPECULAR", D3DFVF_SPECULAR},
                      {"TEX0", 0x000},
                      {"TEX1", 0x100},
                      {"TEX2", 0x200},
                      {"TEX3", 0x300},
                      {"TEX4", 0x400},
                      {nullptr, 0}};

// One value token: a table name or a number (TRUE/FALSE for booleans).
bool Value(const EffectAssignment& a, const Named* table, DWORD* out,
           std::string* reason) {
  std::string v;
  for (const auto& t : a.value) v += t;
  for (const Named* n = table; n && n->name; ++n) {
    if (strcasecmp(v.c_str(), n->name) == 0) {
      *out = n->value;
      return true;
    }
  }
  char* end = nullptr;
  const double number = std::strtod(v.c_str(), &end);
  if (!v.empty() && end && *end == 0 && number >= 0 && number <= 0xFFFFFFFFu) {
    *out = static_cast<DWORD>(number);
    return true;
  }
  *reason = Where(a) + ": " + a.state + " cannot be '" + v + "'";
  return false;
}

bool FloatValue(const EffectAssignment& a, DWORD* out, std::string* reason) {
  std::string v;
  for (const auto& t : a.value) v += t;
  char* end = nullptr;
  const float f = std::strtof(v.c_str(), &end);
  if (v.empty() || !end || *end) {
    *reason = Where(a) + ": " + a.state + " needs a number";
    return false;
  }
  *out = FloatToDword(f);
  return true;
}

}  // namespace

std::string Where(const EffectAssignment& a) {
  return "effect line " + std::to_string(a.line) + ":" +
         std::to_string(a.column);
}

std::string ReferencedName(const std::vector<std::string>& value) {
  for (const auto& t : value)
    if (t != "(" && t != ")" && t != "<" && t != ">") return t;
  return {};
}

bool ParseRenderState(const EffectAssignment& a, D3DRENDERSTATETYPE* state,
                      DWORD* value, std::string* reason) {
  static const struct {
    const char* name;
    D3DRENDERSTATETYPE state;
    const Named* table;
  } kStates[] = {
      {"AlphaBlendEnable", D3DRS_ALPHABLENDENABLE, kBool},
      {"BlendOp", D3DRS_BLENDOP, kBlendOp},
      {"SrcBlend", D3DRS_SRCBLEND, kBlend},
      {"DestBlend", D3DRS_DESTBLEND, kBlend},
      {"ZEnable", D3DRS_ZENABLE, kBool},
      {"ZWriteEnable", D3DRS_ZWRITEENABLE, kBool},
      {"ZFunc", D3DRS_ZFUNC, kCmp},
      {"CullMode", D3DRS_CULLMODE, kCull},
      {"FillMode", D3DRS_FILLMODE, kFill},
      {"AlphaTestEnable", D3DRS_ALPHATESTENABLE, kBool},
      {"AlphaFunc", D3DRS_ALPHAFUNC, kCmp},
      {"AlphaRef", D3DRS_ALPHAREF, nullptr},
      {"Lighting", D3DRS_LIGHTING, kBool},
      {"ColorWriteEnable", D3DRS_COLORWRITEENABLE, nullptr},
  };
  if (a.index >= 0) {
    *reason = Where(a) + ": " + a.state + " takes no index";
    return false;
  }
  for (const auto& s : kStates) {
    if (strcasecmp(a.state.c_str(), s.name) != 0) continue;
    *state = s.state;
    return Value(a, s.table, value, reason);
  }
  *reason = Where(a) + ": unsupported state " + a.state;
  return false;
}

bool ParseFvf(const EffectAssignment& a, DWORD* fvf, std::string* reason) {
  *fvf = 0;
  for (const auto& t : a.value) {
    if (t == "|") continue;
    bool found = false;
    for (const Named* n = kFvf; n->name; ++n) {
      if (strcasecmp(t.c_str(), n->name) == 0) {
        *fvf |= n->value;
        found = true;
      }
    }
    if (!found) {
      *reason = Where(a) + ": unknown vertex format part " + t;
      return false;
    }
  }
  return true;
}

bool ParseSamplerState(const EffectAssignment& a, D3DSAMPLERSTATETYPE* state,
                       DWORD* value, std::string* reason) {
  static const struct {
    const char* name;
    D3DSAMPLERSTATETYPE state;
    const Named* table;
  } kStates[] = {
      {"MinFilter", D3DSAMP_MINFILTER, kFilter},
      {"MagFilter", D3DSAMP_MAGFILTER, kFilter},
      {"MipFilter", D3DSAMP_MIPFILTER, kFilter},
      {"AddressU", D3DSAMP_ADDRESSU, kAddress},
      {"AddressV", D3DSAMP_ADDRESSV, kAddress},
      {"AddressW", D3DSAMP_ADDRESSW, kAddress},
      {"MaxAnisotropy", D3DSAMP_MAXANISOTROPY, nullptr},
      {"MaxMipLevel", D3DSAMP_MAXMIPLEVEL, nullptr},
      {"BorderColor", D3DSAMP_BORDERCOLOR, nullptr},
  };
  for (const auto& s : kStates) {
    if (strcasecmp(a.state.c_str(), s.name) != 0) continue;
    *state = s.state;
    return Value(a, s.table, value, reason);
  }
  if (strcasecmp(a.state.c_str(), "MipMapLodBias") == 0) {
    *state = D3DSAMP_MIPMAPLODBIAS;
    return FloatValue(a, value, reason);
  }
  *reason = Where(a) + ": unsupported sampler state " + a.state;
  return false;
}
