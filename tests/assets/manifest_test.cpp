// The manifest the build embeds from lists every picture and mesh the
// program loads, in the TYPE NUMBER FILE form, each file present.
#include <gtest/gtest.h>

#include <cstring>

#include "asset_files.h"
#include "catalog.h"
#include "mesh_catalog.h"

namespace {

TEST(Manifest, IsWellFormed) {
  Manifest m = ReadManifest();
  for (const std::string& p : m.problems) ADD_FAILURE() << p;
}

TEST(Manifest, ListsEveryPictureWithItsFile) {
  Manifest m = ReadManifest();
  for (const ImageEntry& e : ImageCatalog()) {
    auto it = m.files.find({"RCDATA", e.resource});
    ASSERT_NE(it, m.files.end()) << "RCDATA " << e.resource;
    EXPECT_EQ(it->second, e.file);
    EXPECT_FALSE(ReadAsset(e.file).empty()) << e.file;
  }
}

TEST(Manifest, ListsEveryMeshAsCompressedBinaryX) {
  Manifest m = ReadManifest();
  for (int id : {104, 105, 107, 108, 109, 110, 111, 112, 113, 114, 116, 117}) {
    auto it = m.files.find({"MESH", id});
    ASSERT_NE(it, m.files.end()) << "MESH " << id;
    std::vector<uint8_t> bytes = ReadAsset(it->second);
    ASSERT_GE(bytes.size(), 16u) << it->second;
    EXPECT_EQ(std::memcmp(bytes.data(), "xof 0303bzip0032", 16), 0)
        << it->second;
  }
  EXPECT_EQ(MeshCatalog().size(), 12u);
}

}  // namespace
