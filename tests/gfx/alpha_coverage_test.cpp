// The alpha coverage map (which cells of a level hold texels that are not
// clear) and the texture query built on it, AnyTexelVisible.
#include "platform/gfx/alpha_coverage.h"

#include <vector>

#include "test_scene.h"

namespace {

using gfx::AlphaCoverage;

// A width x height level, clear except the listed texels.
std::vector<uint32_t> ClearLevel(UINT width, UINT height) {
  return std::vector<uint32_t>(size_t(width) * height, 0x00FFFFFFu);
}

}  // namespace

TEST(AlphaCoverageTest, ClearLevelHasNothingVisible) {
  const auto texels = ClearLevel(64, 32);
  AlphaCoverage coverage;
  coverage.Build(texels.data(), 64, 32, false);
  EXPECT_FALSE(coverage.AnyVisible(0, 0, 63, 31));
  EXPECT_FALSE(coverage.opaque());
}

TEST(AlphaCoverageTest, OneVisibleTexelIsFoundByEveryRangeThatHoldsIt) {
  auto texels = ClearLevel(64, 32);
  texels[20 * 64 + 37] = 0x01000000u;  // alpha 1 at (37, 20), colour black
  AlphaCoverage coverage;
  coverage.Build(texels.data(), 64, 32, false);
  EXPECT_TRUE(coverage.AnyVisible(37, 20, 37, 20));
  EXPECT_TRUE(coverage.AnyVisible(0, 0, 63, 31));
  EXPECT_TRUE(coverage.AnyVisible(30, 15, 40, 25));
  // Cells are 8 x 8: (37, 20) lies in the cell of columns 32..39 and rows
  // 16..23, so ranges outside that cell find nothing.
  EXPECT_FALSE(coverage.AnyVisible(0, 0, 31, 31));
  EXPECT_FALSE(coverage.AnyVisible(40, 0, 63, 31));
  EXPECT_FALSE(coverage.AnyVisible(0, 0, 63, 15));
  EXPECT_FALSE(coverage.AnyVisible(0, 24, 63, 31));
  // Inside the cell but beside the texel: answered for the whole cell.
  EXPECT_TRUE(coverage.AnyVisible(32, 16, 33, 17));
}

TEST(AlphaCoverageTest, RangesAreClampedToTheLevel) {
  auto texels = ClearLevel(16, 16);
  texels[0] = 0xFF000000u;
  texels[15 * 16 + 15] = 0xFF000000u;
  AlphaCoverage coverage;
  coverage.Build(texels.data(), 16, 16, false);
  EXPECT_TRUE(coverage.AnyVisible(-5, -5, 0, 0));
  EXPECT_TRUE(coverage.AnyVisible(15, 15, 100, 100));
  EXPECT_FALSE(coverage.AnyVisible(16, 0, 100, 100));  // wholly outside
  EXPECT_FALSE(coverage.AnyVisible(5, 5, 4, 4));       // empty
}

TEST(AlphaCoverageTest, LevelsThatAreNotWholeCellsKeepTheirLastTexels) {
  // 13 x 9: the last cell column holds columns 8..12, the last cell row
  // the single row 8.
  auto texels = ClearLevel(13, 9);
  texels[8 * 13 + 12] = 0x80000000u;
  AlphaCoverage coverage;
  coverage.Build(texels.data(), 13, 9, false);
  EXPECT_TRUE(coverage.AnyVisible(12, 8, 12, 8));
  EXPECT_FALSE(coverage.AnyVisible(0, 0, 7, 8));
  EXPECT_FALSE(coverage.AnyVisible(0, 0, 12, 7));
}

TEST(AlphaCoverageTest, OpaqueOnlyWhenEveryAlphaIs255) {
  std::vector<uint32_t> texels(8 * 8, 0xFF123456u);
  AlphaCoverage coverage;
  coverage.Build(texels.data(), 8, 8, false);
  EXPECT_TRUE(coverage.opaque());
  texels[63] = 0xFE123456u;
  coverage.Build(texels.data(), 8, 8, false);
  EXPECT_FALSE(coverage.opaque());
  // X8R8G8B8: the stored alpha byte means nothing, every texel is opaque.
  const auto clear = ClearLevel(8, 8);
  coverage.Build(clear.data(), 8, 8, true);
  EXPECT_TRUE(coverage.opaque());
  EXPECT_TRUE(coverage.AnyVisible(3, 3, 3, 3));
}

TEST_F(DeviceTest, AnyTexelVisibleFollowsWritesToTheLevel) {
  IDirect3DTexture9* texture = MakeTexture(
      32, 32,
      [](UINT x, UINT y) { return x == 5 && y == 6 ? 0xFF000000u : 0u; }, 2);
  ASSERT_NE(texture, nullptr);
  const RECT all{0, 0, 32, 32}, aroundTexel{5, 6, 6, 7}, right{16, 0, 32, 32};
  EXPECT_TRUE(texture->AnyTexelVisible(0, &aroundTexel));
  EXPECT_FALSE(texture->AnyTexelVisible(0, &right));
  // Right and bottom edges are excluded: columns 0..4 do not hold x = 5,
  // but its cell (0..7) does.
  const RECT leftOfTexel{0, 0, 5, 32};
  EXPECT_TRUE(texture->AnyTexelVisible(0, &leftOfTexel));
  const RECT leftCells{0, 0, 8, 32}, otherCells{8, 0, 32, 32};
  EXPECT_TRUE(texture->AnyTexelVisible(0, &leftCells));
  EXPECT_FALSE(texture->AnyTexelVisible(0, &otherCells));

  // Writing the level makes the next question see the new texels.
  D3DLOCKED_RECT locked;
  ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), S_OK);
  static_cast<uint32_t*>(locked.pBits)[6 * 32 + 5] = 0;
  static_cast<uint32_t*>(locked.pBits)[20 * 32 + 30] = 0x10000000u;
  texture->UnlockRect(0);
  EXPECT_FALSE(texture->AnyTexelVisible(0, &leftCells));
  EXPECT_TRUE(texture->AnyTexelVisible(0, &right));
  EXPECT_TRUE(texture->AnyTexelVisible(0, &all));
  // Level 1 was filled the same way and not written since.
  EXPECT_TRUE(texture->AnyTexelVisible(1, &all));
  // A level the texture does not have, or no rectangle: not known, TRUE.
  EXPECT_TRUE(texture->AnyTexelVisible(2, &all));
  EXPECT_TRUE(texture->AnyTexelVisible(0, nullptr));
  texture->Release();
}

TEST_F(DeviceTest, RenderTargetTexelsCountAsVisible) {
  IDirect3DTexture9* target = nullptr;
  ASSERT_EQ(
      device()->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                              D3DPOOL_DEFAULT, &target, nullptr),
      S_OK);
  device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
  const RECT all{0, 0, 16, 16};
  EXPECT_TRUE(target->AnyTexelVisible(0, &all));
  target->Release();
}
