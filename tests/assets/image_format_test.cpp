// Every texture-bank slot gets a picture of exactly the format and size the
// bank expects, read back from the committed file's own header.
#include <gtest/gtest.h>

#include "asset_files.h"
#include "catalog.h"
#include "image_decoder.h"

namespace {

enum class Kind { Jpeg, ProgressiveJpeg, Png };

struct SlotContract {
  int slot;
  int resource;
  Kind kind;
  int width, height;
};

// The texture bank's table: slot, resource, format, pixels.
const SlotContract kSlots[] = {
    {0, 139, Kind::Jpeg, 256, 256},
    {1, 132, Kind::Jpeg, 256, 256},
    {2, 131, Kind::Png, 512, 512},
    {4, 138, Kind::Jpeg, 512, 512},
    {5, 141, Kind::ProgressiveJpeg, 512, 512},
    {6, 133, Kind::Png, 800, 600},
    {7, 130, Kind::Jpeg, 596, 575},
    {8, 134, Kind::Png, 800, 600},
    {10, 136, Kind::Png, 800, 600},
    {11, 137, Kind::Png, 800, 600},
    {12, 142, Kind::Jpeg, 512, 256},
    {13, 143, Kind::Jpeg, 512, 512},
    {14, 144, Kind::Jpeg, 512, 512},
    {15, 145, Kind::Png, 800, 600},
    {16, 146, Kind::Png, 82, 1363},
    {17, 147, Kind::Png, 800, 100},
    {18, 148, Kind::Png, 800, 100},
    {19, 149, Kind::Png, 800, 100},
    {20, 150, Kind::Png, 800, 100},
    {21, 151, Kind::Png, 800, 100},
    {22, 152, Kind::Png, 800, 100},
    {23, 153, Kind::Jpeg, 256, 256},
    {24, 154, Kind::Jpeg, 256, 256},
    {25, 155, Kind::Jpeg, 256, 256},
    {26, 156, Kind::Jpeg, 256, 256},
    {27, 157, Kind::Jpeg, 256, 256},
    {28, 158, Kind::Jpeg, 256, 256},
    {29, 159, Kind::Jpeg, 256, 256},
    {30, 168, Kind::Jpeg, 256, 256},
    {31, 160, Kind::Jpeg, 800, 600},
    {32, 161, Kind::Jpeg, 800, 600},
    {33, 162, Kind::Jpeg, 800, 600},
    {34, 164, Kind::Jpeg, 256, 256},
    {35, 165, Kind::Jpeg, 400, 200},
    {36, 166, Kind::Jpeg, 400, 200},
    {37, 167, Kind::Jpeg, 400, 200},
    {38, 163, Kind::Jpeg, 512, 512},
};

class SlotFormat : public ::testing::TestWithParam<SlotContract> {};

TEST_P(SlotFormat, ManifestedFileHasTheSlotsFormatAndSize) {
  const SlotContract& c = GetParam();
  Manifest m = ReadManifest();
  auto it = m.files.find({"RCDATA", c.resource});
  ASSERT_NE(it, m.files.end()) << "RCDATA " << c.resource << " not listed";
  imagegen::DecodedImage img;
  std::string err;
  ASSERT_TRUE(imagegen::DecodeImage(ReadAsset(it->second), &img, &err)) << err;
  EXPECT_EQ(img.width, c.width);
  EXPECT_EQ(img.height, c.height);
  if (c.kind == Kind::Png) {
    EXPECT_TRUE(img.png);
    EXPECT_EQ(img.bitDepth, 8);
    EXPECT_EQ(img.colorType, 6) << "PNG must be RGBA";
  } else {
    EXPECT_FALSE(img.png);
    EXPECT_EQ(img.components, 3);
    EXPECT_EQ(img.progressive, c.kind == Kind::ProgressiveJpeg);
    EXPECT_TRUE(img.fullChroma) << "chroma must not be subsampled";
  }
}

INSTANTIATE_TEST_SUITE_P(
    TextureBank, SlotFormat, ::testing::ValuesIn(kSlots),
    [](const ::testing::TestParamInfo<SlotContract>& info) {
      return "Slot" + std::to_string(info.param.slot);
    });

TEST(IconFormat, IsA64PixelRgbaPng) {
  Manifest m = ReadManifest();
  auto it = m.files.find({"RCDATA", 101});
  ASSERT_NE(it, m.files.end());
  imagegen::DecodedImage img;
  std::string err;
  ASSERT_TRUE(imagegen::DecodeImage(ReadAsset(it->second), &img, &err)) << err;
  EXPECT_TRUE(img.png);
  EXPECT_EQ(img.width, 64);
  EXPECT_EQ(img.height, 64);
  EXPECT_EQ(img.colorType, 6);
}

TEST(CatalogueAndSlotTable, AgreeOnEverySlot) {
  // Every slot of the bank has exactly one catalogue entry with the same
  // resource number, and the catalogue paints nothing the bank does not
  // load (besides the icon).
  const auto& cat = ImageCatalog();
  EXPECT_EQ(cat.size(), std::size(kSlots) + 1);
  for (const SlotContract& c : kSlots) {
    int found = 0;
    for (const ImageEntry& e : cat)
      if (e.slot == c.slot) {
        ++found;
        EXPECT_EQ(e.resource, c.resource) << "slot " << c.slot;
        EXPECT_EQ(e.width, c.width);
        EXPECT_EQ(e.height, c.height);
      }
    EXPECT_EQ(found, 1) << "slot " << c.slot;
  }
}

TEST(JpegQuality, IsAtLeastNinety) {
  for (const ImageEntry& e : ImageCatalog()) {
    if (e.format != ImageFormat::Png) {
      EXPECT_GE(e.quality, 90) << e.file;
    }
  }
}

}  // namespace
