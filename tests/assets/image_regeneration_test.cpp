// Painting every picture again gives exactly the committed bytes: the
// generator is deterministic and nobody edited an image by hand.
#include <gtest/gtest.h>

#include <ostream>

#include "asset_files.h"
#include "catalog.h"

// Names a catalogue entry in test output (instead of its bytes).
inline void PrintTo(const ImageEntry& e, std::ostream* os) { *os << e.file; }

namespace {

class ImageRegeneration : public ::testing::TestWithParam<ImageEntry> {};

TEST_P(ImageRegeneration, MatchesCommittedFile) {
  const ImageEntry& e = GetParam();
  std::vector<uint8_t> committed = ReadAsset(e.file);
  ASSERT_FALSE(committed.empty()) << e.file << " is missing";
  std::vector<uint8_t> fresh = RenderImage(e);
  ASSERT_EQ(fresh.size(), committed.size())
      << e.file << " differs from what imagegen paints; rerun imagegen";
  size_t first = 0;
  while (first < fresh.size() && fresh[first] == committed[first]) ++first;
  EXPECT_EQ(first, fresh.size())
      << e.file << " first differs at byte " << first << "; rerun imagegen";
}

INSTANTIATE_TEST_SUITE_P(AllPictures, ImageRegeneration,
                         ::testing::ValuesIn(ImageCatalog()),
                         [](const ::testing::TestParamInfo<ImageEntry>& info) {
                           return "Resource" +
                                  std::to_string(info.param.resource);
                         });

}  // namespace
