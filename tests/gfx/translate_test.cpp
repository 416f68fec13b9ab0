// The Direct3D -> GL translation tables, value by value.
#include "platform/gfx/translate.h"

#include <gtest/gtest.h>

namespace {

template <class T>
struct Row {
  DWORD d3d;
  T gl;
};

TEST(TranslateTest, BlendFactors) {
  const Row<GLenum> rows[] = {
      {D3DBLEND_ZERO, GL_ZERO},
      {D3DBLEND_ONE, GL_ONE},
      {D3DBLEND_SRCCOLOR, GL_SRC_COLOR},
      {D3DBLEND_INVSRCCOLOR, GL_ONE_MINUS_SRC_COLOR},
      {D3DBLEND_SRCALPHA, GL_SRC_ALPHA},
      {D3DBLEND_INVSRCALPHA, GL_ONE_MINUS_SRC_ALPHA},
      {D3DBLEND_DESTALPHA, GL_DST_ALPHA},
      {D3DBLEND_INVDESTALPHA, GL_ONE_MINUS_DST_ALPHA},
      {D3DBLEND_DESTCOLOR, GL_DST_COLOR},
      {D3DBLEND_INVDESTCOLOR, GL_ONE_MINUS_DST_COLOR},
      {D3DBLEND_SRCALPHASAT, GL_SRC_ALPHA_SATURATE},
      {D3DBLEND_BLENDFACTOR, GL_CONSTANT_COLOR},
      {D3DBLEND_INVBLENDFACTOR, GL_ONE_MINUS_CONSTANT_COLOR},
      {0, 0},
      {12, 0},  // BOTHSRCALPHA: not a factor GL has
      {99, 0},
  };
  for (const auto& row : rows)
    EXPECT_EQ(gfx::BlendFactorToGl(row.d3d), row.gl) << "D3DBLEND " << row.d3d;
}

TEST(TranslateTest, BlendOps) {
  const Row<GLenum> rows[] = {
      {D3DBLENDOP_ADD, GL_FUNC_ADD},
      {D3DBLENDOP_SUBTRACT, GL_FUNC_SUBTRACT},
      {D3DBLENDOP_REVSUBTRACT, GL_FUNC_REVERSE_SUBTRACT},
      {D3DBLENDOP_MIN, GL_MIN},
      {D3DBLENDOP_MAX, GL_MAX},
      {0, 0},
      {6, 0},
  };
  for (const auto& row : rows)
    EXPECT_EQ(gfx::BlendOpToGl(row.d3d), row.gl) << "D3DBLENDOP " << row.d3d;
}

TEST(TranslateTest, CompareFunctions) {
  const Row<GLenum> rows[] = {
      {D3DCMP_NEVER, GL_NEVER},
      {D3DCMP_LESS, GL_LESS},
      {D3DCMP_EQUAL, GL_EQUAL},
      {D3DCMP_LESSEQUAL, GL_LEQUAL},
      {D3DCMP_GREATER, GL_GREATER},
      {D3DCMP_NOTEQUAL, GL_NOTEQUAL},
      {D3DCMP_GREATEREQUAL, GL_GEQUAL},
      {D3DCMP_ALWAYS, GL_ALWAYS},
      {0, 0},
      {9, 0},
  };
  for (const auto& row : rows)
    EXPECT_EQ(gfx::CompareFuncToGl(row.d3d), row.gl) << "D3DCMP " << row.d3d;
}

TEST(TranslateTest, FillModes) {
  EXPECT_EQ(gfx::FillModeToGl(D3DFILL_POINT), static_cast<GLenum>(GL_POINT));
  EXPECT_EQ(gfx::FillModeToGl(D3DFILL_WIREFRAME), static_cast<GLenum>(GL_LINE));
  EXPECT_EQ(gfx::FillModeToGl(D3DFILL_SOLID), static_cast<GLenum>(GL_FILL));
  EXPECT_EQ(gfx::FillModeToGl(0), 0u);
  EXPECT_EQ(gfx::FillModeToGl(4), 0u);
}

TEST(TranslateTest, CullModesAccountForTopRowFirstTargets) {
  gfx::CullSetting cull;
  ASSERT_TRUE(gfx::CullModeToGl(D3DCULL_NONE, &cull));
  EXPECT_FALSE(cull.enabled);
  // Direct3D's CCW culls what looks counter-clockwise on screen; with
  // rows stored top first GL sees those as clockwise, i.e. its back faces
  // when its front faces are the counter-clockwise ones.
  ASSERT_TRUE(gfx::CullModeToGl(D3DCULL_CCW, &cull));
  EXPECT_TRUE(cull.enabled);
  EXPECT_EQ(cull.frontFace, static_cast<GLenum>(GL_CCW));
  ASSERT_TRUE(gfx::CullModeToGl(D3DCULL_CW, &cull));
  EXPECT_EQ(cull.frontFace, static_cast<GLenum>(GL_CW));
  EXPECT_FALSE(gfx::CullModeToGl(0, &cull));
  EXPECT_FALSE(gfx::CullModeToGl(4, &cull));
}

TEST(TranslateTest, SamplerFilters) {
  struct FilterRow {
    DWORD min, mip;
    GLenum gl;
  };
  const FilterRow rows[] = {
      {D3DTEXF_POINT, D3DTEXF_NONE, GL_NEAREST},
      {D3DTEXF_LINEAR, D3DTEXF_NONE, GL_LINEAR},
      {D3DTEXF_ANISOTROPIC, D3DTEXF_NONE, GL_LINEAR},
      {D3DTEXF_LINEAR, D3DTEXF_POINT, GL_LINEAR_MIPMAP_NEAREST},
      {D3DTEXF_ANISOTROPIC, D3DTEXF_POINT, GL_LINEAR_MIPMAP_NEAREST},
      {D3DTEXF_LINEAR, D3DTEXF_LINEAR, GL_LINEAR_MIPMAP_LINEAR},
      {D3DTEXF_ANISOTROPIC, D3DTEXF_LINEAR, GL_LINEAR_MIPMAP_LINEAR},
      {D3DTEXF_POINT, D3DTEXF_LINEAR, GL_NEAREST_MIPMAP_LINEAR},
      {D3DTEXF_POINT, D3DTEXF_POINT, GL_NEAREST_MIPMAP_NEAREST},
      {7, D3DTEXF_NONE, 0},
      {D3DTEXF_POINT, 7, 0},
  };
  for (const auto& row : rows)
    EXPECT_EQ(gfx::MinFilterToGl(row.min, row.mip), row.gl)
        << "MINFILTER " << row.min << " MIPFILTER " << row.mip;
  EXPECT_EQ(gfx::MagFilterToGl(D3DTEXF_POINT), static_cast<GLenum>(GL_NEAREST));
  EXPECT_EQ(gfx::MagFilterToGl(D3DTEXF_LINEAR), static_cast<GLenum>(GL_LINEAR));
  EXPECT_EQ(gfx::MagFilterToGl(D3DTEXF_ANISOTROPIC),
            static_cast<GLenum>(GL_LINEAR));
  EXPECT_EQ(gfx::MagFilterToGl(9), 0u);
}

TEST(TranslateTest, AddressModes) {
  const Row<GLenum> rows[] = {
      {D3DTADDRESS_WRAP, GL_REPEAT},
      {D3DTADDRESS_MIRROR, GL_MIRRORED_REPEAT},
      {D3DTADDRESS_CLAMP, GL_CLAMP_TO_EDGE},
      {D3DTADDRESS_BORDER, GL_CLAMP_TO_BORDER},
      {0, 0},
      {6, 0},
  };
  for (const auto& row : rows)
    EXPECT_EQ(gfx::AddressModeToGl(row.d3d), row.gl)
        << "D3DTADDRESS " << row.d3d;
}

TEST(TranslateTest, PrimitiveCounts) {
  gfx::PrimitiveSetting p;
  ASSERT_TRUE(gfx::PrimitiveToGl(D3DPT_TRIANGLELIST, 10, &p));
  EXPECT_EQ(p.mode, static_cast<GLenum>(GL_TRIANGLES));
  EXPECT_EQ(p.vertexCount, 30u);
  ASSERT_TRUE(gfx::PrimitiveToGl(D3DPT_POINTLIST, 900, &p));
  EXPECT_EQ(p.mode, static_cast<GLenum>(GL_POINTS));
  EXPECT_EQ(p.vertexCount, 900u);
  ASSERT_TRUE(gfx::PrimitiveToGl(D3DPT_TRIANGLESTRIP, 2, &p));
  EXPECT_EQ(p.vertexCount, 4u);
  ASSERT_TRUE(gfx::PrimitiveToGl(D3DPT_LINESTRIP, 3, &p));
  EXPECT_EQ(p.vertexCount, 4u);
  EXPECT_FALSE(gfx::PrimitiveToGl(0, 1, &p));
  EXPECT_FALSE(gfx::PrimitiveToGl(7, 1, &p));
}

TEST(TranslateTest, ColoursAreArgb) {
  float c[4];
  gfx::ColorToFloats(0x00595959, c);
  EXPECT_FLOAT_EQ(c[0], 89.0f / 255.0f);
  EXPECT_FLOAT_EQ(c[3], 0.0f);
  gfx::ColorToFloats(0x7FFFFFFF, c);
  EXPECT_FLOAT_EQ(c[3], 127.0f / 255.0f);
  gfx::ColorToFloats(0x0000FF00, c);
  EXPECT_FLOAT_EQ(c[0], 0.0f);
  EXPECT_FLOAT_EQ(c[1], 1.0f);
  EXPECT_FLOAT_EQ(c[2], 0.0f);
}

TEST(TranslateTest, VertexLayoutsOfTheShow) {
  gfx::FvfLayout l;
  ASSERT_TRUE(gfx::DecodeFvf(0x102, &l));
  EXPECT_EQ(l.stride, 20u);
  EXPECT_EQ(l.texCoord[0], 12);
  ASSERT_TRUE(gfx::DecodeFvf(0x112, &l));
  EXPECT_EQ(l.stride, 32u);
  EXPECT_EQ(l.normal, 12);
  EXPECT_EQ(l.texCoord[0], 24);
  ASSERT_TRUE(gfx::DecodeFvf(0x116, &l));
  EXPECT_EQ(l.stride, 36u);
  EXPECT_EQ(l.weights, 12);
  EXPECT_EQ(l.weightCount, 1);
  EXPECT_EQ(l.normal, 16);
  EXPECT_EQ(l.texCoord[0], 28);
  ASSERT_TRUE(gfx::DecodeFvf(0x062, &l));
  EXPECT_EQ(l.stride, 20u);
  EXPECT_EQ(l.pointSize, 12);
  EXPECT_EQ(l.diffuse, 16);
  EXPECT_EQ(l.texCoordCount, 0);
  ASSERT_TRUE(gfx::DecodeFvf(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1, &l));
  EXPECT_TRUE(l.pretransformed);
  EXPECT_EQ(l.stride, 28u);
  EXPECT_EQ(l.diffuse, 16);
  EXPECT_EQ(l.texCoord[0], 20);
  ASSERT_TRUE(gfx::DecodeFvf(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1, &l));
  EXPECT_EQ(l.stride, 24u);
  EXPECT_FALSE(gfx::DecodeFvf(D3DFVF_NORMAL, &l));        // no position
  EXPECT_FALSE(gfx::DecodeFvf(0x1000 | D3DFVF_XYZ, &l));  // unknown bit
}

}  // namespace
