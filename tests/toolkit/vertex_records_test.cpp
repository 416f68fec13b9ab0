// The two vertex records and their setters.
#include <gtest/gtest.h>

#include <cstddef>

#include "toolkit/screen_quad.h"

namespace {

TEST(VertexRecords, MatchTheirVertexFormats) {
  EXPECT_EQ(kTexVertexFvf, 0x102u);
  EXPECT_EQ(kPointVertexFvf, 0x62u);
  EXPECT_EQ(offsetof(TexVertex, u), 12u);
  EXPECT_EQ(offsetof(PointVertex, size), 12u);
  EXPECT_EQ(offsetof(PointVertex, color), 16u);
}

TEST(VertexRecords, SetTexVertexWritesOnlyItsRecord) {
  TexVertex vertices[3] = {};
  SetTexVertex(vertices, 1, 1.5f, -2.0f, 3.0f, 0.25f, 0.75f);
  EXPECT_EQ(vertices[1].x, 1.5f);
  EXPECT_EQ(vertices[1].y, -2.0f);
  EXPECT_EQ(vertices[1].z, 3.0f);
  EXPECT_EQ(vertices[1].u, 0.25f);
  EXPECT_EQ(vertices[1].v, 0.75f);
  EXPECT_EQ(vertices[0].x, 0.0f);
  EXPECT_EQ(vertices[2].v, 0.0f);
}

TEST(VertexRecords, SetPointVertexTakesColourBeforeSizeButStoresSizeFirst) {
  PointVertex vertices[2] = {};
  SetPointVertex(vertices, 1, 4.0f, 5.0f, 6.0f, 0x80FF0000, 12.5f);
  EXPECT_EQ(vertices[1].x, 4.0f);
  EXPECT_EQ(vertices[1].y, 5.0f);
  EXPECT_EQ(vertices[1].z, 6.0f);
  EXPECT_EQ(vertices[1].size, 12.5f);
  EXPECT_EQ(vertices[1].color, 0x80FF0000u);
  EXPECT_EQ(vertices[0].color, 0u);
}

}  // namespace
