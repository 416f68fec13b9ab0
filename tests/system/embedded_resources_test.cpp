// Lookup of the resources built into the executable.
#include "platform/system/embedded_resources.h"

#include <gtest/gtest.h>

namespace {

const uint8_t kSong[] = {1, 2, 3, 4, 5};
const uint8_t kMesh[] = {9, 8, 7};
const uint8_t kOther[] = {42};

class EmbeddedResourcesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    table_[0] = {ResourceType::RcData, 102, kSong, kSong + sizeof kSong};
    table_[1] = {ResourceType::Mesh, 102, kMesh, kMesh + sizeof kMesh};
    RegisterEmbeddedResources(table_, 2);
  }
  void TearDown() override {
    ClearResourceOverrides();
    RegisterEmbeddedResources(nullptr, 0);
  }
  EmbeddedResource table_[2];
};

TEST_F(EmbeddedResourcesTest, FindsByTypeAndNumber) {
  ResourceData found;
  ASSERT_TRUE(FindEmbeddedResource(ResourceType::RcData, 102, &found));
  EXPECT_EQ(found.data, kSong);  // in place, not copied
  EXPECT_EQ(found.size, sizeof kSong);
  ASSERT_TRUE(FindEmbeddedResource(ResourceType::Mesh, 102, &found));
  EXPECT_EQ(found.data, kMesh);
  EXPECT_EQ(found.size, sizeof kMesh);
}

TEST_F(EmbeddedResourcesTest, UnknownNumberOrTypeIsNotFound) {
  ResourceData found;
  EXPECT_FALSE(FindEmbeddedResource(ResourceType::RcData, 103, &found));
  EXPECT_FALSE(FindEmbeddedResource(ResourceType::Mesh, 101, &found));
  EXPECT_EQ(found.data, nullptr);
}

TEST_F(EmbeddedResourcesTest, OverridesReplaceAndHideUntilCleared) {
  OverrideEmbeddedResource(ResourceType::RcData, 102, kOther, sizeof kOther);
  OverrideEmbeddedResource(ResourceType::Mesh, 102, nullptr, 0);
  OverrideEmbeddedResource(ResourceType::RcData, 999, kOther, sizeof kOther);
  ResourceData found;
  ASSERT_TRUE(FindEmbeddedResource(ResourceType::RcData, 102, &found));
  EXPECT_EQ(found.data, kOther);
  EXPECT_EQ(found.size, 1u);
  EXPECT_FALSE(FindEmbeddedResource(ResourceType::Mesh, 102, &found));
  EXPECT_TRUE(FindEmbeddedResource(ResourceType::RcData, 999, &found));
  ClearResourceOverrides();
  ASSERT_TRUE(FindEmbeddedResource(ResourceType::RcData, 102, &found));
  EXPECT_EQ(found.data, kSong);
  EXPECT_TRUE(FindEmbeddedResource(ResourceType::Mesh, 102, &found));
  EXPECT_FALSE(FindEmbeddedResource(ResourceType::RcData, 999, &found));
}

TEST_F(EmbeddedResourcesTest, NullOutputOnlyTellsWhetherItExists) {
  EXPECT_TRUE(FindEmbeddedResource(ResourceType::RcData, 102, nullptr));
  EXPECT_FALSE(FindEmbeddedResource(ResourceType::RcData, 5, nullptr));
}

}  // namespace
