#include "platform/gfx/ffp_program_cache.h"

#include <cstdio>
#include <string>

#include "platform/gfx/ffp_shader_source.h"
#include "platform/gfx/gl_check.h"
#include "platform/gfx/gl_state_cache.h"
#include "platform/gfx/shader_compile.h"

namespace gfx {

GLuint FixedFunctionProgramCache::Get(const FixedFunctionKey& key,
                                      GlStateCache* cache) {
  auto found = programs_.find(key);
  if (found != programs_.end()) return found->second;
  std::string log;
  GLuint program =
      BuildProgram(GenerateVertexSource(key), GenerateFragmentSource(key), &log,
                   GenerateGeometrySource(key));
  if (!program) {
    std::fprintf(stderr, "fixed-function program: %s\n", log.c_str());
  } else {
    GLuint block = glGetUniformBlockIndex(program, "FixedFunction");
    if (block != GL_INVALID_INDEX)
      GL_CHECK(
          glUniformBlockBinding(program, block, kFixedFunctionBlockBinding));
    cache->UseProgram(program);
    for (int stage = 0; stage < kFixedFunctionStages; ++stage) {
      std::string name = "stageTexture" + std::to_string(stage);
      GLint location = glGetUniformLocation(program, name.c_str());
      if (location >= 0) GL_CHECK(glUniform1i(location, stage));
    }
  }
  programs_.emplace(key, program);
  return program;
}

void FixedFunctionProgramCache::Clear(GlStateCache* cache) {
  for (auto& entry : programs_) {
    if (!entry.second) continue;
    cache->ForgetProgram(entry.second);
    GL_CHECK(glDeleteProgram(entry.second));
  }
  programs_.clear();
}

}  // namespace gfx
