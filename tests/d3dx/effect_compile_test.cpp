// The effect parser and the HLSL -> GLSL compilation, without a device.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "platform/d3dx/effect_compiler.h"
#include "platform/d3dx/effect_description.h"

namespace {

std::string ReadAsset(const char* name) {
  std::ifstream in(std::string(QUORBEL_SOURCE_DIR) + "/assets/" + name,
                   std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(EffectParser, GlowShapeParametersSamplersAndPasses) {
  const std::string text = ReadAsset("glow.fx");
  ASSERT_FALSE(text.empty());
  EffectDescription fx;
  std::string reason;
  ASSERT_TRUE(ParseEffect(text, &fx, &reason)) << reason;
  ASSERT_EQ(fx.techniques.size(), 1u);
  EXPECT_EQ(fx.techniques[0].name, "T0");
  ASSERT_EQ(fx.techniques[0].passes.size(), 5u);
  const EffectPass& p4 = fx.techniques[0].passes[4];
  ASSERT_EQ(p4.annotations.size(), 1u);
  EXPECT_EQ(p4.annotations[0].name, "renderStage");
  EXPECT_EQ(p4.annotations[0].value, "post");
  bool sawMatrix = false;
  for (const auto& p : fx.parameters) {
    if (p.name == "texTrans") {
      sawMatrix = true;
      EXPECT_EQ(p.semantic, "WorldProjection");
      EXPECT_EQ(p.floatCount, 16);
    }
  }
  EXPECT_TRUE(sawMatrix);
  ASSERT_EQ(fx.samplers.size(), 1u);
  EXPECT_EQ(fx.samplers[0].name, "GlowSampler");
  // The compiler's HLSL has the same lines, techniques blanked.
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'),
            std::count(fx.hlsl.begin(), fx.hlsl.end(), '\n'));
  EXPECT_EQ(fx.hlsl.find("technique"), std::string::npos);
  EXPECT_EQ(fx.hlsl.find("sampler_state"), std::string::npos);
}

TEST(EffectCompiler, GlowEntryPointsCompileToGlsl330) {
  EffectDescription fx;
  std::string reason;
  ASSERT_TRUE(ParseEffect(ReadAsset("glow.fx"), &fx, &reason)) << reason;
  for (const char* vs :
       {"glowVSHorizontal1", "glowVSHorizontal2", "glowVSVertical1",
        "glowVSVertical2", "outputGlowVS"}) {
    CompiledStage stage;
    ASSERT_TRUE(CompileEffectStage(fx.hlsl, vs, "vs_1_1", &stage, &reason))
        << reason;
    if (std::getenv("QUORBEL_PRINT_GLSL")) std::cout << stage.glsl;
    EXPECT_EQ(stage.glsl.rfind("#version 330", 0), 0u);
    EXPECT_NE(stage.glsl.find("gl_Position = fxPosition"), std::string::npos);
    ASSERT_EQ(stage.attributes.size(), 2u) << vs;
    EXPECT_EQ(stage.attributes[0].usage, D3DDECLUSAGE_POSITION);
    EXPECT_EQ(stage.attributes[1].usage, D3DDECLUSAGE_TEXCOORD);
    bool matrix = false;
    for (const auto& [glslName, param] : stage.uniforms)
      matrix |= param == "texTrans" && glslName == "fxVsGlobals.texTrans";
    EXPECT_TRUE(matrix) << stage.glsl;
  }
  CompiledStage ps;
  ASSERT_TRUE(CompileEffectStage(fx.hlsl, "glowPS", "ps_1_1", &ps, &reason))
      << reason;
  if (std::getenv("QUORBEL_PRINT_GLSL")) std::cout << ps.glsl;
  ASSERT_EQ(ps.samplers.size(), 1u);
  EXPECT_EQ(ps.samplers[0], "GlowSampler");
  // Varyings meet by semantic.
  EXPECT_NE(ps.glsl.find("fx_TEXCOORD3"), std::string::npos) << ps.glsl;
  EXPECT_EQ(ps.glsl.find("uniform struct"), std::string::npos);
}

TEST(EffectCompiler, ErrorsShowStageProfileAndSourceLines) {
  const std::string hlsl =
      "float4x4 m;\n"
      "float4 vs(float4 p : POSITION) : POSITION\n"
      "{\n"
      "  return mul(p, undefinedThing);\n"
      "}\n";
  CompiledStage stage;
  std::string errors;
  EXPECT_FALSE(CompileEffectStage(hlsl, "vs", "vs_2_0", &stage, &errors));
  EXPECT_NE(errors.find("vertex program vs (vs_2_0)"), std::string::npos)
      << errors;
  EXPECT_NE(errors.find("undefinedThing"), std::string::npos) << errors;
  EXPECT_NE(errors.find("> 4 |   return mul(p, undefinedThing);"),
            std::string::npos)
      << errors;
  EXPECT_FALSE(CompileEffectStage(hlsl, "vs", "gs_4_0", &stage, &errors));
}

TEST(EffectParser, MalformedTextGivesLineAndColumn) {
  struct Case {
    const char* text;
    const char* part;
  } cases[] = {
      {"technique T { pass P { AlphaBlendEnable = true } }", "line 1:"},
      {"float x;\n/* never closed", "line 2:1"},
      {"technique T { pass P < string a = \"x\" > { } }", "';'"},
      {"sampler S = sampler_state { Texture = <t>; ", "line 1:"},
      {"float f(float a) { return a; ", "missing '}'"},
  };
  for (const Case& c : cases) {
    EffectDescription fx;
    std::string reason;
    EXPECT_FALSE(ParseEffect(c.text, &fx, &reason)) << c.text;
    EXPECT_NE(reason.find(c.part), std::string::npos)
        << c.text << " -> " << reason;
  }
  // Deep nesting is refused rather than recursed into.
  std::string deep = "float f() ";
  for (int i = 0; i < 100000; ++i) deep += "{";
  EffectDescription fx;
  std::string reason;
  EXPECT_FALSE(ParseEffect(deep, &fx, &reason));
}

}  // namespace
