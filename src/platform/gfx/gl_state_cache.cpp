#include "platform/gfx/gl_state_cache.h"

#include "platform/gfx/gl_check.h"

namespace gfx {

void GlStateCache::Invalidate() {
  blend_ = depthTest_ = cullFace_ = scissorTest_ = kUnknown;
  blendSrc_ = blendDst_ = blendOp_ = kUnknown;
  blendColorKnown_ = false;
  depthFunc_ = depthMask_ = colorMask_ = polygonMode_ = frontFace_ = kUnknown;
  program_ = vertexArray_ = arrayBuffer_ = elementBuffer_ = kUnknown;
  activeUnit_ = kUnknown;
  for (int i = 0; i < kTextureUnits; ++i)
    textures_[i] = samplers_[i] = kUnknown;
  drawFramebuffer_ = readFramebuffer_ = kUnknown;
  viewportKnown_ = scissorKnown_ = depthRangeKnown_ = false;
}

namespace {
void SetCap(GLenum cap, bool on, uint32_t* cached, uint64_t* calls) {
  uint32_t value = on ? 1 : 0;
  if (*cached == value) return;
  *cached = value;
  ++*calls;
  if (on) {
    GL_CHECK(glEnable(cap));
  } else {
    GL_CHECK(glDisable(cap));
  }
}
}  // namespace

void GlStateCache::Blend(bool on) { SetCap(GL_BLEND, on, &blend_, &calls_); }
void GlStateCache::DepthTest(bool on) {
  SetCap(GL_DEPTH_TEST, on, &depthTest_, &calls_);
}
void GlStateCache::CullFace(bool on) {
  SetCap(GL_CULL_FACE, on, &cullFace_, &calls_);
}
void GlStateCache::ScissorTest(bool on) {
  SetCap(GL_SCISSOR_TEST, on, &scissorTest_, &calls_);
}

void GlStateCache::BlendFunc(GLenum src, GLenum dst) {
  if (blendSrc_ == src && blendDst_ == dst) return;
  blendSrc_ = src;
  blendDst_ = dst;
  ++calls_;
  GL_CHECK(glBlendFunc(src, dst));
}

void GlStateCache::BlendEquation(GLenum op) {
  if (blendOp_ == op) return;
  blendOp_ = op;
  ++calls_;
  GL_CHECK(glBlendEquation(op));
}

void GlStateCache::BlendColor(const float rgba[4]) {
  if (blendColorKnown_ && blendColor_[0] == rgba[0] &&
      blendColor_[1] == rgba[1] && blendColor_[2] == rgba[2] &&
      blendColor_[3] == rgba[3])
    return;
  for (int i = 0; i < 4; ++i) blendColor_[i] = rgba[i];
  blendColorKnown_ = true;
  ++calls_;
  GL_CHECK(glBlendColor(rgba[0], rgba[1], rgba[2], rgba[3]));
}

void GlStateCache::DepthFunc(GLenum func) {
  if (depthFunc_ == func) return;
  depthFunc_ = func;
  ++calls_;
  GL_CHECK(glDepthFunc(func));
}

void GlStateCache::DepthMask(bool on) {
  uint32_t value = on ? 1 : 0;
  if (depthMask_ == value) return;
  depthMask_ = value;
  ++calls_;
  GL_CHECK(glDepthMask(on ? GL_TRUE : GL_FALSE));
}

void GlStateCache::ColorMask(uint32_t mask) {
  mask &= 0xF;
  if (colorMask_ == mask) return;
  colorMask_ = mask;
  ++calls_;
  GL_CHECK(glColorMask((mask & 1) != 0, (mask & 2) != 0, (mask & 4) != 0,
                       (mask & 8) != 0));
}

void GlStateCache::PolygonMode(GLenum mode) {
  if (polygonMode_ == mode) return;
  polygonMode_ = mode;
  ++calls_;
  GL_CHECK(glPolygonMode(GL_FRONT_AND_BACK, mode));
}

void GlStateCache::FrontFace(GLenum face) {
  if (frontFace_ == face) return;
  frontFace_ = face;
  ++calls_;
  GL_CHECK(glFrontFace(face));
}

void GlStateCache::UseProgram(GLuint program) {
  if (program_ == program) return;
  program_ = program;
  ++calls_;
  GL_CHECK(glUseProgram(program));
}

void GlStateCache::BindVertexArray(GLuint vao) {
  if (vertexArray_ == vao) return;
  vertexArray_ = vao;
  // The element buffer binding belongs to the vertex array.
  elementBuffer_ = kUnknown;
  ++calls_;
  GL_CHECK(glBindVertexArray(vao));
}

void GlStateCache::BindArrayBuffer(GLuint buffer) {
  if (arrayBuffer_ == buffer) return;
  arrayBuffer_ = buffer;
  ++calls_;
  GL_CHECK(glBindBuffer(GL_ARRAY_BUFFER, buffer));
}

void GlStateCache::BindElementBuffer(GLuint buffer) {
  if (elementBuffer_ == buffer) return;
  elementBuffer_ = buffer;
  ++calls_;
  GL_CHECK(glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffer));
}

