// Draw calls and the draw-time translation of the dirty state groups.
#include <algorithm>
#include <cstring>

#include "platform/gfx/device.h"
#include "platform/gfx/ffp_alpha.h"
#include "platform/gfx/ffp_shader_source.h"
#include "platform/gfx/gl_check.h"
#include "platform/gfx/gl_differences.h"
#include "platform/gfx/index_buffer.h"
#include "platform/gfx/shader_program.h"
#include "platform/gfx/surface.h"
#include "platform/gfx/texture.h"
#include "platform/gfx/vertex_buffer.h"

namespace gfx {

namespace {

// Whether every vertex carries a diffuse colour of alpha 255 (a D3DCOLOR
// word: alpha is its high byte).
bool DiffuseAlphaOpaque(const FvfLayout& layout, const void* vertices,
                        UINT stride, UINT count) {
  if (layout.diffuse < 0) return false;
  const auto* bytes = static_cast<const uint8_t*>(vertices);
  for (UINT i = 0; i < count; ++i) {
    D3DCOLOR color;
    std::memcpy(&color,
                bytes + static_cast<size_t>(i) * stride + layout.diffuse,
                sizeof color);
    if ((color >> 24) != 0xFF) return false;
  }
  return true;
}

// How many whole vertices of `stride` bytes fit after `offset`.
UINT VerticesAvailable(UINT bufferSize, UINT offset, UINT stride,
                       UINT vertexSize) {
  if (offset > bufferSize || bufferSize - offset < vertexSize) return 0;
  return (bufferSize - offset - vertexSize) / stride + 1;
}

}  // namespace

HRESULT Device::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex,
                              UINT primitiveCount) {
  PrimitiveSetting primitive;
  if (primitiveCount == 0 || !PrimitiveToGl(type, primitiveCount, &primitive))
    return D3DERR_INVALIDCALL;
  VertexBuffer* buffer = state_.stream;
  FvfLayout layout;
  if (!buffer || !DecodeFvf(state_.fvf, &layout)) return D3DERR_INVALIDCALL;
  UINT stride = state_.streamStride;
  if (stride < layout.stride || buffer->storage().locked())
    return D3DERR_INVALIDCALL;
  UINT available = VerticesAvailable(
      buffer->storage().size(), state_.streamOffset, stride, layout.stride);
  if (startVertex > available ||
      primitive.vertexCount > available - startVertex)
    return D3DERR_INVALIDCALL;
  GLuint name = buffer->storage().Upload(&cache_, GL_ARRAY_BUFFER);
  HRESULT hr =
      PrepareDraw(type, layout, {name, stride, state_.streamOffset}, false);
  if (FAILED(hr)) return hr;
  GL_CHECK(glDrawArrays(primitive.mode, static_cast<GLint>(startVertex),
                        static_cast<GLsizei>(primitive.vertexCount)));
  ++stats_.draws;
  return S_OK;
}

