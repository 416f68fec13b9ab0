// Debug-build checking of GL calls. GL_CHECK(call) runs the call and, in
// builds without NDEBUG, reads glGetError afterwards and reports the call
// text, file and line on stderr. Release builds run the bare call.
#pragma once

#include <epoxy/gl.h>

#include <cstdint>

namespace gfx {

// Reports (and counts) a pending GL error; returns true when there was one.
bool CheckGlError(const char* call, const char* file, int line);

// How many GL errors CheckGlError has seen since start-up; tests compare it
// before and after a scene.
uint64_t GlErrorCount();

}  // namespace gfx

#ifndef NDEBUG
#define GL_CHECK(call)                              \
  do {                                              \
    call;                                           \
    ::gfx::CheckGlError(#call, __FILE__, __LINE__); \
  } while (0)
#else
#define GL_CHECK(call) \
  do {                 \
    call;              \
  } while (0)
#endif
