// Blend weights of the bending meshes: written into the one-weight layout
// from where each vertex lies along the section's measure.
#include "sections/blend_weights.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "headless_device.h"
#include "resource_ids.h"

namespace {

struct Weights {
  float lowest = 2.0f, highest = -1.0f;
  float atLowestMeasure = -1.0f, atHighestMeasure = -1.0f;
  int count = 0;
};

// Reads back every vertex's weight (the float after x, y, z) with the
// measure it was given.
Weights ReadWeights(MeshObject& mesh, BlendMeasure measure) {
  Weights w;
  const float* v = static_cast<const float*>(mesh.LockVertices());
  EXPECT_NE(v, nullptr);
  if (!v) return w;
  float lowMeasure = 1e30f, highMeasure = -1e30f;
  for (uint32_t i = 0; i < mesh.vertexCount; ++i, v += 9) {
    const float weight = v[3];
    w.lowest = std::min(w.lowest, weight);
    w.highest = std::max(w.highest, weight);
    const float m = measure(v);
    if (m < lowMeasure) lowMeasure = m, w.atLowestMeasure = weight;
    if (m > highMeasure) highMeasure = m, w.atHighestMeasure = weight;
    ++w.count;
  }
  mesh.UnlockVertices();
  return w;
}

float X(const float* p) { return p[0]; }
float Same(const float*) { return 3.0f; }

class BlendWeightsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(headless_.ok()) << headless_.error();
    ASSERT_EQ(
        mesh_.LoadFromResource(headless_.device(), resource_id::kBentTubeMesh),
        S_OK);
  }
  HeadlessDevice headless_;
  MeshObject mesh_;
};

TEST_F(BlendWeightsTest, EndsFollowTheWorldAloneTheMiddleBendsAQuarter) {
  ASSERT_EQ(PrepareBlendWeights(mesh_, X), S_OK);
  EXPECT_EQ(mesh_.mesh->GetFVF(), kBlendFvf);
  const Weights w = ReadWeights(mesh_, X);
  ASSERT_GT(w.count, 0);
  // w = 1 - 0.25 sin(pi u): 1 at both ends of the x range, 0.75 halfway.
  EXPECT_FLOAT_EQ(w.atLowestMeasure, 1.0f);
  EXPECT_NEAR(w.atHighestMeasure, 1.0f, 1e-6f);
  EXPECT_FLOAT_EQ(w.highest, 1.0f);
  EXPECT_GE(w.lowest, 0.75f);
  EXPECT_LT(w.lowest, 0.76f) << "some vertex lies near the middle";
}

TEST_F(BlendWeightsTest, AMeshThatMeasuresTheSameEverywhereDoesNotBend) {
  // max - min is 0: every weight is 1, none is a division by zero.
  ASSERT_EQ(PrepareBlendWeights(mesh_, Same), S_OK);
  const Weights w = ReadWeights(mesh_, Same);
  EXPECT_EQ(w.lowest, 1.0f);
  EXPECT_EQ(w.highest, 1.0f);
}

}  // namespace