HRESULT Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertexIndex,
                                     UINT /*minIndex*/, UINT /*numVertices*/,
                                     UINT startIndex, UINT primitiveCount) {
  PrimitiveSetting primitive;
  if (primitiveCount == 0 || !PrimitiveToGl(type, primitiveCount, &primitive))
    return D3DERR_INVALIDCALL;
  VertexBuffer* buffer = state_.stream;
  IndexBuffer* indices = state_.indices;
  FvfLayout layout;
  if (!buffer || !indices || !DecodeFvf(state_.fvf, &layout))
    return D3DERR_INVALIDCALL;
  UINT stride = state_.streamStride;
  if (stride < layout.stride || buffer->storage().locked() ||
      indices->storage().locked())
    return D3DERR_INVALIDCALL;
  // The indices actually used must stay inside the vertex buffer: GL would
  // read past its end where Direct3D's runtime refuses the call.
  UINT lowest, highest;
  if (!indices->IndexRange(startIndex, primitive.vertexCount, &lowest,
                           &highest))
    return D3DERR_INVALIDCALL;
  UINT available = VerticesAvailable(
      buffer->storage().size(), state_.streamOffset, stride, layout.stride);
  int64_t first = static_cast<int64_t>(baseVertexIndex) + lowest;
  int64_t last = static_cast<int64_t>(baseVertexIndex) + highest;
  if (first < 0 || last >= static_cast<int64_t>(available))
    return D3DERR_INVALIDCALL;
  GLuint name = buffer->storage().Upload(&cache_, GL_ARRAY_BUFFER);
  HRESULT hr =
      PrepareDraw(type, layout, {name, stride, state_.streamOffset}, false);
  if (FAILED(hr)) return hr;
  if (DrawsEdgeList(type)) {
    // Polygon mode stays set; it does not touch lines.
    indices->wireframeEdges().Bind(&cache_, indices->storage(),
                                   indices->indexSize(), startIndex,
                                   primitiveCount);
    GL_CHECK(glDrawElementsBaseVertex(
        GL_LINES, static_cast<GLsizei>(primitiveCount * 6), indices->glType(),
        nullptr, baseVertexIndex));
    ++stats_.draws;
    return S_OK;
  }
  indices->storage().Upload(&cache_, GL_ELEMENT_ARRAY_BUFFER);
  const void* offset = reinterpret_cast<const void*>(
      static_cast<uintptr_t>(startIndex) * indices->indexSize());
  GL_CHECK(glDrawElementsBaseVertex(
      primitive.mode, static_cast<GLsizei>(primitive.vertexCount),
      indices->glType(), offset, baseVertexIndex));
  ++stats_.draws;
  return S_OK;
}

HRESULT Device::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount,
                                const void* vertexData, UINT stride) {
  PrimitiveSetting primitive;
  FvfLayout layout;
  if (!vertexData || primitiveCount == 0 ||
      !PrimitiveToGl(type, primitiveCount, &primitive) ||
      !DecodeFvf(state_.fvf, &layout) || stride < layout.stride)
    return D3DERR_INVALIDCALL;
  UINT bytes = primitive.vertexCount * stride;
  if (!upBuffer_) GL_CHECK(glGenBuffers(1, &upBuffer_));
  cache_.BindArrayBuffer(upBuffer_);
  if (bytes > upBufferSize_) {
    upBufferSize_ = std::max(bytes, 64u * 1024u);
    GL_CHECK(
        glBufferData(GL_ARRAY_BUFFER, upBufferSize_, nullptr, GL_STREAM_DRAW));
  } else {
    // Orphan the old contents so the draw using them need not finish.
    GL_CHECK(
        glBufferData(GL_ARRAY_BUFFER, upBufferSize_, nullptr, GL_STREAM_DRAW));
  }
  GL_CHECK(glBufferSubData(GL_ARRAY_BUFFER, 0, bytes, vertexData));
  // The attribute arrays read this buffer, not stream 0. (New contents
  // under the same name need no new pointers: they name the buffer.)
  dirty_ |= kDirtyVertexInput;
  HRESULT hr = PrepareDraw(
      type, layout, {upBuffer_, stride, 0},
      DiffuseAlphaOpaque(layout, vertexData, stride, primitive.vertexCount));
  if (FAILED(hr)) return hr;
  GL_CHECK(glDrawArrays(primitive.mode, 0,
                        static_cast<GLsizei>(primitive.vertexCount)));
  ++stats_.draws;
  // As in Direct3D, stream 0 is unset afterwards; the next draw from a
  // stream points the attribute arrays back at it.
  Rebind<VertexBuffer>(state_.stream, nullptr);
  state_.streamOffset = state_.streamStride = 0;
  dirty_ |= kStreamGroups;
  return S_OK;
}

bool Device::DrawsEdgeList(D3DPRIMITIVETYPE type) const {
  // Culling needs the triangles' facing, which lines do not have: culled
  // wireframe stays with polygon mode.
  const DWORD* rs = state_.renderStates;
  return type == D3DPT_TRIANGLELIST &&
         rs[D3DRS_FILLMODE] == D3DFILL_WIREFRAME &&
         rs[D3DRS_CULLMODE] == D3DCULL_NONE;
}

