// Building every mesh again gives exactly the committed .x bytes.
#include <gtest/gtest.h>

#include <cstring>
#include <ostream>

#include "asset_files.h"
#include "mesh_catalog.h"

// Names a catalogue entry in test output (instead of its bytes).
inline void PrintTo(const MeshEntry& e, std::ostream* os) { *os << e.file; }

namespace {

class MeshRegeneration : public ::testing::TestWithParam<MeshEntry> {};

TEST_P(MeshRegeneration, MatchesCommittedFile) {
  const MeshEntry& e = GetParam();
  std::vector<uint8_t> committed = ReadAsset(e.file);
  ASSERT_FALSE(committed.empty()) << e.file << " is missing";
  std::vector<uint8_t> fresh;
  ASSERT_TRUE(RenderMesh(e, &fresh));
  ASSERT_GE(fresh.size(), 16u);
  EXPECT_EQ(std::memcmp(fresh.data(), "xof 0303bzip0032", 16), 0);
  EXPECT_TRUE(fresh == committed)
      << e.file << " differs from what meshgen builds; rerun meshgen";
}

INSTANTIATE_TEST_SUITE_P(AllMeshes, MeshRegeneration,
                         ::testing::ValuesIn(MeshCatalog()),
                         [](const ::testing::TestParamInfo<MeshEntry>& info) {
                           return "Mesh" + std::to_string(info.param.resource);
                         });

}  // namespace
