// Every picture has real detail for where it is seen: no flat or clipped
// images, overlays that leave the frame visible, tiles without seams,
// mirror tiles that are symmetric, text that fills its strip.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <ostream>

#include "asset_files.h"
#include "catalog.h"
#include "image_decoder.h"
#include "image_stats.h"

// Names a catalogue entry in test output (instead of its bytes).
inline void PrintTo(const ImageEntry& e, std::ostream* os) { *os << e.file; }

namespace {

imagegen::DecodedImage Load(int resource) {
  for (const ImageEntry& e : ImageCatalog())
    if (e.resource == resource) {
      imagegen::DecodedImage img;
      std::string err;
      EXPECT_TRUE(imagegen::DecodeImage(ReadAsset(e.file), &img, &err)) << err;
      return img;
    }
  ADD_FAILURE() << "no picture " << resource;
  return {};
}

uint8_t Alpha(const imagegen::DecodedImage& img, int x, int y) {
  return img.rgba[(static_cast<size_t>(y) * img.width + x) * 4 + 3];
}

class PictureDetail : public ::testing::TestWithParam<ImageEntry> {};

TEST_P(PictureDetail, HasSpreadWithoutClipping) {
  const ImageEntry& e = GetParam();
  imagegen::DecodedImage img;
  std::string err;
  ASSERT_TRUE(imagegen::DecodeImage(ReadAsset(e.file), &img, &err)) << err;
  ImageStats s = MeasureImage(img);
  double minSpread = e.role == ImageRole::Flash ? 0.15 : 0.25;
  double maxWhite = e.role == ImageRole::Flash ? 0.10 : 0.01;
  // The additive dot needs its exact black ground; nothing else may crush.
  double maxBlack = e.role == ImageRole::Sprite ? 0.80 : 0.01;
  EXPECT_GE(s.lumaSpread, minSpread) << e.file << " is flat";
  EXPECT_LE(s.whiteShare, maxWhite) << e.file << " clips to white";
  EXPECT_LE(s.blackShare, maxBlack) << e.file << " clips to black";
}

INSTANTIATE_TEST_SUITE_P(AllPictures, PictureDetail,
                         ::testing::ValuesIn(ImageCatalog()),
                         [](const ::testing::TestParamInfo<ImageEntry>& info) {
                           return "Resource" +
                                  std::to_string(info.param.resource);
                         });

TEST(TransparentPixels, CarryBledColourNotBlack) {
  // Filtering at the edges of visible parts would pull black in otherwise.
  for (const ImageEntry& e : ImageCatalog()) {
    if (e.format != ImageFormat::Png) continue;
    imagegen::DecodedImage img = Load(e.resource);
    size_t blackUnderTransparent = 0;
    for (size_t i = 0; i < img.rgba.size(); i += 4)
      if (img.rgba[i + 3] == 0 && img.rgba[i] == 0 && img.rgba[i + 1] == 0 &&
          img.rgba[i + 2] == 0)
        ++blackUnderTransparent;
    EXPECT_EQ(blackUnderTransparent, 0u) << e.file;
  }
}

TEST(Overlays, LeaveTheFrameVisibleAndStayOnScreen) {
  // 8, 10, 11 and 15 lie over whole frames. The sprite shows image pixels
  // x < 781, y < 586 only, so anything opaque beyond is lost.
  for (int res : {134, 136, 137, 145}) {
    imagegen::DecodedImage img = Load(res);
    ImageStats s = MeasureImage(img);
    EXPECT_GE(s.transparentShare, 0.70) << res;
    for (int y = 150; y < 440; ++y)
      for (int x = 200; x < 580; ++x) {
        // Tunnel's overlay keeps a crosshair at the centre.
        if (res == 145 && std::hypot(x - 390.6, y - 293.0) < 70) continue;
        ASSERT_EQ(Alpha(img, x, y), 0)
            << res << " covers the centre at " << x << "," << y;
      }
    for (int y = 0; y < img.height; ++y)
      for (int x = 0; x < img.width; ++x) {
        if (x > 784 || y > 589) {
          ASSERT_LT(Alpha(img, x, y), 40)
              << res << " off screen at " << x << "," << y;
        }
      }
  }
}

TEST(TitlePicture, KeepsTheMiddleClearAndTheVignetteSoft) {
  imagegen::DecodedImage img = Load(133);
  // Vignette alpha at most one half, at the corners.
  EXPECT_LE(Alpha(img, 0, 0), 130);
  EXPECT_LE(Alpha(img, 799, 599), 130);
  // Between the title and the frame's edge the topuz scene shows through.
  EXPECT_EQ(Alpha(img, 390, 120), 0);
  EXPECT_EQ(Alpha(img, 390, 480), 0);
  // The title itself is opaque and bright at the centre row.
  int bright = 0;
  for (int x = 0; x < 800; ++x)
    bright += Alpha(img, x, 290) > 240 && Luma(img, x, 290) > 0.75;
  EXPECT_GT(bright, 100);
}

TEST(Banners, TextSpreadsOverTheWholeWidthWithoutBeingCut) {
  for (int res = 147; res <= 152; ++res) {
    imagegen::DecodedImage img = Load(res);
    int left = img.width, right = -1;
    for (int y = 0; y < img.height; ++y)
      for (int x = 0; x < img.width; ++x)
        if (Alpha(img, x, y) > 230 && Luma(img, x, y) > 0.7)
          left = std::min(left, x), right = std::max(right, x);
    EXPECT_LT(left, 60) << res;
    EXPECT_GT(right, 740) << res;
    EXPECT_GT(left, 2) << res << " text cut at the left";
    EXPECT_LT(right, img.width - 3) << res << " text cut at the right";
  }
}

TEST(VerticalStrip, RunsAlongItsWholeLength) {
  imagegen::DecodedImage img = Load(146);
  int top = img.height, bottom = -1;
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x)
      if (Alpha(img, x, y) > 230 && Luma(img, x, y) > 0.7)
        top = std::min(top, y), bottom = std::max(bottom, y);
  EXPECT_LT(top, 80);
  EXPECT_GT(bottom, img.height - 80);
}

