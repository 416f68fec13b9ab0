// A shadow of the GL state the device sets: each setter compares with the
// last value it issued and calls GL only on a change. Invalidate() forgets
// everything (after code outside the device touched GL); callCount() counts
// the GL calls actually made, so tests can see that repeating a state is
// free.
#pragma once

#include <epoxy/gl.h>

#include <cstdint>

namespace gfx {

class GlStateCache {
 public:
  static constexpr int kTextureUnits = 8;

  GlStateCache() { Invalidate(); }

  void Invalidate();
  uint64_t callCount() const { return calls_; }

  void Blend(bool on);
  void DepthTest(bool on);
  void CullFace(bool on);
  void ScissorTest(bool on);
  void BlendFunc(GLenum src, GLenum dst);
  void BlendEquation(GLenum op);
  void BlendColor(const float rgba[4]);
  void DepthFunc(GLenum func);
  void DepthMask(bool on);
  void ColorMask(
      uint32_t mask);  // Direct3D's COLORWRITEENABLE bits: R1 G2 B4 A8
  void PolygonMode(GLenum mode);
  void FrontFace(GLenum face);
  void UseProgram(GLuint program);
  void BindVertexArray(GLuint vao);
  void BindArrayBuffer(GLuint buffer);
  void BindElementBuffer(GLuint buffer);  // part of the bound vertex array
  void BindTexture(int unit, GLuint texture);
  // Binds and also makes `unit` the active one, for the calls that edit
  // the texture bound there (glTexImage2D, glTexSubImage2D,
  // glTexParameteri): they act on the active unit, which BindTexture
  // leaves alone when the texture is already bound.
  void SelectTexture(int unit, GLuint texture);
  void BindSampler(int unit, GLuint sampler);
  void BindDrawFramebuffer(GLuint framebuffer);
  void BindReadFramebuffer(GLuint framebuffer);
  void Viewport(GLint x, GLint y, GLsizei width, GLsizei height);
  void Scissor(GLint x, GLint y, GLsizei width, GLsizei height);
  void DepthRange(float nearZ, float farZ);

  // The names GL reuses after deletion must not look bound.
  void ForgetTexture(GLuint texture);
  void ForgetBuffer(GLuint buffer);
  void ForgetProgram(GLuint program);
  void ForgetFramebuffer(GLuint framebuffer);

 private:
  void ActiveTexture(int unit);
  // Unknown cached values are kUnknown, which no GL value equals.
  static constexpr uint32_t kUnknown = 0xFFFFFFFFu;

  uint64_t calls_ = 0;
  uint32_t blend_, depthTest_, cullFace_, scissorTest_;
  uint32_t blendSrc_, blendDst_, blendOp_;
  float blendColor_[4];
  bool blendColorKnown_;
  uint32_t depthFunc_, depthMask_, colorMask_, polygonMode_, frontFace_;
  uint32_t program_, vertexArray_, arrayBuffer_, elementBuffer_;
  uint32_t activeUnit_;
  uint32_t textures_[kTextureUnits];
  uint32_t samplers_[kTextureUnits];
  uint32_t drawFramebuffer_, readFramebuffer_;
  GLint viewport_[4];
  GLint scissor_[4];
  bool viewportKnown_, scissorKnown_;
  float depthRange_[2];
  bool depthRangeKnown_;
};

}  // namespace gfx
