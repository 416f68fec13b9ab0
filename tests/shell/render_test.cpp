// The program end to end, offline: the real device (SDL offscreen, GL 3.3),
// the embedded assets, and --render writing PNG frames around a change of
// section.
#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "shell/program.h"

namespace {

struct Image {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
  uint32_t At(int x, int y) const {
    const uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
    return (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
  }
};

bool ReadPng(const std::string& path, Image* image) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path.c_str())) return false;
  png.format = PNG_FORMAT_RGB;
  image->width = static_cast<int>(png.width);
  image->height = static_cast<int>(png.height);
  image->rgb.resize(PNG_IMAGE_SIZE(png));
  return png_image_finish_read(&png, nullptr, image->rgb.data(), 0, nullptr);
}

// The mean difference of two pictures, in levels per colour channel.
double MeanDifference(const Image& a, const Image& b) {
  double sum = 0;
  for (size_t i = 0; i < a.rgb.size() && i < b.rgb.size(); ++i) {
    sum += std::abs(int(a.rgb[i]) - int(b.rgb[i]));
  }
  return a.rgb.empty() ? 0.0 : sum / a.rgb.size();
}

int RunQuorbel(std::vector<std::string> args) {
  std::vector<const char*> argv = {"quorbel"};
  for (const auto& a : args) argv.push_back(a.c_str());
  return RunProgram(static_cast<int>(argv.size()), argv.data());
}

class RenderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("quorbel-render-" + std::to_string(getpid()));
    std::filesystem::remove_all(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::filesystem::path dir_;
};

// Titrek plays from 27 s to 41 s, Shine from 41 s. Frames at 40.0, 40.5,
// 41.0 and 41.5 s: the change flashes at 41.0, and the flash has faded
// 500 ms later.
TEST_F(RenderTest, FramesAroundAChangeShowEachSectionsPicture) {
  ASSERT_EQ(RunQuorbel({"--render", dir_.string(), "--fps", "2", "--from", "40",
                        "--to", "41.5"}),
            0);
  std::vector<Image> frames;
  for (int i = 0; i < 4; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%06d.png", i);
    Image image;
    ASSERT_TRUE(ReadPng((dir_ / name).string(), &image)) << name;
    EXPECT_EQ(image.width, 800);
    EXPECT_EQ(image.height, 600);
    frames.push_back(image);
  }
  EXPECT_FALSE(std::filesystem::exists(dir_ / "frame_000004.png"));
  // Two frames of one section resemble each other more than frames on
  // either side of the change: Titrek's rings over black at 40.0 and
  // 40.5 s, Shine's panelled backdrop at 41.5 s.
  const double sameSection = MeanDifference(frames[0], frames[1]);
  const double acrossChange = MeanDifference(frames[1], frames[3]);
  EXPECT_LT(2 * sameSection, acrossChange)
      << sameSection << " within Titrek, " << acrossChange << " across";
  // The middle of the picture (away from any overlay's edge).
  const uint32_t shine = frames[3].At(400, 300);
  // The flash brightens the frame of the change.
  const uint32_t flashed = frames[2].At(400, 300);
  const int flashedSum =
      ((flashed >> 16) & 0xFF) + ((flashed >> 8) & 0xFF) + (flashed & 0xFF);
  const int shineSum =
      ((shine >> 16) & 0xFF) + ((shine >> 8) & 0xFF) + (shine & 0xFF);
  EXPECT_GT(flashedSum, shineSum);
}

TEST_F(RenderTest, UnwritableFolderFailsWithNonZeroExit) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(
      RunQuorbel({"--render", "/proc/quorbel-cannot-be-here", "--to", "0"}), 1);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot create"),
            std::string::npos);
}

}  // namespace
