// Compiling and linking GLSL with readable failures: the log names the
// stage and lists the source with line numbers.
#pragma once

#include <epoxy/gl.h>

#include <string>

namespace gfx {

// Returns the linked program, or 0 with the reason in *log.
// An empty geometrySource builds a program without a geometry stage.
GLuint BuildProgram(const std::string& vertexSource,
                    const std::string& fragmentSource, std::string* log,
                    const std::string& geometrySource = std::string());

}  // namespace gfx
