// Matrix and vector maths with Direct3D's row-vector, left-handed
// conventions. Every step is single precision (sinf, cosf, tanf, sqrtf) so
// results match the extension library to the last bit where it matters.
#include <cmath>

#include "platform/d3dx/d3dx9math.h"

namespace {

D3DXMATRIX Zero() {
  D3DXMATRIX m;
  for (auto& row : m.m)
    for (float& v : row) v = 0.0f;
  return m;
}

}  // namespace

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out) {
  *out = Zero();
  out->_11 = out->_22 = out->_33 = out->_44 = 1.0f;
  return out;
}

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a,
                               const D3DXMATRIX* b) {
  // Into a temporary first: out may be a or b.
  D3DXMATRIX r;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      r.m[i][j] = a->m[i][0] * b->m[0][j] + a->m[i][1] * b->m[1][j] +
                  a->m[i][2] * b->m[2][j] + a->m[i][3] * b->m[3][j];
    }
  }
  *out = r;
  return out;
}

D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, float angle) {
  const float c = cosf(angle), s = sinf(angle);
  D3DXMatrixIdentity(out);
  out->_22 = c;
  out->_23 = s;
  out->_32 = -s;
  out->_33 = c;
  return out;
}

D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, float angle) {
  const float c = cosf(angle), s = sinf(angle);
  D3DXMatrixIdentity(out);
  out->_11 = c;
  out->_13 = -s;
  out->_31 = s;
  out->_33 = c;
  return out;
}

D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, float angle) {
  const float c = cosf(angle), s = sinf(angle);
  D3DXMatrixIdentity(out);
  out->_11 = c;
  out->_12 = s;
  out->_21 = -s;
  out->_22 = c;
  return out;
}

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z) {
  D3DXMatrixIdentity(out);
  out->_41 = x;
  out->_42 = y;
  out->_43 = z;
  return out;
}

D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, float sx, float sy, float sz) {
  *out = Zero();
  out->_11 = sx;
  out->_22 = sy;
  out->_33 = sz;
  out->_44 = 1.0f;
  return out;
}

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye,
                               const D3DXVECTOR3* at, const D3DXVECTOR3* up) {
  D3DXVECTOR3 diff(at->x - eye->x, at->y - eye->y, at->z - eye->z);
  D3DXVECTOR3 zaxis, xaxis, yaxis, cross;
  D3DXVec3Normalize(&zaxis, &diff);
  D3DXVec3Cross(&cross, up, &zaxis);
  D3DXVec3Normalize(&xaxis, &cross);
  D3DXVec3Cross(&cross, &zaxis, &xaxis);
  D3DXVec3Normalize(&yaxis, &cross);
  *out = Zero();
  out->_11 = xaxis.x;
  out->_21 = xaxis.y;
  out->_31 = xaxis.z;
  out->_12 = yaxis.x;
  out->_22 = yaxis.y;
  out->_32 = yaxis.z;
  out->_13 = zaxis.x;
  out->_23 = zaxis.y;
  out->_33 = zaxis.z;
  out->_41 = -D3DXVec3Dot(&xaxis, eye);
  out->_42 = -D3DXVec3Dot(&yaxis, eye);
  out->_43 = -D3DXVec3Dot(&zaxis, eye);
  out->_44 = 1.0f;
  return out;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovY,
                                       float aspect, float zNear, float zFar) {
  // fovY is used as given, in radians, whatever its size.
  const float yScale = 1.0f / tanf(fovY / 2.0f);
  const float xScale = yScale / aspect;
  *out = Zero();
  out->_11 = xScale;
  out->_22 = yScale;
  out->_33 = zFar / (zFar - zNear);
  out->_34 = 1.0f;
  out->_43 = -zNear * zFar / (zFar - zNear);
  return out;
}