HRESULT Device::PrepareDraw(D3DPRIMITIVETYPE type, const FvfLayout& layout,
                            const VertexSource& vertices,
                            bool vertexDiffuseOpaque) {
  bool points = type == D3DPT_POINTLIST;
  if (targetDirty_) BindRenderTargetFramebuffer();
  uint32_t dirty = dirty_;
  if (dirty & kDirtyViewport) ApplyViewport();
  if (dirty & kDirtyBlend) ApplyBlend();
  if (dirty & kDirtyDepth) ApplyDepth();
  if (dirty & kDirtyRaster) ApplyRaster();
  if (dirty & kDirtySamplers) ApplySamplers();
  ApplyTextures(dirty);
  if (!ApplyProgram(layout, points, vertexDiffuseOpaque))
    return D3DERR_DRIVERINTERNALERROR;
  ApplyBlendEnable();
  if (dirty & kDirtyVertexInput) ApplyVertexInput(layout, vertices);
  dirty_ = 0;
  if (points && !state_.program) {
    // Points become squares in the geometry program; fill mode and culling
    // are for triangles and must not touch them. The next draw restores
    // the raster state.
    cache_.PolygonMode(GL_FILL);
    cache_.CullFace(false);
    dirty_ = kDirtyRaster;
  }
  return S_OK;
}

void Device::ApplyBlend() {
  const DWORD* rs = state_.renderStates;
  GLenum src = BlendFactorToGl(rs[D3DRS_SRCBLEND]);
  GLenum dst = BlendFactorToGl(rs[D3DRS_DESTBLEND]);
  // The two older shorthands set both factors from SRCBLEND alone.
  if (rs[D3DRS_SRCBLEND] == D3DBLEND_BOTHSRCALPHA) {
    src = GL_SRC_ALPHA;
    dst = GL_ONE_MINUS_SRC_ALPHA;
  } else if (rs[D3DRS_SRCBLEND] == D3DBLEND_BOTHINVSRCALPHA) {
    src = GL_ONE_MINUS_SRC_ALPHA;
    dst = GL_SRC_ALPHA;
  }
  // Alpha takes the colour factors; writes are not converted to sRGB.
  static_assert(kSeparateAlphaBlendIgnored && kSrgbIgnored && kDitherIgnored);
  GLenum op = BlendOpToGl(rs[D3DRS_BLENDOP]);
  // Values Direct3D does not define fall back to its defaults.
  cache_.BlendFunc(src ? src : GL_ONE, dst ? dst : GL_ZERO);
  cache_.BlendEquation(op ? op : GL_FUNC_ADD);
  float color[4];
  ColorToFloats(rs[D3DRS_BLENDFACTOR], color);
  cache_.BlendColor(color);
}

void Device::ApplyBlendEnable() {
  const DWORD* rs = state_.renderStates;
  bool blend = rs[D3DRS_ALPHABLENDENABLE] != 0;
  // A blend that can only copy the source is left to GL as no blend: the
  // same pixels, and the target is not read. ONE / ZERO copies whatever
  // the alpha; SRCALPHA / INVSRCALPHA when the fixed-function alpha is
  // known to be one (ffp_alpha.h).
  if (blend) {
    const DWORD src = rs[D3DRS_SRCBLEND], dst = rs[D3DRS_DESTBLEND];
    const DWORD op = rs[D3DRS_BLENDOP];
    if (op == D3DBLENDOP_ADD && src == D3DBLEND_ONE && dst == D3DBLEND_ZERO) {
      blend = false;
    } else if (!state_.program && alphaIsOne_ &&
               BlendCopiesOpaqueSource(src, dst, op)) {
      blend = false;
    }
  }
  cache_.Blend(blend);
}

