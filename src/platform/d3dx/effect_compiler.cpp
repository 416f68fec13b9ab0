#include "platform/d3dx/effect_compiler.h"

// The installed glslang is built with its HLSL front end; its header only
// declares the HLSL-specific setters when told so.
#ifndef ENABLE_HLSL
#define ENABLE_HLSL 1
#endif
#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>
#include <glslang/SPIRV/GlslangToSpv.h>

#include <cctype>
#include <mutex>
#include <regex>
#include <spirv_cross/spirv_glsl.hpp>
#include <sstream>

namespace {

void InitializeOnce() {
  static std::once_flag once;
  std::call_once(once, [] { glslang::InitializeProcess(); });
}

// The HLSL lines around `line` (1-based), numbered, the failing one marked.
std::string SourceWindow(const std::string& hlsl, int line) {
  std::istringstream in(hlsl);
  std::string text, out;
  for (int n = 1; std::getline(in, text); ++n) {
    if (n < line - 2 || n > line + 2) continue;
    if (!text.empty() && text.back() == '\r') text.pop_back();
    out += (n == line ? "> " : "  ") + std::to_string(n) + " | " + text + "\n";
  }
  return out;
}

std::string FormatLog(const std::string& log, const std::string& hlsl,
                      const std::string& header) {
  std::string out = header + "\n" + log;
  static const std::regex kLine(R"(ERROR: [^:\n]*:(\d+):)");
  std::smatch m;
  if (std::regex_search(log, m, kLine)) {
    out += SourceWindow(hlsl, std::stoi(m[1].str()));
  }
  return out;
}

// "TEXCOORD3" -> (TEXCOORD, 3); "POSITION" -> (POSITION, 0).
bool ParseSemantic(std::string semantic, D3DDECLUSAGE* usage, BYTE* index) {
  for (char& c : semantic) c = static_cast<char>(std::toupper(c));
  size_t digits = semantic.size();
  while (digits > 0 &&
         std::isdigit(static_cast<unsigned char>(semantic[digits - 1])))
    --digits;
  *index = digits < semantic.size()
               ? static_cast<BYTE>(std::stoi(semantic.substr(digits)))
               : 0;
  const std::string base = semantic.substr(0, digits);
  static const struct {
    const char* name;
    D3DDECLUSAGE usage;
  } kUsages[] = {
      {"POSITION", D3DDECLUSAGE_POSITION},
      {"SV_POSITION", D3DDECLUSAGE_POSITION},
      {"POSITIONT", D3DDECLUSAGE_POSITIONT},
      {"BLENDWEIGHT", D3DDECLUSAGE_BLENDWEIGHT},
      {"BLENDINDICES", D3DDECLUSAGE_BLENDINDICES},
      {"NORMAL", D3DDECLUSAGE_NORMAL},
      {"PSIZE", D3DDECLUSAGE_PSIZE},
      {"TEXCOORD", D3DDECLUSAGE_TEXCOORD},
      {"TANGENT", D3DDECLUSAGE_TANGENT},
      {"BINORMAL", D3DDECLUSAGE_BINORMAL},
      {"COLOR", D3DDECLUSAGE_COLOR},
  };
  for (const auto& u : kUsages) {
    if (base == u.name) {
      *usage = u.usage;
      return true;
    }
  }
  return false;
}

// A GLSL-safe varying name from a semantic: TEXCOORD -> fx_TEXCOORD0.
std::string VaryingName(const std::string& semantic) {
  D3DDECLUSAGE usage;
  BYTE index;
  std::string upper = semantic;
  for (char& c : upper) c = static_cast<char>(std::toupper(c));
  if (!ParseSemantic(upper, &usage, &index)) return "fx_" + upper;
  size_t digits = upper.size();
  while (digits > 0 &&
         std::isdigit(static_cast<unsigned char>(upper[digits - 1])))
    --digits;
  return "fx_" + upper.substr(0, digits) + std::to_string(index);
}

// HLSL (DX9 style) through glslang's HLSL front end to SPIR-V; false with
// the log and the source lines around the error.
bool HlslToSpirv(const std::string& hlsl, const std::string& entry, bool vertex,
                 const std::string& header, std::vector<uint32_t>* spirv,
                 std::string* errors) {
  const EShLanguage stage = vertex ? EShLangVertex : EShLangFragment;
  glslang::TShader shader(stage);
  const char* source = hlsl.c_str();
  const int length = static_cast<int>(hlsl.size());
  shader.setStringsWithLengths(&source, &length, 1);
  shader.setEntryPoint(entry.c_str());
  shader.setSourceEntryPoint(entry.c_str());
  shader.setEnvInput(glslang::EShSourceHlsl, stage, glslang::EShClientVulkan,
                     100);
  shader.setEnvClient(glslang::EShClientVulkan, glslang::EShTargetVulkan_1_0);
  shader.setEnvTarget(glslang::EShTargetSpv, glslang::EShTargetSpv_1_0);
  shader.setEnvTargetHlslFunctionality1();
  shader.setAutoMapLocations(true);
  shader.setAutoMapBindings(true);
  const EShMessages messages = static_cast<EShMessages>(
      EShMsgSpvRules | EShMsgVulkanRules | EShMsgReadHlsl |
      EShMsgHlslDX9Compatible | EShMsgHlslLegalization);
  if (!shader.parse(GetDefaultResources(), 100, false, messages)) {
    *errors = FormatLog(shader.getInfoLog(), hlsl, header);
    return false;
  }
  glslang::TProgram program;
  program.addShader(&shader);
  if (!program.link(messages) || !program.mapIO()) {
    *errors = FormatLog(program.getInfoLog(), hlsl, header);
    return false;
  }
  glslang::SpvOptions spvOptions;
  spvOptions.disableOptimizer = false;
  glslang::GlslangToSpv(*program.getIntermediate(stage), *spirv, &spvOptions);
  return true;
}

// A vertex program's inputs get locations in order and the vertex usage of
// their semantic; its outputs are named after their semantics so that the
// pixel program's inputs match them. Returns the name of the position
// output ("" when there is none).
bool NameVertexInterface(spirv_cross::CompilerGLSL& glsl,
                         const spirv_cross::ShaderResources& res,
                         const std::string& header, CompiledStage* out,
                         std::string* positionOutput, std::string* errors) {
  uint32_t location = 0;
  for (const auto& input : res.stage_inputs) {
    const std::string semantic =
        glsl.get_decoration_string(input.id, spv::DecorationHlslSemanticGOOGLE);
    D3DDECLUSAGE usage;
    BYTE index;
    if (!ParseSemantic(semantic, &usage, &index)) {
      *errors = header + " input " + input.name + " has no vertex semantic (" +
                semantic + ")";
      return false;
    }
    glsl.set_decoration(input.id, spv::DecorationLocation, location);
    glsl.set_name(input.id, "fx_in_" + VaryingName(semantic).substr(3));
    out->attributes.push_back({location, usage, index});
    ++location;
  }
  for (const auto& output : res.stage_outputs) {
    const std::string semantic = glsl.get_decoration_string(
        output.id, spv::DecorationHlslSemanticGOOGLE);
    std::string name = VaryingName(semantic);
    if (name == "fx_POSITION0" || name == "fx_SV_POSITION0") {
      name = "fxPosition";
      *positionOutput = name;
    }
    glsl.set_name(output.id, name);
  }
  return true;
}

// Uniform blocks become plain uniforms named fxVsGlobals.member (or
// fxPsGlobals), listed with the effect parameter each stands for; samplers
// are combined with their images and listed by name.
void NameUniformsAndSamplers(spirv_cross::CompilerGLSL& glsl,
                             const spirv_cross::ShaderResources& res,
                             bool vertex, CompiledStage* out) {
  const std::string globals = vertex ? "fxVsGlobals" : "fxPsGlobals";
  for (const auto& block : res.uniform_buffers) {
    glsl.set_name(block.id, globals);
    glsl.set_name(block.base_type_id, globals + "Type");
    const auto& type = glsl.get_type(block.base_type_id);
    for (uint32_t i = 0; i < type.member_types.size(); ++i) {
      const std::string member = glsl.get_member_name(block.base_type_id, i);
      out->uniforms.emplace_back(globals + "." + member, member);
    }
  }
  if (!res.separate_images.empty()) {
    glsl.build_combined_image_samplers();
    for (const auto& remap : glsl.get_combined_image_samplers())
      glsl.set_name(remap.combined_id, glsl.get_name(remap.sampler_id));
  }
  for (const auto& sampler : glsl.get_shader_resources().sampled_images)
    out->samplers.push_back(glsl.get_name(sampler.id));
  for (const auto& remap : glsl.get_combined_image_samplers())
    out->samplers.push_back(glsl.get_name(remap.combined_id));
}

// SPIR-V to GLSL 330 with the names the device's programmable path binds.
bool SpirvToGlsl(std::vector<uint32_t> spirv, bool vertex,
                 const std::string& header, CompiledStage* out,
                 std::string* errors) {
  try {
    spirv_cross::CompilerGLSL glsl(std::move(spirv));
    const spirv_cross::ShaderResources res = glsl.get_shader_resources();
    std::string positionOutput;
    if (vertex) {
      if (!NameVertexInterface(glsl, res, header, out, &positionOutput, errors))
        return false;
    } else {
      for (const auto& input : res.stage_inputs) {
        const std::string semantic = glsl.get_decoration_string(
            input.id, spv::DecorationHlslSemanticGOOGLE);
        glsl.set_name(input.id, VaryingName(semantic));
      }
    }
    NameUniformsAndSamplers(glsl, res, vertex, out);

    spirv_cross::CompilerGLSL::Options options;
    options.version = 330;
    options.es = false;
    options.enable_420pack_extension = false;
    options.emit_uniform_buffer_as_plain_uniforms = true;
    glsl.set_common_options(options);
    std::string code = glsl.compile();
    if (!positionOutput.empty()) {
      // A DX9 POSITION output is an ordinary varying to glslang; copy it
      // into gl_Position after the program's own main.
      code = std::regex_replace(code, std::regex(R"(\bout vec4 fxPosition;)"),
                                "vec4 fxPosition;");
      code = std::regex_replace(code, std::regex(R"(\bvoid main\(\))"),
                                "void fxMain()");
      code +=
          "\nvoid main()\n{\n    fxMain();\n    gl_Position = fxPosition;\n}\n";
    }
    out->glsl = std::move(code);
  } catch (const std::exception& e) {
    *errors = header + " SPIRV-Cross: " + e.what();
    return false;
  }
  return true;
}

}  // namespace

bool CompileEffectStage(const std::string& hlsl, const std::string& entry,
                        const std::string& profile, CompiledStage* out,
                        std::string* errors) {
  InitializeOnce();
  const bool vertex = profile.compare(0, 3, "vs_") == 0;
  if (!vertex && profile.compare(0, 3, "ps_") != 0) {
    *errors = "unknown shader profile " + profile;
    return false;
  }
  const std::string header = std::string(vertex ? "vertex" : "pixel") +
                             " program " + entry + " (" + profile + "):";
  std::vector<uint32_t> spirv;
  return HlslToSpirv(hlsl, entry, vertex, header, &spirv, errors) &&
         SpirvToGlsl(std::move(spirv), vertex, header, out, errors);
}
