#include "platform/gfx/ffp_uniforms.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/gfx/device_state.h"
#include "platform/gfx/translate.h"

namespace gfx {

D3DMATRIX MultiplyMatrix(const D3DMATRIX& a, const D3DMATRIX& b) {
  D3DMATRIX out;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      out.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] +
                    a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
  return out;
}

namespace {

// Inverse transpose of the upper 3 x 3: cofactor(A) = det(A) * inverse(A)^T,
// so dividing the cofactors by the determinant gives it.
bool InverseTranspose3x3(const D3DMATRIX& m, D3DMATRIX* out) {
  float a = m._11, b = m._12, c = m._13;
  float d = m._21, e = m._22, f = m._23;
  float g = m._31, h = m._32, i = m._33;
  float c11 = e * i - f * h, c12 = -(d * i - f * g), c13 = d * h - e * g;
  float c21 = -(b * i - c * h), c22 = a * i - c * g, c23 = -(a * h - b * g);
  float c31 = b * f - c * e, c32 = -(a * f - c * d), c33 = a * e - b * d;
  float det = a * c11 + b * c12 + c * c13;
  if (det == 0.0f || !std::isfinite(det)) return false;
  float inv = 1.0f / det;
  *out = IdentityMatrix();
  out->_11 = c11 * inv;
  out->_12 = c12 * inv;
  out->_13 = c13 * inv;
  out->_21 = c21 * inv;
  out->_22 = c22 * inv;
  out->_23 = c23 * inv;
  out->_31 = c31 * inv;
  out->_32 = c32 * inv;
  out->_33 = c33 * inv;
  return true;
}

// Upper 3 x 3 of the inverse transpose of the 4 x 4: the cofactors of the
// upper 3 x 3 entries over the determinant (the transpose of the adjugate
// is the cofactor matrix).
bool InverseTranspose4x4(const D3DMATRIX& m, D3DMATRIX* out) {
  // 3 x 3 determinant of m without row r and column c.
  auto minor = [&m](int r, int c) {
    int rows[3], cols[3];
    for (int i = 0, k = 0; i < 4; ++i)
      if (i != r) rows[k++] = i;
    for (int j = 0, k = 0; j < 4; ++j)
      if (j != c) cols[k++] = j;
    auto at = [&](int i, int j) { return m.m[rows[i]][cols[j]]; };
    return at(0, 0) * (at(1, 1) * at(2, 2) - at(1, 2) * at(2, 1)) -
           at(0, 1) * (at(1, 0) * at(2, 2) - at(1, 2) * at(2, 0)) +
           at(0, 2) * (at(1, 0) * at(2, 1) - at(1, 1) * at(2, 0));
  };
  auto cofactor = [&minor](int r, int c) {
    return ((r + c) % 2 == 0 ? 1.0f : -1.0f) * minor(r, c);
  };
  float det = 0.0f;
  for (int c = 0; c < 4; ++c) det += m.m[0][c] * cofactor(0, c);
  if (det == 0.0f || !std::isfinite(det)) return false;
  float inv = 1.0f / det;
  *out = IdentityMatrix();
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) out->m[r][c] = cofactor(r, c) * inv;
  return true;
}

}  // namespace

D3DMATRIX NormalMatrix(const D3DMATRIX& m) {
  D3DMATRIX out;
  if (InverseTranspose4x4(m, &out)) return out;
  if (InverseTranspose3x3(m, &out)) return out;
  return IdentityMatrix();
}

namespace {

void Put(float* dst, const D3DMATRIX& m) { std::memcpy(dst, &m, 64); }
void Put(float* dst, const D3DCOLORVALUE& c) {
  dst[0] = c.r;
  dst[1] = c.g;
  dst[2] = c.b;
  dst[3] = c.a;
}
void Put(float* dst, float x, float y, float z, float w) {
  dst[0] = x;
  dst[1] = y;
  dst[2] = z;
  dst[3] = w;
}

}  // namespace