D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* out, float* determinant,
                              const D3DXMATRIX* m) {
  // Cofactor expansion, 2x2 sub-determinants shared between rows.
  const float* a = &m->m[0][0];
  float inv[16];
  inv[0] = a[5] * a[10] * a[15] - a[5] * a[11] * a[14] - a[9] * a[6] * a[15] +
           a[9] * a[7] * a[14] + a[13] * a[6] * a[11] - a[13] * a[7] * a[10];
  inv[4] = -a[4] * a[10] * a[15] + a[4] * a[11] * a[14] + a[8] * a[6] * a[15] -
           a[8] * a[7] * a[14] - a[12] * a[6] * a[11] + a[12] * a[7] * a[10];
  inv[8] = a[4] * a[9] * a[15] - a[4] * a[11] * a[13] - a[8] * a[5] * a[15] +
           a[8] * a[7] * a[13] + a[12] * a[5] * a[11] - a[12] * a[7] * a[9];
  inv[12] = -a[4] * a[9] * a[14] + a[4] * a[10] * a[13] + a[8] * a[5] * a[14] -
            a[8] * a[6] * a[13] - a[12] * a[5] * a[10] + a[12] * a[6] * a[9];
  inv[1] = -a[1] * a[10] * a[15] + a[1] * a[11] * a[14] + a[9] * a[2] * a[15] -
           a[9] * a[3] * a[14] - a[13] * a[2] * a[11] + a[13] * a[3] * a[10];
  inv[5] = a[0] * a[10] * a[15] - a[0] * a[11] * a[14] - a[8] * a[2] * a[15] +
           a[8] * a[3] * a[14] + a[12] * a[2] * a[11] - a[12] * a[3] * a[10];
  inv[9] = -a[0] * a[9] * a[15] + a[0] * a[11] * a[13] + a[8] * a[1] * a[15] -
           a[8] * a[3] * a[13] - a[12] * a[1] * a[11] + a[12] * a[3] * a[9];
  inv[13] = a[0] * a[9] * a[14] - a[0] * a[10] * a[13] - a[8] * a[1] * a[14] +
            a[8] * a[2] * a[13] + a[12] * a[1] * a[10] - a[12] * a[2] * a[9];
  inv[2] = a[1] * a[6] * a[15] - a[1] * a[7] * a[14] - a[5] * a[2] * a[15] +
           a[5] * a[3] * a[14] + a[13] * a[2] * a[7] - a[13] * a[3] * a[6];
  inv[6] = -a[0] * a[6] * a[15] + a[0] * a[7] * a[14] + a[4] * a[2] * a[15] -
           a[4] * a[3] * a[14] - a[12] * a[2] * a[7] + a[12] * a[3] * a[6];
  inv[10] = a[0] * a[5] * a[15] - a[0] * a[7] * a[13] - a[4] * a[1] * a[15] +
            a[4] * a[3] * a[13] + a[12] * a[1] * a[7] - a[12] * a[3] * a[5];
  inv[14] = -a[0] * a[5] * a[14] + a[0] * a[6] * a[13] + a[4] * a[1] * a[14] -
            a[4] * a[2] * a[13] - a[12] * a[1] * a[6] + a[12] * a[2] * a[5];
  inv[3] = -a[1] * a[6] * a[11] + a[1] * a[7] * a[10] + a[5] * a[2] * a[11] -
           a[5] * a[3] * a[10] - a[9] * a[2] * a[7] + a[9] * a[3] * a[6];
  inv[7] = a[0] * a[6] * a[11] - a[0] * a[7] * a[10] - a[4] * a[2] * a[11] +
           a[4] * a[3] * a[10] + a[8] * a[2] * a[7] - a[8] * a[3] * a[6];
  inv[11] = -a[0] * a[5] * a[11] + a[0] * a[7] * a[9] + a[4] * a[1] * a[11] -
            a[4] * a[3] * a[9] - a[8] * a[1] * a[7] + a[8] * a[3] * a[5];
  inv[15] = a[0] * a[5] * a[10] - a[0] * a[6] * a[9] - a[4] * a[1] * a[10] +
            a[4] * a[2] * a[9] + a[8] * a[1] * a[6] - a[8] * a[2] * a[5];
  const float det =
      a[0] * inv[0] + a[1] * inv[4] + a[2] * inv[8] + a[3] * inv[12];
  if (determinant) *determinant = det;
  // A singular matrix has no inverse: null result, out untouched.
  if (det == 0.0f) return nullptr;
  const float invDet = 1.0f / det;
  float* o = &out->m[0][0];
  for (int i = 0; i < 16; ++i) o[i] = inv[i] * invDet;
  return out;
}

D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* m) {
  D3DXMATRIX r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) r.m[i][j] = m->m[j][i];
  *out = r;
  return out;
}

D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v) {
  const float length = D3DXVec3Length(v);
  // A zero vector stays zero (no NaN), as the library does.
  if (length == 0.0f) {
    *out = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  } else {
    *out = D3DXVECTOR3(v->x / length, v->y / length, v->z / length);
  }
  return out;
}

D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* out, const D3DXVECTOR3* a,
                           const D3DXVECTOR3* b) {
  const D3DXVECTOR3 r(a->y * b->z - a->z * b->y, a->z * b->x - a->x * b->z,
                      a->x * b->y - a->y * b->x);
  *out = r;
  return out;
}

float D3DXVec3Dot(const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
  return a->x * b->x + a->y * b->y + a->z * b->z;
}

float D3DXVec3Length(const D3DXVECTOR3* v) {
  return sqrtf(v->x * v->x + v->y * v->y + v->z * v->z);
}

D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v,
                                    const D3DXMATRIX* m) {
  const float x = v->x * m->_11 + v->y * m->_21 + v->z * m->_31 + m->_41;
  const float y = v->x * m->_12 + v->y * m->_22 + v->z * m->_32 + m->_42;
  const float z = v->x * m->_13 + v->y * m->_23 + v->z * m->_33 + m->_43;
  const float w = v->x * m->_14 + v->y * m->_24 + v->z * m->_34 + m->_44;
  *out = D3DXVECTOR3(x / w, y / w, z / w);
  return out;
}

D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* out, const D3DXVECTOR3* v,
                                     const D3DXMATRIX* m) {
  const float x = v->x * m->_11 + v->y * m->_21 + v->z * m->_31;
  const float y = v->x * m->_12 + v->y * m->_22 + v->z * m->_32;
  const float z = v->x * m->_13 + v->y * m->_23 + v->z * m->_33;
  *out = D3DXVECTOR3(x, y, z);
  return out;
}