TEST(WrapTextures, HaveNoSeam) {
  // Backdrop insides, tunnel wall, metal and hull wrap both ways; the band
  // textures wrap around the banded mesh (u) only. A seamless tile steps
  // across its wrap about as much as between any two columns (ratio near
  // 1, more when a sharp feature happens to lie on the edge); a real seam
  // gives 5 and more.
  for (int res : {138, 141, 143, 144, 163}) {
    imagegen::DecodedImage img = Load(res);
    EXPECT_LE(WrapSeamRatio(img, true), 2.0) << res << " seam across u";
    EXPECT_LE(WrapSeamRatio(img, false), 2.0) << res << " seam across v";
  }
  for (int res : {165, 166, 167})
    EXPECT_LE(WrapSeamRatio(Load(res), true), 2.0) << res;
}

TEST(NormalMappedTiles, AreMirrorSymmetric) {
  // Up to JPEG error: centre and rim of an object sample these corners.
  for (int res : {131, 132, 164})
    EXPECT_LE(MirrorAsymmetry(Load(res)), 0.12) << res;
}

TEST(GlowSources, KeepAModerateMeanLevel) {
  // The blurred max-blend halo would wash the frame out otherwise.
  for (int res : {132, 141, 144, 164}) {
    ImageStats s = MeasureImage(Load(res));
    EXPECT_GE(s.lumaMean, 0.2) << res;
    EXPECT_LE(s.lumaMean, 0.5) << res;
  }
}

TEST(SwarmDot, IsBrightInTheMiddleAndExactlyBlackAtTheEdges) {
  imagegen::DecodedImage img = Load(139);
  EXPECT_GT(Luma(img, 128, 128), 0.9);
  for (int y : {0, 5, 250, 255})
    for (int x = 0; x < 256; ++x)
      ASSERT_EQ(Luma(img, x, y), 0.0) << x << "," << y;
}

TEST(Flash, IsBright) { EXPECT_GT(MeasureImage(Load(130)).lumaMean, 0.55); }

TEST(TvStatic, FramesDifferFromEachOther) {
  imagegen::DecodedImage a = Load(160), b = Load(161), c = Load(162);
  auto diff = [](const imagegen::DecodedImage& p,
                 const imagegen::DecodedImage& q) {
    double sum = 0;
    for (size_t i = 0; i < p.rgba.size(); i += 4)
      sum += std::abs(p.rgba[i] - q.rgba[i]) / 255.0;
    return sum / (p.rgba.size() / 4);
  };
  EXPECT_GT(diff(a, b), 0.08);
  EXPECT_GT(diff(b, c), 0.08);
  EXPECT_GT(diff(a, c), 0.08);
}

}  // namespace
