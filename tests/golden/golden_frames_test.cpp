// Golden frames: moments of the show rendered offline by the shell, one tick
// per virtual millisecond, compared with reference PNGs named after the
// section and the moment (topuz_01500ms.png).
//
// A pixel counts as different when any colour channel moves by more than
// kChannelTolerance levels; a frame fails when more than kShareTolerance of
// its pixels differ or when the mean channel difference exceeds
// kMeanTolerance. That absorbs the odd pixel of a wireframe edge that a
// different rasteriser lights differently, and catches a missing halo, a
// flash at the wrong moment or a picture that fades at the wrong time.
//
// QUORBEL_GOLDEN_OUT=DIR keeps the rendered frames for a look.
// QUORBEL_GOLDEN_UPDATE=1 writes the rendered frames as the new references
// instead of comparing (scripts/update-goldens; say why in the commit).
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "headless_device.h"
#include "shell/offline_show.h"
#include "shell/section_table.h"

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr int kChannelTolerance = 24;
constexpr double kShareTolerance = 0.003;
constexpr double kMeanTolerance = 1.0;

// The moments, in milliseconds of the demo clock; each belongs to the
// section playing then.
constexpr uint32_t kMoments[] = {
    // topuz: the first frame; the knot in its glow; the first flash at 2 s
    // at full strength and 300 ms later; the title not yet there, half
    // faded in, under a flash, and fully there; the last frame.
    0, 1500, 2000, 2300, 13400, 13900, 14000, 20000, 20600, 26900,
    // Titrek: the first frame under the change's flash; the rings as the
    // flash fades, the banner not yet in; the banner halfway across; the
    // banner leaving on the left; the last frame.
    27000, 27400, 33000, 37000, 40999,
    // Shine: the first frame under the change's flash; the tube and its
    // wireframe before the backdrop; the last frame of the first overlay;
    // the barred overlay under its half-faded flash and without it; the
    // overlay with tick marks likewise; the last frame.
    41000, 47000, 52999, 53250, 53600, 68250, 68600, 81999,
    // Tunnel: the first frame under the change's flash; the tunnel as the
    // flash fades, the strip at the top; both overlays scrolling; the
    // strip's end going up; the last frame.
    82000, 82400, 90000, 100000, 107999,
    // Arms: the first frame (the star under the change's flash); the
    // chains unfolding as the flash fades; the swarm formed; the overlay
    // halfway across; the last frame.
    108000, 108500, 111000, 122500, 136900,
    // Greets: the first frame (rings from above under the flash); the
    // first card change, at 138 s, seen from above; the camera at the
    // rings' height just after it starts bobbing (144.07 s); a card change
    // seen face on (150 s); the top of a bob; the last frame.
    137000, 137900, 138000, 144100, 149900, 150000, 154300, 164900,
    // Uzun: its first frame under the flash of the change; the glider far
    // away, nearer, passing over the column, gone past and going away; the
    // last frame. Its backdrop shows the turn that the sections before it
    // have given the sphere.
    165000, 167000, 177500, 186500, 200000, 218900,
    // Noise: its first frame (the first picture at full opacity, under the
    // full flash of the change); the noise at 0.75 under the flash at
    // half; half faded out, the flash gone; nearly gone; black with the
    // overlay; the last frame of the show.
    219000, 219250, 219500, 219800, 220000, 224900};

// The index of the section playing at `ms`.
int SectionAt(uint32_t ms) {
  int index = 0;
  while (index + 1 < kSectionCount && ms >= kSectionEndSeconds[index] * 1000) {
    ++index;
  }
  return index;
}

std::string FrameName(uint32_t ms) {
  char name[64];
  std::snprintf(name, sizeof name, "%s_%05ums.png",
                kSectionNames[SectionAt(ms)], ms);
  return name;
}

bool ReadPng(const std::string& path, std::vector<uint32_t>* pixels) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_BGRA;  // 0xAARRGGBB words on little-endian
  if (image.width != kWidth || image.height != kHeight) {
    png_image_free(&image);
    return false;
  }
  pixels->resize(static_cast<size_t>(kWidth) * kHeight);
  return png_image_finish_read(&image, nullptr, pixels->data(), 0, nullptr);
}

struct FrameDifference {
  int largest = 0;
  double share = 0;
  double mean = 0;
};

FrameDifference Compare(const std::vector<uint32_t>& a,
                        const std::vector<uint32_t>& b) {
  FrameDifference d;
  size_t differing = 0;
  double sum = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    int worst = 0;
    for (int shift = 0; shift < 24; shift += 8) {  // red, green, blue
      const int diff = std::abs(static_cast<int>((a[i] >> shift) & 0xFF) -
                                static_cast<int>((b[i] >> shift) & 0xFF));
      worst = std::max(worst, diff);
      sum += diff;
    }
    d.largest = std::max(d.largest, worst);
    if (worst > kChannelTolerance) ++differing;
  }
  d.share = static_cast<double>(differing) / a.size();
  d.mean = sum / (a.size() * 3.0);
  return d;
}

class GoldenFrames : public ::testing::TestWithParam<int> {};

TEST_P(GoldenFrames, MatchTheirReferences) {
  const int section = GetParam();
  std::vector<uint32_t> moments;
  for (uint32_t ms : kMoments) {
    if (SectionAt(ms) == section) moments.push_back(ms);
  }
  if (moments.empty()) GTEST_SKIP() << "no moments for this section yet";

  OfflineShow show;
  ASSERT_TRUE(show.Start());
  Demo& demo = show.demo();
  std::vector<uint32_t> frame;
  demo.SetFrameCapture(
      [&](IDirect3DDevice9* device) { device->ReadBackBuffer(&frame); });
  const char* out = std::getenv("QUORBEL_GOLDEN_OUT");
  const bool update = std::getenv("QUORBEL_GOLDEN_UPDATE") != nullptr;

  for (uint32_t ms : moments) {
    const std::string name = FrameName(ms);
    SCOPED_TRACE(name);
    // As the offline renderer does: up to just before the moment taking up
    // section changes, then the moment's own tick, then one paint.
    if (ms > 0) show.ticks().RunTo(ms - 1, true);
    show.ticks().RunTo(ms, false);
    frame.clear();
    demo.PaintFrame();
    ASSERT_EQ(frame.size(), static_cast<size_t>(kWidth) * kHeight);
    if (out) WritePng(std::string(out) + "/" + name, frame, kWidth, kHeight);
    const std::string reference = std::string(QUORBEL_GOLDEN_DIR) + "/" + name;
    if (update) {
      ASSERT_TRUE(WritePng(reference, frame, kWidth, kHeight)) << reference;
      std::printf("wrote %s\n", reference.c_str());
      continue;
    }
    std::vector<uint32_t> expected;
    ASSERT_TRUE(ReadPng(reference, &expected))
        << "no reference " << reference << " (scripts/update-goldens)";
    const FrameDifference d = Compare(frame, expected);
    std::printf(
        "golden %s: largest channel difference %3d, %.4f%% of pixels over "
        "%d, mean %.3f\n",
        name.c_str(), d.largest, d.share * 100, kChannelTolerance, d.mean);
    EXPECT_LE(d.share, kShareTolerance);
    EXPECT_LE(d.mean, kMeanTolerance);
  }
}

INSTANTIATE_TEST_SUITE_P(Show, GoldenFrames, ::testing::Range(0, kSectionCount),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::string(kSectionNames[info.param]);
                         });

}  // namespace
