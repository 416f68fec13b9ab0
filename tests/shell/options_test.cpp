// The command line.
#include "shell/options.h"

#include <gtest/gtest.h>

#include <vector>

#include "shell/program.h"

namespace {

bool Parse(std::vector<const char*> args, Options* options,
           std::string* error) {
  args.insert(args.begin(), "quorbel");
  return ParseOptions(static_cast<int>(args.size()), args.data(), options,
                      error);
}

TEST(Options, NoArgumentsMeansTheDesignedShow) {
  Options o;
  std::string error;
  ASSERT_TRUE(Parse({}, &o, &error));
  EXPECT_FALSE(o.windowed || o.fullscreen || o.mute || o.bench || o.Offline());
  EXPECT_FALSE(o.start.has_value());
}

TEST(Options, RenderWithItsSettings) {
  Options o;
  std::string error;
  ASSERT_TRUE(
      Parse({"--render", "out", "--fps", "60", "--from", "26.5", "--to", "30"},
            &o, &error))
      << error;
  EXPECT_EQ(o.renderDir, "out");
  EXPECT_EQ(o.fps, 60);
  EXPECT_DOUBLE_EQ(o.from, 26.5);
  EXPECT_DOUBLE_EQ(*o.to, 30.0);
}

TEST(Options, LiveSettings) {
  Options o;
  std::string error;
  ASSERT_TRUE(Parse({"--windowed", "--mute", "--start", "24"}, &o, &error));
  EXPECT_TRUE(o.windowed);
  EXPECT_TRUE(o.mute);
  EXPECT_DOUBLE_EQ(*o.start, 24.0);
}

TEST(Options, BadCommandLinesGiveOneLine) {
  const std::vector<std::vector<const char*>> bad = {
      {"--nonsense"},
      {"--start"},
      {"--start", "abc"},
      {"--start", "-3"},
      {"--start", "300"},
      {"--render"},
      {"--fps", "30"},
      {"--render", "d", "--fps", "0"},
      {"--render", "d", "--fps", "2.5"},
      {"--render", "d", "--from", "20", "--to", "10"},
      {"--render", "d", "--video", "v.mp4"},
      {"--windowed", "--fullscreen"},
      {"--bench", "--render", "d"},
      {"--render", "d", "--start", "3"},
      {"--video", "show"},
      {"--video", "show.png"},
      {"--video", "dir.mp4/show"},
      {"stray"},
  };
  for (const auto& args : bad) {
    Options o;
    std::string error;
    EXPECT_FALSE(Parse(args, &o, &error)) << args[0];
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  }
}

TEST(Options, ProgramExitsWithTwoOnABadCommandLine) {
  const char* argv[] = {"quorbel", "--frobnicate"};
  testing::internal::CaptureStderr();
  EXPECT_EQ(RunProgram(2, argv), 2);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("--frobnicate"), std::string::npos);
}

TEST(Options, HelpAndVersionExitWithZero) {
  const char* help[] = {"quorbel", "--help"};
  const char* version[] = {"quorbel", "--version"};
  testing::internal::CaptureStdout();
  EXPECT_EQ(RunProgram(2, help), 0);
  EXPECT_NE(testing::internal::GetCapturedStdout().find("--render"),
            std::string::npos);
  testing::internal::CaptureStdout();
  EXPECT_EQ(RunProgram(2, version), 0);
  EXPECT_NE(testing::internal::GetCapturedStdout().find("quorbel "),
            std::string::npos);
}

// The container follows the extension, in any case; others are refused.
TEST(Options, VideoFormatFollowsTheExtension) {
  EXPECT_EQ(VideoFormatFor("show.mp4"), "mp4");
  EXPECT_EQ(VideoFormatFor("a/b.c/SHOW.M4V"), "mp4");
  EXPECT_EQ(VideoFormatFor("show.mov"), "mov");
  EXPECT_EQ(VideoFormatFor("show.mkv"), "matroska");
  EXPECT_EQ(VideoFormatFor("show.webm"), "webm");
  EXPECT_EQ(VideoFormatFor("show.avi"), "avi");
  EXPECT_EQ(VideoFormatFor("show.gif"), "");
  EXPECT_EQ(VideoFormatFor("show"), "");
  EXPECT_EQ(VideoFormatFor("v.mp4/show"), "");
  Options o;
  std::string error;
  ASSERT_TRUE(Parse({"--video", "out/Show.MKV", "--from", "3"}, &o, &error))
      << error;
  EXPECT_EQ(o.videoFile, "out/Show.MKV");
}

TEST(Options, InfoIsAnOption) {
  Options o;
  std::string error;
  ASSERT_TRUE(Parse({"--info"}, &o, &error)) << error;
  EXPECT_TRUE(o.info);
  EXPECT_FALSE(o.Offline() || o.bench);
}

TEST(Options, VersionNamesTheCommit) {
  EXPECT_EQ(VersionText("0123456789ab"),
            "quorbel " QUORBEL_TEST_VERSION " (commit 0123456789ab)");
  EXPECT_EQ(VersionText(nullptr),
            "quorbel " QUORBEL_TEST_VERSION " (commit unknown)");
  const char* version[] = {"quorbel", "--version"};
  testing::internal::CaptureStdout();
  EXPECT_EQ(RunProgram(2, version, "fedcba987654"), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "quorbel " QUORBEL_TEST_VERSION " (commit fedcba987654)\n");
}

}  // namespace
