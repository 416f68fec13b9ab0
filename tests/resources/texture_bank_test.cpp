// The texture bank: every image in its slot, power-of-two sizes, and the
// partial load that a missing image leaves behind.
#include "resources/texture_bank.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <vector>

#include "headless_device.h"
#include "platform/d3dx/d3dx9core.h"
#include "platform/system/embedded_resources.h"

namespace {

// Decoding and scaling all 37 images takes a while in a debug build: the
// tests that only look at a complete bank share one load.
class LoadedBankTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    headless_ = new HeadlessDevice;
    if (!headless_->ok()) return;
    bank_ = new TextureBank;
    bank_->SetDevice(headless_->device());
    loadResult_ = bank_->LoadAll();
  }
  static void TearDownTestSuite() {
    if (bank_) bank_->Destroy();
    delete bank_;
    bank_ = nullptr;
    delete headless_;
    headless_ = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(headless_->ok()) << headless_->error();
    ASSERT_EQ(loadResult_, S_OK) << D3DXGetLastErrorText();
  }
  static bool NeverFilled(int slot) {
    return slot == 3 || slot == 9 || slot >= 39;
  }
  void FillsEverySlotButTheUnusedOnes();
  void SizesAreRoundedUpToPowersOfTwo();
  void ScaledImageFillsTheWholeTexture();

  static HeadlessDevice* headless_;
  static TextureBank* bank_;
  static HRESULT loadResult_;
};
HeadlessDevice* LoadedBankTest::headless_ = nullptr;
TextureBank* LoadedBankTest::bank_ = nullptr;
HRESULT LoadedBankTest::loadResult_ = E_FAIL;

class TextureBankTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(headless_.ok()) << headless_.error();
    bank_.SetDevice(headless_.device());
  }
  void TearDown() override {
    bank_.Destroy();
    ClearResourceOverrides();
  }

  HeadlessDevice headless_;
  TextureBank bank_;
};

TEST_F(TextureBankTest, StartsEmpty) {
  TextureBank fresh;
  EXPECT_EQ(fresh.device, nullptr);
  EXPECT_EQ(fresh.textures, nullptr);
  fresh.Destroy();  // nothing to give back
}

void LoadedBankTest::FillsEverySlotButTheUnusedOnes() {
  ASSERT_NE(bank_->textures, nullptr);
  for (int slot = 0; slot < TextureBank::kSlotCount; ++slot) {
    if (NeverFilled(slot)) {
      EXPECT_EQ(bank_->textures[slot], nullptr) << "slot " << slot;
    } else {
      EXPECT_NE(bank_->textures[slot], nullptr) << "slot " << slot;
    }
  }
}

void LoadedBankTest::SizesAreRoundedUpToPowersOfTwo() {
  const struct {
    int slot;
    UINT width, height;
  } expected[] = {
      {6, 1024, 1024},  // 800 x 600
      {7, 1024, 1024},  // 596 x 575
      {0, 256, 256},    // 256 x 256 stays
      {12, 512, 256},   // 512 x 256 stays
      {16, 128, 2048},  // 82 x 1363
      {17, 1024, 128},  // 800 x 100
      {35, 512, 256},   // 400 x 200
  };
  for (const auto& e : expected) {
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(bank_->textures[e.slot]->GetLevelDesc(0, &desc), S_OK);
    EXPECT_EQ(desc.Width, e.width) << "slot " << e.slot;
    EXPECT_EQ(desc.Height, e.height) << "slot " << e.slot;
  }
  // A full mip chain: 1024 down to 1 is 11 levels.
  EXPECT_EQ(bank_->textures[6]->GetLevelCount(), 11u);
  // PNG keeps its alpha; JPEG has none.
  D3DSURFACE_DESC png{}, jpeg{};
  bank_->textures[6]->GetLevelDesc(0, &png);
  bank_->textures[0]->GetLevelDesc(0, &jpeg);
  EXPECT_EQ(png.Format, D3DFMT_A8R8G8B8);
  EXPECT_EQ(jpeg.Format, D3DFMT_X8R8G8B8);
}

