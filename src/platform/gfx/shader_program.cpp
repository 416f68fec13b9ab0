#include "platform/gfx/shader_program.h"

#include <cstring>
#include <regex>

#include "platform/gfx/device.h"
#include "platform/gfx/ffp_shader_source.h"
#include "platform/gfx/gl_check.h"
#include "platform/gfx/gl_state_cache.h"
#include "platform/gfx/shader_compile.h"

namespace gfx {

ShaderProgram::ShaderProgram(Device* device, const ShaderProgramDesc& desc)
    : DeviceChild(device), desc_(desc) {}

ShaderProgram::~ShaderProgram() {
  GlStateCache* cache = device()->cache();
  device()->ForgetVertexInput();
  for (Block& block : blocks_)
    if (block.buffer) GL_CHECK(glDeleteBuffers(1, &block.buffer));
  if (program_) {
    cache->ForgetProgram(program_);
    GL_CHECK(glDeleteProgram(program_));
  }
}

bool ShaderProgram::WrapVertexSource(const std::string& source,
                                     std::string* out) {
  static const std::regex kMain(R"(\bvoid\s+main\s*\()");
  if (!std::regex_search(source, kMain)) return false;
  *out = std::regex_replace(source, kMain, "void quorbelUserMain(");
  *out += "\nuniform vec4 quorbelViewport;\n";
  *out += PositionFixupSource();
  *out +=
      "void main() {\n"
      "  quorbelUserMain();\n"
      "  gl_Position = FixupPosition(gl_Position, quorbelViewport);\n"
      "}\n";
  return true;
}

bool ShaderProgram::Build(std::string* log) {
  std::string vertex;
  if (!WrapVertexSource(desc_.vertexSource, &vertex)) {
    if (log) *log = "vertex program has no main()";
    return false;
  }
  program_ = BuildProgram(vertex, desc_.pixelSource, log);
  if (!program_) return false;
  GlStateCache* cache = device()->cache();
  cache->UseProgram(program_);
  viewportLocation_ = glGetUniformLocation(program_, "quorbelViewport");
  for (const ShaderSamplerBinding& sampler : desc_.samplers) {
    GLint location = glGetUniformLocation(program_, sampler.name.c_str());
    if (location >= 0)
      GL_CHECK(glUniform1i(location, static_cast<GLint>(sampler.stage)));
  }
  Introspect();
  return true;
}

namespace {
int ComponentsOf(GLenum type) {
  switch (type) {
    case GL_FLOAT:
      return 1;
    case GL_FLOAT_VEC2:
      return 2;
    case GL_FLOAT_VEC3:
      return 3;
    case GL_FLOAT_VEC4:
      return 4;
    case GL_FLOAT_MAT4:
      return 16;
    default:
      return 0;  // samplers, integers, other matrices: not settable
  }
}
}  // namespace

void ShaderProgram::Introspect() {
  GLint blockCount = 0;
  glGetProgramiv(program_, GL_ACTIVE_UNIFORM_BLOCKS, &blockCount);
  std::vector<std::string> blockNames;
  for (GLint b = 0; b < blockCount; ++b) {
    Block block;
    block.index = static_cast<GLuint>(b);
    block.binding = kFirstProgramBlockBinding + static_cast<GLuint>(b);
    GLint size = 0;
    glGetActiveUniformBlockiv(program_, block.index, GL_UNIFORM_BLOCK_DATA_SIZE,
                              &size);
    block.bytes.assign(static_cast<size_t>(size), 0);
    GL_CHECK(glUniformBlockBinding(program_, block.index, block.binding));
    GL_CHECK(glGenBuffers(1, &block.buffer));
    char name[256];
    glGetActiveUniformBlockName(program_, block.index, sizeof name, nullptr,
                                name);
    blockNames.emplace_back(name);
    blocks_.push_back(std::move(block));
  }

  GLint count = 0;
  glGetProgramiv(program_, GL_ACTIVE_UNIFORMS, &count);
  for (GLint u = 0; u < count; ++u) {
    GLuint index = static_cast<GLuint>(u);
    char name[256];
    GLint size = 0;
    GLenum type = 0;
    glGetActiveUniform(program_, index, sizeof name, nullptr, &size, &type,
                       name);
    int components = ComponentsOf(type);
    if (components == 0) continue;
    Uniform uniform;
    uniform.type = type;
    uniform.size = size;
    uniform.components = components;
    GLint blockIndex = -1;
    glGetActiveUniformsiv(program_, 1, &index, GL_UNIFORM_BLOCK_INDEX,
                          &blockIndex);
    if (blockIndex >= 0) {
      uniform.block = blockIndex;
      glGetActiveUniformsiv(program_, 1, &index, GL_UNIFORM_OFFSET,
                            &uniform.offset);
      glGetActiveUniformsiv(program_, 1, &index, GL_UNIFORM_ARRAY_STRIDE,
                            &uniform.arrayStride);
      glGetActiveUniformsiv(program_, 1, &index, GL_UNIFORM_MATRIX_STRIDE,
                            &uniform.matrixStride);
      GLint rowMajor = 0;
      glGetActiveUniformsiv(program_, 1, &index, GL_UNIFORM_IS_ROW_MAJOR,
                            &rowMajor);
      uniform.rowMajor = rowMajor != 0;
    } else {
      uniform.location = glGetUniformLocation(program_, name);
      uniform.values.assign(static_cast<size_t>(size) * components, 0.0f);
    }
    std::string full = name;
    size_t slot = uniforms_.size();
    uniforms_.push_back(std::move(uniform));
    byName_[full] = slot;
    // Arrays answer to their bare name as well as "name[0]".
    if (full.size() > 3 && full.compare(full.size() - 3, 3, "[0]") == 0)
      byName_[full.substr(0, full.size() - 3)] = slot;
    // Members of a block without an instance name answer to
    // "Block.member" too.
    if (blockIndex >= 0 && full.find('.') == std::string::npos) {
      std::string qualified = blockNames[blockIndex] + "." + full;
      byName_[qualified] = slot;
      if (qualified.size() > 3 &&
          qualified.compare(qualified.size() - 3, 3, "[0]") == 0)
        byName_[qualified.substr(0, qualified.size() - 3)] = slot;
    }
  }
}

HRESULT ShaderProgram::SetUniformFloats(const char* name, const float* values,
                                        UINT floatCount) {
  if (!name || !values || floatCount == 0) return D3DERR_INVALIDCALL;
  auto found = byName_.find(name);
  if (found == byName_.end()) return D3DERR_INVALIDCALL;
  Uniform& u = uniforms_[found->second];
  UINT per = static_cast<UINT>(u.components);
  if (floatCount % per != 0 || floatCount / per > static_cast<UINT>(u.size))
    return D3DERR_INVALIDCALL;
  UINT elements = floatCount / per;
  if (u.block < 0) {
    std::memcpy(u.values.data(), values, floatCount * sizeof(float));
    u.dirty = true;
  } else {
    Block& block = blocks_[u.block];
    uint8_t* base = block.bytes.data();
    for (UINT e = 0; e < elements; ++e) {
      const float* src = values + e * per;
      size_t at = static_cast<size_t>(u.offset) + e * u.arrayStride;
      if (per == 16) {
        // GLSL column j holds floats 4j..4j+3, as glUniformMatrix4fv with
        // transpose GL_FALSE would give; a row-major member stores it
        // transposed.
        for (int j = 0; j < 4; ++j)
          for (int i = 0; i < 4; ++i) {
            size_t where = u.rowMajor ? at + i * u.matrixStride + j * 4
                                      : at + j * u.matrixStride + i * 4;
            std::memcpy(base + where, &src[j * 4 + i], 4);
          }
      } else {
        std::memcpy(base + at, src, per * sizeof(float));
      }
    }
    block.dirty = true;
  }
  anyDirty_ = true;
  return S_OK;
}

void ShaderProgram::Prepare(GlStateCache* cache, const float viewport[4]) {
  cache->UseProgram(program_);
  if (viewportLocation_ >= 0 &&
      std::memcmp(lastViewport_, viewport, sizeof lastViewport_) != 0) {
    std::memcpy(lastViewport_, viewport, sizeof lastViewport_);
    GL_CHECK(glUniform4fv(viewportLocation_, 1, viewport));
  }
  if (anyDirty_) {
    for (Uniform& u : uniforms_) {
      if (!u.dirty) continue;
      u.dirty = false;
      GLsizei n = u.size;
      switch (u.components) {
        case 1:
          GL_CHECK(glUniform1fv(u.location, n, u.values.data()));
          break;
        case 2:
          GL_CHECK(glUniform2fv(u.location, n, u.values.data()));
          break;
        case 3:
          GL_CHECK(glUniform3fv(u.location, n, u.values.data()));
          break;
        case 4:
          GL_CHECK(glUniform4fv(u.location, n, u.values.data()));
          break;
        case 16:
          GL_CHECK(
              glUniformMatrix4fv(u.location, n, GL_FALSE, u.values.data()));
          break;
      }
    }
  }
  for (Block& block : blocks_) {
    if (block.dirty) {
      GL_CHECK(glBindBuffer(GL_UNIFORM_BUFFER, block.buffer));
      GL_CHECK(glBufferData(GL_UNIFORM_BUFFER, block.bytes.size(),
                            block.bytes.data(), GL_DYNAMIC_DRAW));
      block.dirty = false;
    }
    GL_CHECK(glBindBufferBase(GL_UNIFORM_BUFFER, block.binding, block.buffer));
  }
  anyDirty_ = false;
}

}  // namespace gfx
