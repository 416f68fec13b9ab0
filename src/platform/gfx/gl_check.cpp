#include "platform/gfx/gl_check.h"

#include <atomic>
#include <cstdio>

namespace gfx {
namespace {
std::atomic<uint64_t> errorCount{0};
}  // namespace

bool CheckGlError(const char* call, const char* file, int line) {
  bool any = false;
  // glGetError returns one flag per call; drain them all so one failing
  // call does not get blamed on the next one.
  for (GLenum error = glGetError(); error != GL_NO_ERROR;
       error = glGetError()) {
    std::fprintf(stderr, "GL error 0x%04x after %s (%s:%d)\n", error, call,
                 file, line);
    ++errorCount;
    any = true;
  }
  return any;
}

uint64_t GlErrorCount() { return errorCount.load(); }

}  // namespace gfx
