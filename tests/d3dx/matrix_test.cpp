// Matrix maths against values worked out by hand.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/d3dx/d3dx9math.h"

namespace {

void ExpectMatrix(const D3DXMATRIX& m, const float (&expected)[16],
                  float tolerance = 1e-6f) {
  for (int i = 0; i < 16; ++i) {
    EXPECT_NEAR(m.m[i / 4][i % 4], expected[i], tolerance)
        << "element _" << (i / 4 + 1) << (i % 4 + 1);
  }
}

D3DXMATRIX FromArray(const float (&v)[16]) {
  D3DXMATRIX m;
  for (int i = 0; i < 16; ++i) m.m[i / 4][i % 4] = v[i];
  return m;
}

TEST(MatrixMultiply, RowVectorOrderAndAliasing) {
  const float a[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  const float b[16] = {2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 1, 2, 3, 1};
  // a x b: each row of a scaled per column, then row 4 of b added times a's
  // 4th column (by hand: row 1 = (1*2+4*1, 2*3+4*2, 3*4+4*3, 4)).
  const float ab[16] = {6,  14, 24, 4,  18, 34, 52,  8,
                        30, 54, 80, 12, 42, 74, 108, 16};
  D3DXMATRIX ma = FromArray(a), mb = FromArray(b), out;
  D3DXMatrixMultiply(&out, &ma, &mb);
  ExpectMatrix(out, ab);
  // out aliasing either input gives the same product.
  D3DXMATRIX alias = ma;
  D3DXMatrixMultiply(&alias, &alias, &mb);
  ExpectMatrix(alias, ab);
  alias = mb;
  D3DXMatrixMultiply(&alias, &ma, &alias);
  ExpectMatrix(alias, ab);
}

TEST(MatrixBuilders, RotationsAreLeftHandedRowVector) {
  const float a = 0.5f, c = cosf(a), s = sinf(a);
  D3DXMATRIX m;
  const float rx[16] = {1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1};
  ExpectMatrix(*D3DXMatrixRotationX(&m, a), rx, 0);
  const float ry[16] = {c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1};
  ExpectMatrix(*D3DXMatrixRotationY(&m, a), ry, 0);
  const float rz[16] = {c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  ExpectMatrix(*D3DXMatrixRotationZ(&m, a), rz, 0);
  // A quarter turn about Y takes +x to -z (clockwise seen from +y).
  D3DXVECTOR3 x(1, 0, 0), r;
  D3DXMatrixRotationY(&m, 1.5707964f);
  D3DXVec3TransformCoord(&r, &x, &m);
  EXPECT_NEAR(r.x, 0, 1e-6f);
  EXPECT_NEAR(r.z, -1, 1e-6f);
}

TEST(MatrixBuilders, TranslationScalingIdentity) {
  D3DXMATRIX m;
  const float t[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 3, -4, 5, 1};
  ExpectMatrix(*D3DXMatrixTranslation(&m, 3, -4, 5), t, 0);
  const float sc[16] = {2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 0, 0, 0, 1};
  ExpectMatrix(*D3DXMatrixScaling(&m, 2, 3, 4), sc, 0);
  const float id[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  ExpectMatrix(*D3DXMatrixIdentity(&m), id, 0);
  // Translate then rotate swings the point about the origin.
  D3DXMATRIX tr, rot;
  D3DXMatrixTranslation(&tr, 1, 0, 0);
  D3DXMatrixRotationZ(&rot, 1.5707964f);
  D3DXMatrixMultiply(&m, &tr, &rot);
  D3DXVECTOR3 o(0, 0, 0), p;
  D3DXVec3TransformCoord(&p, &o, &m);
  EXPECT_NEAR(p.x, 0, 1e-6f);
  EXPECT_NEAR(p.y, 1, 1e-6f);
}

TEST(MatrixBuilders, PerspectiveFovLH) {
  D3DXMATRIX m;
  D3DXMatrixPerspectiveFovLH(&m, 0.78539816f, 1.3f, 1.0f, 1000.0f);
  // yScale = 1/tan(pi/8) = 2.414214, xScale = 2.414214/1.3 = 1.857087,
  // zf/(zf-zn) = 1000/999, -zn*zf/(zf-zn) = -1000/999.
  const float p[16] = {1.857087f, 0, 0,         0, 0, 2.414214f, 0,          0,
                       0,         0, 1.001001f, 1, 0, 0,         -1.001001f, 0};
  ExpectMatrix(m, p, 2e-6f);
  // The angle is radians whatever its size: 90 radians gives
  // yScale = 1/tan(45) = 0.61737.
  D3DXMatrixPerspectiveFovLH(&m, 90.0f, 1.0f, 1.0f, 2.0f);
  EXPECT_NEAR(m._22, 0.61737f, 1e-4f);
}

TEST(MatrixBuilders, LookAtLH) {
  D3DXMATRIX m;
  D3DXVECTOR3 eye(0, 0, -5), at(0, 0, 0), up(0, 1, 0);
  const float v[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 5, 1};
  ExpectMatrix(*D3DXMatrixLookAtLH(&m, &eye, &at, &up), v);
  // Looking down +x from the origin: z axis = +x, x axis = up x z = -z.
  eye = D3DXVECTOR3(0, 0, 0);
  at = D3DXVECTOR3(3, 0, 0);
  const float w[16] = {0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 0, 1};
  ExpectMatrix(*D3DXMatrixLookAtLH(&m, &eye, &at, &up), w);
  // Nearly parallel up still gives a finite orthonormal basis.
  eye = D3DXVECTOR3(0, 250, -1);
  at = D3DXVECTOR3(0, 0, 0);
  D3DXMatrixLookAtLH(&m, &eye, &at, &up);
  EXPECT_NEAR(m._11, 1, 1e-6f);
  EXPECT_TRUE(std::isfinite(m._22));
  EXPECT_NEAR(m._23 * m._23 + m._22 * m._22 + m._21 * m._21, 1, 1e-4f);
}

TEST(MatrixInverse, InvertsAndReportsSingular) {
  D3DXMATRIX a, b, m, inv, prod;
  D3DXMatrixRotationY(&a, 0.7f);
  D3DXMatrixTranslation(&b, 1, 2, 3);
  D3DXMatrixMultiply(&m, &a, &b);
  m._11 *= 2;
  float det = 0;
  ASSERT_NE(D3DXMatrixInverse(&inv, &det, &m), nullptr);
  EXPECT_NEAR(det, 2 * cosf(0.7f) * cosf(0.7f) + sinf(0.7f) * sinf(0.7f),
              1e-5f);
  D3DXMatrixMultiply(&prod, &m, &inv);
  const float id[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  ExpectMatrix(prod, id, 1e-5f);
  D3DXMatrixScaling(&m, 1, 0, 1);
  EXPECT_EQ(D3DXMatrixInverse(&inv, &det, &m), nullptr);
  EXPECT_EQ(det, 0.0f);
  D3DXMatrixTranspose(&prod, &b);
  EXPECT_EQ(prod._14, 1.0f);
  EXPECT_EQ(prod._34, 3.0f);
}

TEST(Vec3, NormalizeCrossDotTransform) {
  D3DXVECTOR3 v(3, 0, 4), n;
  D3DXVec3Normalize(&n, &v);
  EXPECT_FLOAT_EQ(n.x, 0.6f);
  EXPECT_FLOAT_EQ(n.z, 0.8f);
  D3DXVECTOR3 zero(0, 0, 0);
  D3DXVec3Normalize(&n, &zero);
  EXPECT_EQ(n.x, 0.0f);  // zero stays zero, no NaN
  D3DXVECTOR3 x(1, 0, 0), y(0, 1, 0), c;
  D3DXVec3Cross(&c, &x, &y);
  EXPECT_EQ(c.z, 1.0f);
  D3DXVec3Cross(&x, &x, &y);  // aliasing
  EXPECT_EQ(x.z, 1.0f);
  EXPECT_EQ(x.x, 0.0f);
  EXPECT_FLOAT_EQ(D3DXVec3Dot(&v, &v), 25.0f);
  EXPECT_FLOAT_EQ(D3DXVec3Length(&v), 5.0f);
  D3DXMATRIX t;
  D3DXMatrixTranslation(&t, 1, 2, 3);
  D3DXVec3TransformNormal(&n, &v, &t);  // direction ignores translation
  EXPECT_EQ(n.x, 3.0f);
  EXPECT_EQ(n.y, 0.0f);
  D3DXMATRIX p;
  D3DXMatrixPerspectiveFovLH(&p, 1.5707964f, 1.0f, 1.0f, 10.0f);
  D3DXVECTOR3 far(0, 0, 10), out;
  D3DXVec3TransformCoord(&out, &far, &p);  // divided by w: z = 1 at far
  EXPECT_NEAR(out.z, 1.0f, 1e-6f);
}

}  // namespace