void GlStateCache::ActiveTexture(int unit) {
  if (activeUnit_ == static_cast<uint32_t>(unit)) return;
  activeUnit_ = unit;
  ++calls_;
  GL_CHECK(glActiveTexture(GL_TEXTURE0 + unit));
}

void GlStateCache::BindTexture(int unit, GLuint texture) {
  if (textures_[unit] == texture) return;
  ActiveTexture(unit);
  textures_[unit] = texture;
  ++calls_;
  GL_CHECK(glBindTexture(GL_TEXTURE_2D, texture));
}

void GlStateCache::SelectTexture(int unit, GLuint texture) {
  ActiveTexture(unit);
  BindTexture(unit, texture);
}

void GlStateCache::BindSampler(int unit, GLuint sampler) {
  if (samplers_[unit] == sampler) return;
  samplers_[unit] = sampler;
  ++calls_;
  GL_CHECK(glBindSampler(unit, sampler));
}

void GlStateCache::BindDrawFramebuffer(GLuint framebuffer) {
  if (drawFramebuffer_ == framebuffer) return;
  drawFramebuffer_ = framebuffer;
  ++calls_;
  GL_CHECK(glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer));
}

void GlStateCache::BindReadFramebuffer(GLuint framebuffer) {
  if (readFramebuffer_ == framebuffer) return;
  readFramebuffer_ = framebuffer;
  ++calls_;
  GL_CHECK(glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer));
}

void GlStateCache::Viewport(GLint x, GLint y, GLsizei width, GLsizei height) {
  if (viewportKnown_ && viewport_[0] == x && viewport_[1] == y &&
      viewport_[2] == width && viewport_[3] == height)
    return;
  viewport_[0] = x;
  viewport_[1] = y;
  viewport_[2] = width;
  viewport_[3] = height;
  viewportKnown_ = true;
  ++calls_;
  GL_CHECK(glViewport(x, y, width, height));
}

void GlStateCache::Scissor(GLint x, GLint y, GLsizei width, GLsizei height) {
  if (scissorKnown_ && scissor_[0] == x && scissor_[1] == y &&
      scissor_[2] == width && scissor_[3] == height)
    return;
  scissor_[0] = x;
  scissor_[1] = y;
  scissor_[2] = width;
  scissor_[3] = height;
  scissorKnown_ = true;
  ++calls_;
  GL_CHECK(glScissor(x, y, width, height));
}

void GlStateCache::DepthRange(float nearZ, float farZ) {
  if (depthRangeKnown_ && depthRange_[0] == nearZ && depthRange_[1] == farZ)
    return;
  depthRange_[0] = nearZ;
  depthRange_[1] = farZ;
  depthRangeKnown_ = true;
  ++calls_;
  GL_CHECK(glDepthRange(nearZ, farZ));
}

void GlStateCache::ForgetTexture(GLuint texture) {
  for (uint32_t& t : textures_)
    if (t == texture) t = kUnknown;
}

void GlStateCache::ForgetBuffer(GLuint buffer) {
  if (arrayBuffer_ == buffer) arrayBuffer_ = kUnknown;
  if (elementBuffer_ == buffer) elementBuffer_ = kUnknown;
}

void GlStateCache::ForgetProgram(GLuint program) {
  if (program_ == program) program_ = kUnknown;
}

void GlStateCache::ForgetFramebuffer(GLuint framebuffer) {
  if (drawFramebuffer_ == framebuffer) drawFramebuffer_ = kUnknown;
  if (readFramebuffer_ == framebuffer) readFramebuffer_ = kUnknown;
}

}  // namespace gfx
