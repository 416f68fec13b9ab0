#include "platform/gfx/shader_compile.h"

#include <cstdio>
#include <vector>

#include "platform/gfx/gl_check.h"

namespace gfx {
namespace {

std::string Numbered(const std::string& source) {
  std::string out;
  int line = 1;
  size_t start = 0;
  while (start <= source.size()) {
    size_t end = source.find('\n', start);
    if (end == std::string::npos) end = source.size();
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "%4d: ", line++);
    out += prefix;
    out.append(source, start, end - start);
    out += '\n';
    start = end + 1;
  }
  return out;
}

GLuint Compile(GLenum type, const std::string& source, std::string* log) {
  GLuint shader = glCreateShader(type);
  const char* text = source.c_str();
  GL_CHECK(glShaderSource(shader, 1, &text, nullptr));
  GL_CHECK(glCompileShader(shader));
  GLint ok = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (ok) return shader;
  GLint length = 0;
  glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
  std::vector<char> info(length > 0 ? length : 1, '\0');
  glGetShaderInfoLog(shader, static_cast<GLsizei>(info.size()), nullptr,
                     info.data());
  if (log) {
    *log = type == GL_VERTEX_SHADER ? "vertex program (GLSL 330) failed:\n"
           : type == GL_GEOMETRY_SHADER
               ? "geometry program (GLSL 330) failed:\n"
               : "pixel program (GLSL 330) failed:\n";
    *log += info.data();
    *log += "\n";
    *log += Numbered(source);
  }
  glDeleteShader(shader);
  return 0;
}

}  // namespace

GLuint BuildProgram(const std::string& vertexSource,
                    const std::string& fragmentSource, std::string* log,
                    const std::string& geometrySource) {
  GLuint vs = Compile(GL_VERTEX_SHADER, vertexSource, log);
  if (!vs) return 0;
  GLuint gs = 0;
  if (!geometrySource.empty()) {
    gs = Compile(GL_GEOMETRY_SHADER, geometrySource, log);
    if (!gs) {
      glDeleteShader(vs);
      return 0;
    }
  }
  GLuint fs = Compile(GL_FRAGMENT_SHADER, fragmentSource, log);
  if (!fs) {
    glDeleteShader(vs);
    if (gs) glDeleteShader(gs);
    return 0;
  }
  GLuint program = glCreateProgram();
  GL_CHECK(glAttachShader(program, vs));
  if (gs) GL_CHECK(glAttachShader(program, gs));
  GL_CHECK(glAttachShader(program, fs));
  GL_CHECK(glLinkProgram(program));
  glDeleteShader(vs);
  if (gs) glDeleteShader(gs);
  glDeleteShader(fs);
  GLint ok = GL_FALSE;
  glGetProgramiv(program, GL_LINK_STATUS, &ok);
  if (ok) return program;
  GLint length = 0;
  glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
  std::vector<char> info(length > 0 ? length : 1, '\0');
  glGetProgramInfoLog(program, static_cast<GLsizei>(info.size()), nullptr,
                      info.data());
  if (log) {
    *log = "linking failed:\n";
    *log += info.data();
    *log += "\nvertex program:\n" + Numbered(vertexSource);
    *log += "pixel program:\n" + Numbered(fragmentSource);
  }
  glDeleteProgram(program);
  return 0;
}

}  // namespace gfx