void Device::ApplyDepth() {
  const DWORD* rs = state_.renderStates;
  // Turning the test off also stops depth writes, in both APIs. No depth
  // bias reaches GL; the D16 buffer has no stencil to test.
  static_assert(kWBufferIsZBuffer && kDepthBiasIgnored && kNoStencilBuffer);
  cache_.DepthTest(rs[D3DRS_ZENABLE] != D3DZB_FALSE);
  GLenum func = CompareFuncToGl(rs[D3DRS_ZFUNC]);
  cache_.DepthFunc(func ? func : GL_LEQUAL);
  cache_.DepthMask(rs[D3DRS_ZWRITEENABLE] != 0);
}

void Device::ApplyRaster() {
  const DWORD* rs = state_.renderStates;
  CullSetting cull;
  if (!CullModeToGl(rs[D3DRS_CULLMODE], &cull)) cull = {false, GL_CCW};
  cache_.CullFace(cull.enabled);
  if (cull.enabled) cache_.FrontFace(cull.frontFace);
  static_assert(kWireframeUsesGlLines && kPointFillIsOnePixel && kAlwaysClips);
  GLenum fill = FillModeToGl(rs[D3DRS_FILLMODE]);
  cache_.PolygonMode(fill ? fill : GL_FILL);
  cache_.ColorMask(rs[D3DRS_COLORWRITEENABLE]);
  // Targets are stored top row first, so Direct3D's rectangle is GL's.
  // (Clear sets its own rectangle and marks this group.)
  const bool scissor = rs[D3DRS_SCISSORTESTENABLE] != FALSE;
  cache_.ScissorTest(scissor);
  if (scissor) {
    const RECT& r = state_.scissorRect;
    cache_.Scissor(r.left, r.top, r.right - r.left, r.bottom - r.top);
  }
}

void Device::ApplyViewport() {
  const D3DVIEWPORT9& v = state_.viewport;
  // Targets are stored top row first, so Direct3D's rectangle is GL's.
  cache_.Viewport(static_cast<GLint>(v.X), static_cast<GLint>(v.Y),
                  static_cast<GLsizei>(v.Width),
                  static_cast<GLsizei>(v.Height));
  cache_.DepthRange(v.MinZ, v.MaxZ);
}