void FillFixedFunctionUniforms(const DeviceState& state, float maxPointSizeOfGl,
                               DWORD worldMatrices,
                               FixedFunctionUniforms* out) {
  const D3DMATRIX& view = state.transforms[kTransformSlotView];
  worldMatrices = std::clamp<DWORD>(worldMatrices, 1, kWorldMatrixCount);
  D3DMATRIX worldView0 =
      MultiplyMatrix(state.transforms[kTransformSlotWorld0], view);
  Put(out->worldView[0], worldView0);
  for (DWORD i = 1; i < worldMatrices; ++i)
    Put(out->worldView[i],
        MultiplyMatrix(state.transforms[kTransformSlotWorld0 + i], view));
  Put(out->normalMatrix, NormalMatrix(worldView0));
  Put(out->projection, state.transforms[kTransformSlotProjection]);
  Put(out->textureMatrix[0], state.transforms[kTransformSlotTexture0]);
  Put(out->textureMatrix[1], state.transforms[kTransformSlotTexture0 + 1]);

  const D3DMATERIAL9& material = state.material;
  Put(out->materialDiffuse, material.Diffuse);
  Put(out->materialAmbient, material.Ambient);
  Put(out->materialSpecular, material.Specular);
  Put(out->materialEmissive, material.Emissive);

  const D3DLIGHT9& light = state.lights[0];
  Put(out->lightDiffuse, light.Diffuse);
  Put(out->lightSpecular, light.Specular);
  Put(out->lightAmbient, light.Ambient);
  const D3DVECTOR& p = light.Position;
  float lx = p.x * view._11 + p.y * view._21 + p.z * view._31 + view._41;
  float ly = p.x * view._12 + p.y * view._22 + p.z * view._32 + view._42;
  float lz = p.x * view._13 + p.y * view._23 + p.z * view._33 + view._43;
  Put(out->lightPosition, lx, ly, lz, light.Range);
  const D3DVECTOR& dir = light.Direction;
  float dx = -(dir.x * view._11 + dir.y * view._21 + dir.z * view._31);
  float dy = -(dir.x * view._12 + dir.y * view._22 + dir.z * view._32);
  float dz = -(dir.x * view._13 + dir.y * view._23 + dir.z * view._33);
  float length = std::sqrt(dx * dx + dy * dy + dz * dz);
  if (length > 0.0f) {
    dx /= length;
    dy /= length;
    dz /= length;
  }
  Put(out->lightDirection, dx, dy, dz, 0.0f);
  Put(out->lightAttenuation, light.Attenuation0, light.Attenuation1,
      light.Attenuation2, material.Power);

  const DWORD* rs = state.renderStates;
  float ambient[4];
  ColorToFloats(rs[D3DRS_AMBIENT], ambient);
  Put(out->globalAmbient, ambient[0], ambient[1], ambient[2], ambient[3]);
  float maxSize = std::min(
      {DwordToFloat(rs[D3DRS_POINTSIZE_MAX]), kMaxPointSize, maxPointSizeOfGl});
  Put(out->pointSize, DwordToFloat(rs[D3DRS_POINTSIZE]),
      DwordToFloat(rs[D3DRS_POINTSIZE_MIN]), maxSize,
      static_cast<float>(state.viewport.Height));
  Put(out->pointScale, DwordToFloat(rs[D3DRS_POINTSCALE_A]),
      DwordToFloat(rs[D3DRS_POINTSCALE_B]),
      DwordToFloat(rs[D3DRS_POINTSCALE_C]), 0.0f);
  const D3DVIEWPORT9& vp = state.viewport;
  Put(out->viewport, static_cast<float>(vp.X), static_cast<float>(vp.Y),
      static_cast<float>(vp.Width), static_cast<float>(vp.Height));
  ColorToFloats(rs[D3DRS_TEXTUREFACTOR], out->textureFactor);
  Put(out->alphaReference, static_cast<float>(rs[D3DRS_ALPHAREF] & 0xFF), 0.0f,
      0.0f, 0.0f);
}

}  // namespace gfx
