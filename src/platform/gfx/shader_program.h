// A program of the programmable path: the caller's GLSL 330 vertex and
// pixel programs, linked with the device's position fix-up.
//
// The vertex program's main() is renamed and called from a main() of the
// device's own, which takes gl_Position as Direct3D clip space and applies
// the same fix-up as the fixed-function programs (half-pixel offset, y
// flip for top-row-first targets, z from [0, w] to [-w, w]). The uniform
// "quorbelViewport" and the function "FixupPosition" are reserved.
//
// Uniform values live on the CPU and reach GL at the next draw that uses
// the program: plain uniforms through glUniform*, block members through
// one uniform buffer per block (bound at binding points from
// kFirstProgramBlockBinding on).
#pragma once

#include <epoxy/gl.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "platform/gfx/device_child.h"

namespace gfx {

class GlStateCache;

constexpr GLuint kFirstProgramBlockBinding = 1;

class ShaderProgram : public DeviceChild<IDirect3DShaderProgram9> {
 public:
  ShaderProgram(Device* device, const ShaderProgramDesc& desc);

  // Compiles and links; false with the reason in *log.
  bool Build(std::string* log);

  HRESULT SetUniformFloats(const char* name, const float* values,
                           UINT floatCount) override;

  const std::vector<ShaderAttributeBinding>& attributes() const {
    return desc_.attributes;
  }
  GLuint glProgram() const { return program_; }

  // Window thread, at draw: makes the program current and sends the
  // uniforms that changed. `viewport` is X, Y, width, height in pixels.
  void Prepare(GlStateCache* cache, const float viewport[4]);

  // Rewrites a vertex program so that the device's fix-up runs after it;
  // false when the source has no main().
  static bool WrapVertexSource(const std::string& source, std::string* out);

 private:
  struct Uniform {
    GLenum type;
    GLint size;           // array length
    int components;       // floats per element: 1..4, or 16 for mat4
    GLint location = -1;  // plain uniforms
    int block = -1;       // index into blocks_ for block members
    GLint offset = 0;
    GLint arrayStride = 0;
    GLint matrixStride = 0;
    bool rowMajor = false;
    std::vector<float> values;  // plain uniforms: size * components floats
    bool dirty = false;
  };
  struct Block {
    GLuint index;
    GLuint binding;
    GLuint buffer = 0;
    std::vector<uint8_t> bytes;
    bool dirty = true;
  };

  ~ShaderProgram() override;
  void Introspect();

  ShaderProgramDesc desc_;
  GLuint program_ = 0;
  GLint viewportLocation_ = -1;
  float lastViewport_[4] = {-1.0f, -1.0f, -1.0f, -1.0f};
  std::unordered_map<std::string, size_t> byName_;
  std::vector<Uniform> uniforms_;
  std::vector<Block> blocks_;
  bool anyDirty_ = false;
};

}  // namespace gfx