void Device::ApplySamplers() {
  for (DWORD stage = 0; stage < kMaxTextureStages; ++stage) {
    if (!(dirtySamplerStages_ & (1u << stage))) continue;
    const DWORD* ss = state_.samplerStates[stage];
    SamplerCache& c = samplerCache_[stage];
    GLuint sampler = samplers_[stage];
    GLenum minFilter =
        MinFilterToGl(ss[D3DSAMP_MINFILTER], ss[D3DSAMP_MIPFILTER]);
    GLenum magFilter = MagFilterToGl(ss[D3DSAMP_MAGFILTER]);
    GLenum wrapS = AddressModeToGl(ss[D3DSAMP_ADDRESSU]);
    GLenum wrapT = AddressModeToGl(ss[D3DSAMP_ADDRESSV]);
    // Filters GL has no counterpart for sample the nearest texel; sampled
    // colours are never converted from sRGB.
    static_assert(kQuadFiltersArePoint && kSrgbIgnored);
    if (!minFilter) minFilter = GL_NEAREST;
    if (!magFilter) magFilter = GL_NEAREST;
    if (!wrapS) wrapS = GL_REPEAT;
    if (!wrapT) wrapT = GL_REPEAT;
    if (c.minFilter != minFilter)
      GL_CHECK(glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER,
                                   static_cast<GLint>(minFilter)));
    if (c.magFilter != magFilter)
      GL_CHECK(glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER,
                                   static_cast<GLint>(magFilter)));
    if (c.wrapS != wrapS)
      GL_CHECK(glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S,
                                   static_cast<GLint>(wrapS)));
    if (c.wrapT != wrapT)
      GL_CHECK(glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T,
                                   static_cast<GLint>(wrapT)));
    if (c.borderColor != ss[D3DSAMP_BORDERCOLOR] || c.minFilter == 0) {
      float border[4];
      ColorToFloats(ss[D3DSAMP_BORDERCOLOR], border);
      GL_CHECK(glSamplerParameterfv(sampler, GL_TEXTURE_BORDER_COLOR, border));
    }
    if (c.maxMipLevel != ss[D3DSAMP_MAXMIPLEVEL] || c.minFilter == 0)
      // MAXMIPLEVEL names the largest level used: GL's smallest LOD.
      GL_CHECK(
          glSamplerParameterf(sampler, GL_TEXTURE_MIN_LOD,
                              static_cast<float>(ss[D3DSAMP_MAXMIPLEVEL])));
    if (c.lodBias != ss[D3DSAMP_MIPMAPLODBIAS] || c.minFilter == 0)
      GL_CHECK(glSamplerParameterf(sampler, GL_TEXTURE_LOD_BIAS,
                                   DwordToFloat(ss[D3DSAMP_MIPMAPLODBIAS])));
    float anisotropy = 1.0f;
    if (ss[D3DSAMP_MINFILTER] == D3DTEXF_ANISOTROPIC)
      anisotropy = static_cast<float>(
          std::clamp<DWORD>(ss[D3DSAMP_MAXANISOTROPY], 1, 16));
    if (hasAnisotropy_ && (c.anisotropy != anisotropy || c.minFilter == 0))
      GL_CHECK(glSamplerParameterf(sampler, GL_TEXTURE_MAX_ANISOTROPY_EXT,
                                   anisotropy));
    c = {minFilter,
         magFilter,
         wrapS,
         wrapT,
         ss[D3DSAMP_BORDERCOLOR],
         ss[D3DSAMP_MAXMIPLEVEL],
         ss[D3DSAMP_MIPMAPLODBIAS],
         anisotropy};
  }
  dirtySamplerStages_ = 0;
}

void Device::PreLoadTexture(Texture* texture) {
  // Made and uploaded on unit 0; the next draw binds every unit anew.
  texture->Prepare(&cache_, 0);
  dirty_ |= kDirtyTextures;
}

void Device::ApplyTextures(uint32_t dirty) {
  if (dirty & kDirtyTextures) {
    // Bindings changed (or GL's were disturbed): every unit gets its
    // stage's texture, or none, and its stage's sampler object.
    boundTextureStages_ = 0;
    for (DWORD stage = 0; stage < kMaxTextureStages; ++stage) {
      Texture* texture = state_.textures[stage];
      int unit = static_cast<int>(stage);
      if (texture) {
        texture->Prepare(&cache_, unit);
        boundTextureStages_ |= static_cast<uint8_t>(1u << stage);
      } else {
        cache_.BindTexture(unit, 0);
      }
      cache_.BindSampler(unit, samplers_[stage]);
    }
    return;
  }
  // Same bindings: only levels written (LockRect) since their last upload
  // need GL.
  for (uint32_t bits = boundTextureStages_; bits != 0; bits &= bits - 1) {
    int stage = __builtin_ctz(bits);
    Texture* texture = state_.textures[stage];
    if (texture && texture->needsPrepare()) {
      texture->Prepare(&cache_, stage);
      // New texels may change what the program knows of the alpha.
      dirty_ |= kDirtyTextures;
    }
  }
}