void LoadedBankTest::ScaledImageFillsTheWholeTexture() {
  // Resource 133 (slot 6) is an 800 x 600 PNG stretched to 1024 x 1024:
  // texel (x, y) shows image point (x * 800 / 1024, y * 600 / 1024), corners
  // included. Decoded here with libpng directly for comparison.
  ResourceData png;
  ASSERT_TRUE(FindEmbeddedResource(ResourceType::RcData, 133, &png));
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_memory(&image, png.data, png.size));
  image.format = PNG_FORMAT_BGRA;  // 0xAARRGGBB words on little-endian
  ASSERT_EQ(image.width, 800u);
  ASSERT_EQ(image.height, 600u);
  std::vector<uint32_t> pixels(800 * 600);
  ASSERT_TRUE(
      png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr));
  std::vector<uint32_t> texels;
  ASSERT_EQ(headless_->device()->ReadTexture(bank_->textures[6], &texels),
            S_OK);
  ASSERT_EQ(texels.size(), 1024u * 1024u);

  // Average the channel differences over a grid of sample points: a
  // stretched image agrees closely everywhere, one placed unscaled in the
  // corner or shifted does not.
  double total = 0;
  int samples = 0;
  for (int ty = 8; ty < 1024; ty += 64) {
    for (int tx = 8; tx < 1024; tx += 64) {
      const uint32_t t = texels[ty * 1024 + tx];
      const uint32_t p = pixels[(ty * 600 / 1024) * 800 + tx * 800 / 1024];
      for (int shift = 0; shift < 32; shift += 8) {
        total += std::abs(static_cast<int>((t >> shift) & 0xFF) -
                          static_cast<int>((p >> shift) & 0xFF));
      }
      ++samples;
    }
  }
  EXPECT_LT(total / (samples * 4), 12.0);
  // The far corner shows the image's far corner.
  const uint32_t last = texels[1023 * 1024 + 1023];
  const uint32_t corner = pixels[599 * 800 + 799];
  EXPECT_NEAR((last >> 24) & 0xFF, (corner >> 24) & 0xFF, 24);
}

// One test, so that a test runner that starts a process per test decodes
// the images once.
TEST_F(LoadedBankTest, CompleteLoad) {
  {
    SCOPED_TRACE("every slot but 3, 9 and 39 to 99 holds a texture");
    FillsEverySlotButTheUnusedOnes();
  }
  {
    SCOPED_TRACE("sizes are rounded up to powers of two");
    SizesAreRoundedUpToPowersOfTwo();
  }
  {
    SCOPED_TRACE("an 800 x 600 image fills its 1024 x 1024 texture");
    ScaledImageFillsTheWholeTexture();
  }
}

TEST_F(TextureBankTest, FailedLoadKeepsEarlierSlotsAndReturnsTheLoaderCode) {
  // 141 is the eleventh image loaded (slot 5); ten are loaded before it.
  OverrideEmbeddedResource(ResourceType::RcData, 141, nullptr, 0);
  const HRESULT hr = bank_.LoadAll();
  EXPECT_TRUE(FAILED(hr));
  ASSERT_NE(bank_.textures, nullptr);
  const int loaded[] = {7, 2, 1, 6, 8, 10, 11, 15, 4, 0};
  for (int slot : loaded) EXPECT_NE(bank_.textures[slot], nullptr) << slot;
  int filled = 0;
  for (int slot = 0; slot < TextureBank::kSlotCount; ++slot) {
    if (bank_.textures[slot]) ++filled;
  }
  EXPECT_EQ(filled, 10);

  // Destroy gives back exactly those ten: with one extra reference of our
  // own on each, ours is the last after Destroy.
  std::vector<IDirect3DTexture9*> held;
  for (int slot : loaded) {
    bank_.textures[slot]->AddRef();
    held.push_back(bank_.textures[slot]);
  }
  bank_.Destroy();
  EXPECT_EQ(bank_.textures, nullptr);
  for (IDirect3DTexture9* texture : held) EXPECT_EQ(texture->Release(), 0u);
}

TEST_F(TextureBankTest, StopRequestEndsLoadingBeforeTheNextImage) {
  // The request comes while the fourth image loads: the fifth is never
  // decoded, and what was loaded stays for Destroy to give back.
  int asked = 0;
  bank_.SetStopCheck([&asked] { return ++asked > 4; });
  EXPECT_EQ(bank_.LoadAll(), E_ABORT);
  EXPECT_EQ(asked, 5);
  ASSERT_NE(bank_.textures, nullptr);
  int filled = 0;
  for (int slot = 0; slot < TextureBank::kSlotCount; ++slot) {
    if (bank_.textures[slot]) ++filled;
  }
  EXPECT_EQ(filled, 4);
  for (int slot : {7, 2, 1, 6}) EXPECT_NE(bank_.textures[slot], nullptr);

  // A check that never fires loads everything.
  bank_.SetStopCheck([] { return false; });
  EXPECT_EQ(bank_.LoadAll(), S_OK);
}

TEST_F(TextureBankTest, DestroyTwiceIsHarmless) {
  OverrideEmbeddedResource(ResourceType::RcData, 132, nullptr, 0);  // third
  EXPECT_TRUE(FAILED(bank_.LoadAll()));
  bank_.Destroy();
  bank_.Destroy();
  EXPECT_EQ(bank_.textures, nullptr);
}

}  // namespace
