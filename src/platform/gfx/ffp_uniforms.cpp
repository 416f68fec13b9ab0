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

D3DMATRIX NormalMatrix(const D3DMATRIX& m) {
  // cofactor(A) = det(A) * inverse(A)^T; dividing by det gives the inverse
  // transpose.
  float a = m._11, b = m._12, c = m._13;
  float d = m._21, e = m._22, f = m._23;
  float g = m._31, h = m._32, i = m._33;
  float c11 = e * i - f * h, c12 = -(d * i - f * g), c13 = d * h - e * g;
  float c21 = -(b * i - c * h), c22 = a * i - c * g, c23 = -(a * h - b * g);
  float c31 = b * f - c * e, c32 = -(a * f - c * d), c33 = a * e - b * d;
  float det = a * c11 + b * c12 + c * c13;
  D3DMATRIX out = IdentityMatrix();
  if (det == 0.0f || !std::isfinite(det)) return out;
  float inv = 1.0f / det;
  out._11 = c11 * inv;
  out._12 = c12 * inv;
  out._13 = c13 * inv;
  out._21 = c21 * inv;
  out._22 = c22 * inv;
  out._23 = c23 * inv;
  out._31 = c31 * inv;
  out._32 = c32 * inv;
  out._33 = c33 * inv;
  return out;
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
                               FixedFunctionUniforms* out) {
  const D3DMATRIX& view = state.transforms[kTransformSlotView];
  D3DMATRIX worldView0 =
      MultiplyMatrix(state.transforms[kTransformSlotWorld0], view);
  D3DMATRIX worldView1 =
      MultiplyMatrix(state.transforms[kTransformSlotWorld0 + 1], view);
  Put(out->worldView[0], worldView0);
  Put(out->worldView[1], worldView1);
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