bool Device::ApplyProgram(const FvfLayout& layout, bool points,
                          bool vertexDiffuseOpaque) {
  const D3DVIEWPORT9& vp = state_.viewport;
  if (state_.program) {
    static_assert(kAlphaTestFixedFunctionOnly);
    float viewport[4] = {static_cast<float>(vp.X), static_cast<float>(vp.Y),
                         static_cast<float>(vp.Width),
                         static_cast<float>(vp.Height)};
    state_.program->Prepare(&cache_, viewport);
    return true;
  }
  // Whether the alpha is known to be one also follows the textures (and
  // their texels), the material and the texture factor (uniforms), and
  // the vertices.
  if ((dirty_ &
       (kDirtyShaderKey | kDirtyProgram | kDirtyTextures | kDirtyUniforms)) ||
      !keyValid_ || points != lastWasPoints_ ||
      vertexDiffuseOpaque != lastVertexDiffuseOpaque_) {
    bool hasTexture[kFixedFunctionStages];
    AlphaFacts facts;
    facts.vertexDiffuseOpaque = vertexDiffuseOpaque;
    for (int i = 0; i < kFixedFunctionStages; ++i) {
      hasTexture[i] = state_.textures[i] != nullptr;
      facts.textureOpaque[i] = hasTexture[i] && state_.textures[i]->opaque();
    }
    FixedFunctionKey key =
        BuildFixedFunctionKey(state_, layout, points, hasTexture);
    alphaIsOne_ = FixedFunctionAlphaIsOne(key, state_, facts);
    // An alpha test that alpha 255 passes cannot drop a pixel of alpha
    // one: the program goes without it (and without its discard).
    const DWORD* rs = state_.renderStates;
    if (alphaIsOne_ && key.pixel.alphaFunc != 0 &&
        AlphaTestPassesOpaque(rs[D3DRS_ALPHAFUNC], rs[D3DRS_ALPHAREF]))
      key.pixel.alphaFunc = 0;
    lastVertexDiffuseOpaque_ = vertexDiffuseOpaque;
    if (!keyValid_ || !(key == lastKey_)) {
      size_t before = programs_.size();
      lastFixedProgram_ = programs_.Get(key, &cache_);
      if (programs_.size() != before) ++stats_.programsBuilt;
      lastKey_ = key;
    }
    keyValid_ = true;
    lastWasPoints_ = points;
  }
  if (!lastFixedProgram_) return false;
  cache_.UseProgram(lastFixedProgram_);
  // A program that blends more world matrices than the block holds also
  // needs a refill (VERTEXBLEND or the FVF changed, no matrix did).
  DWORD worldMatrices = 1 + static_cast<DWORD>(lastKey_.vertex.vertexBlend);
  if ((dirty_ & (kDirtyUniforms | kDirtyProgram)) ||
      worldMatrices > uniformWorldMatrices_) {
    FillFixedFunctionUniforms(state_, maxGlPointSize_, worldMatrices,
                              &uniforms_);
    uniformWorldMatrices_ = worldMatrices;
    GL_CHECK(glBindBuffer(GL_UNIFORM_BUFFER, uniformBuffer_));
    GL_CHECK(
        glBufferSubData(GL_UNIFORM_BUFFER, 0, sizeof uniforms_, &uniforms_));
    GL_CHECK(glBindBufferBase(GL_UNIFORM_BUFFER, kFixedFunctionBlockBinding,
                              uniformBuffer_));
  }
  return true;
}

namespace {

struct ElementSource {
  int offset;  // -1: not in the vertex
  GLint size;
  GLenum type;
  GLboolean normalized;
};

ElementSource ElementFor(const FvfLayout& layout, D3DDECLUSAGE usage,
                         int usageIndex) {
  ElementSource none{-1, 0, GL_FLOAT, GL_FALSE};
  switch (usage) {
    case D3DDECLUSAGE_POSITION:
    case D3DDECLUSAGE_POSITIONT:
      if (usageIndex != 0) return none;
      return {layout.position, layout.positionSize, GL_FLOAT, GL_FALSE};
    case D3DDECLUSAGE_BLENDWEIGHT:
      if (usageIndex != 0 || layout.weights < 0) return none;
      return {layout.weights, layout.weightCount, GL_FLOAT, GL_FALSE};
    case D3DDECLUSAGE_NORMAL:
      if (usageIndex != 0) return none;
      return {layout.normal, 3, GL_FLOAT, GL_FALSE};
    case D3DDECLUSAGE_PSIZE:
      if (usageIndex != 0) return none;
      return {layout.pointSize, 1, GL_FLOAT, GL_FALSE};
    case D3DDECLUSAGE_COLOR:
      // A D3DCOLOR word is B, G, R, A in memory; GL_BGRA reorders it.
      if (usageIndex == 0)
        return {layout.diffuse, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE};
      if (usageIndex == 1)
        return {layout.specular, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE};
      return none;
    case D3DDECLUSAGE_TEXCOORD:
      if (usageIndex >= layout.texCoordCount) return none;
      return {layout.texCoord[usageIndex], layout.texCoordSize[usageIndex],
              GL_FLOAT, GL_FALSE};
    default:
      return none;
  }
}

void SetAttribute(GLuint location, const ElementSource& e, UINT stride,
                  UINT baseOffset) {
  if (e.offset < 0) {
    GL_CHECK(glDisableVertexAttribArray(location));
    return;
  }
  GL_CHECK(glEnableVertexAttribArray(location));
  GL_CHECK(glVertexAttribPointer(
      location, e.size, e.type, e.normalized, static_cast<GLsizei>(stride),
      reinterpret_cast<const void*>(
          static_cast<uintptr_t>(baseOffset + e.offset))));
}

}  // namespace

