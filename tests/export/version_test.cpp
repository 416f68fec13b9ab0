// --version and --info from the real executable, and the build step that
// finds the commit.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "child_process.h"

namespace {

const std::string kQuorbel = QUORBEL_EXECUTABLE;

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream file(path);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// The commit cmake/BuildCommit.cmake writes for `sourceDir`.
std::string CommitFor(const std::filesystem::path& sourceDir,
                      const ScratchFolder& scratch) {
  const auto header = scratch.path() / "quorbel_commit.h";
  ChildResult run =
      RunChild({CMAKE_COMMAND, "-DSOURCE_DIR=" + sourceDir.string(),
                "-DOUTPUT=" + header.string(), "-P",
                std::string(SOURCE_DIR) + "/cmake/BuildCommit.cmake"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  std::smatch match;
  const std::string text = ReadText(header);
  static const std::regex define("#define QUORBEL_COMMIT \"([^\"]*)\"");
  return std::regex_search(text, match, define) ? match[1].str() : "(none)";
}

// The executable prints the version of the project and the commit its
// build found (the header the build generated).
TEST(Version, PrintsTheProjectVersionAndTheCommitItWasBuiltFrom) {
  ChildResult run = RunChild({kQuorbel, "--version"});
  ASSERT_EQ(run.exitCode, 0);
  const std::string header = ReadText(COMMIT_HEADER);
  std::smatch match;
  ASSERT_TRUE(std::regex_search(
      header, match, std::regex("#define QUORBEL_COMMIT \"([^\"]*)\"")));
  EXPECT_EQ(run.out,
            "quorbel " PROJECT_VERSION " (commit " + match[1].str() + ")\n");
  EXPECT_TRUE(std::regex_match(
      match[1].str(), std::regex("([0-9a-f]{12}(-modified)?)|unknown")))
      << match[1];
}

// In a git checkout: HEAD's first twelve hex digits.
TEST(Version, CommitIsTheCheckoutsHead) {
  ChildResult head =
      RunChild({"git", "-C", SOURCE_DIR, "rev-parse", "--short=12", "HEAD"});
  if (head.exitCode != 0) GTEST_SKIP() << "not a git checkout: " << head.err;
  ScratchFolder scratch("commit");
  const std::string commit = CommitFor(SOURCE_DIR, scratch);
  EXPECT_EQ(commit.substr(0, 12), head.out.substr(0, 12));
  const bool modified =
      RunChild({"git", "-C", SOURCE_DIR, "diff", "--quiet", "HEAD", "--"})
          .exitCode == 1;
  EXPECT_EQ(commit.size() > 12, modified) << commit;
}

// A source tarball has no .git: the commit is "unknown", the build goes on.
TEST(Version, WithoutGitTheCommitIsUnknown) {
  ScratchFolder tarball("tarball");
  ScratchFolder scratch("commit");
  EXPECT_EQ(CommitFor(tarball.path(), scratch), "unknown");
}

// --info on the headless test setup: the offscreen video driver, the dummy
// audio driver, and a GL 3.3 context whose renderer is named.
TEST(Info, NamesTheDriversAndTheRenderer) {
  ChildResult run = RunChild({kQuorbel, "--info"}, {"SDL_VIDEODRIVER=offscreen",
                                                    "SDL_AUDIODRIVER=dummy"});
  ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
  EXPECT_EQ(run.out.rfind("quorbel " PROJECT_VERSION " (commit ", 0), 0u);
  EXPECT_NE(run.out.find("\nvideo driver: offscreen\n"), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("\naudio driver: dummy, output opened\n"),
            std::string::npos)
      << run.out;
  std::smatch match;
  ASSERT_TRUE(std::regex_search(run.out, match,
                                std::regex("\nOpenGL renderer: (.+)\n")));
  EXPECT_FALSE(match[1].str().empty());
  ASSERT_TRUE(std::regex_search(
      run.out, match, std::regex("\nOpenGL version: ([0-9]+)\\.([0-9]+)")));
  EXPECT_GE(std::stoi(match[1]) * 10 + std::stoi(match[2]), 33);
}

// A video driver that cannot open: the reason, exit code 1.
TEST(Info, WithoutAWindowSaysWhyAndExitsWithOne) {
  ChildResult run =
      RunChild({kQuorbel, "--info"},
               {"SDL_VIDEODRIVER=no-such-driver", "SDL_AUDIODRIVER=dummy"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.out.find("\nwindow: none ("), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\nOpenGL: no 3.3 core context"), std::string::npos)
      << run.out;
}

}  // namespace