void Device::ApplyVertexInput(const FvfLayout& layout,
                              const VertexSource& vertices) {
  const GLuint buffer = vertices.buffer;
  const UINT stride = vertices.stride;
  const UINT offset = vertices.offset;
  // Marked but the same as last time (a save/restore, the same stream set
  // again): nothing to redo.
  const void* attributeSet = state_.program;
  if (buffer == lastVertexBuffer_ && state_.fvf == lastFvf_ &&
      stride == lastStride_ && offset == lastOffset_ &&
      attributeSet == lastAttributeSet_)
    return;
  cache_.BindArrayBuffer(buffer);
  if (state_.program) {
    bool used[kAttribCount + 8] = {};
    for (const ShaderAttributeBinding& a : state_.program->attributes()) {
      if (a.location >= kAttribCount + 8) continue;
      used[a.location] = true;
      SetAttribute(a.location, ElementFor(layout, a.usage, a.usageIndex),
                   stride, offset);
    }
    for (GLuint location = 0; location < kAttribCount + 8; ++location)
      if (!used[location]) GL_CHECK(glDisableVertexAttribArray(location));
  } else {
    SetAttribute(kAttribPosition, ElementFor(layout, D3DDECLUSAGE_POSITION, 0),
                 stride, offset);
    // Up to three weights are blended; GL reads at most four floats per
    // attribute (an XYZB5 vertex's fifth float is never a blend weight
    // here).
    ElementSource weights = ElementFor(layout, D3DDECLUSAGE_BLENDWEIGHT, 0);
    if (weights.size > 4) weights.size = 4;
    SetAttribute(kAttribWeights, weights, stride, offset);
    SetAttribute(kAttribNormal, ElementFor(layout, D3DDECLUSAGE_NORMAL, 0),
                 stride, offset);
    SetAttribute(kAttribPointSize, ElementFor(layout, D3DDECLUSAGE_PSIZE, 0),
                 stride, offset);
    SetAttribute(kAttribDiffuse, ElementFor(layout, D3DDECLUSAGE_COLOR, 0),
                 stride, offset);
    SetAttribute(kAttribSpecular, ElementFor(layout, D3DDECLUSAGE_COLOR, 1),
                 stride, offset);
    SetAttribute(kAttribTexCoord0, ElementFor(layout, D3DDECLUSAGE_TEXCOORD, 0),
                 stride, offset);
    SetAttribute(kAttribTexCoord1, ElementFor(layout, D3DDECLUSAGE_TEXCOORD, 1),
                 stride, offset);
    for (GLuint location = kAttribCount; location < kAttribCount + 8;
         ++location)
      GL_CHECK(glDisableVertexAttribArray(location));
  }
  lastVertexBuffer_ = buffer;
  lastFvf_ = state_.fvf;
  lastStride_ = stride;
  lastOffset_ = offset;
  lastAttributeSet_ = attributeSet;
}

}  // namespace gfx
