// --render and --video where the output cannot go: missing and unwritable
// folders, a full disk (a small tmpfs in a mount namespace of its own),
// Ctrl-C. Every case ends with one line and its exit code, and no file
// that looks complete but is not.
#include <gtest/gtest.h>
#include <png.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

#include "child_process.h"

namespace {

const std::string kQuorbel = QUORBEL_EXECUTABLE;

// Whether the file is a whole 800 × 600 PNG: every row decodes.
bool WholeFrame(const std::filesystem::path& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
  const bool ok =
      png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) != 0;
  return ok && image.width == 800 && image.height == 600;
}

// Every name is frame_NNNNNN.png, numbered from 0 without a gap, and each
// is a whole frame.
void ExpectOnlyWholeFrames(const std::filesystem::path& dir, size_t* count) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  for (size_t i = 0; i < names.size(); ++i) {
    char expected[32];
    std::snprintf(expected, sizeof expected, "frame_%06zu.png", i);
    EXPECT_EQ(names[i], expected);
    EXPECT_TRUE(WholeFrame(dir / names[i])) << names[i];
  }
  *count = names.size();
}

TEST(RenderOutput, MissingFoldersAreCreated) {
  ScratchFolder out("render-new");
  const auto dir = out.path() / "a" / "b" / "frames";
  ChildResult run = RunChild(
      {kQuorbel, "--render", dir.string(), "--from", "2", "--to", "2"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  size_t count = 0;
  ExpectOnlyWholeFrames(dir, &count);
  EXPECT_EQ(count, 1u);
}

// The show's last picture is at 224.999 s (the paint at 225 s draws
// nothing); a --from that rounds to 225 s still gets it.
TEST(RenderOutput, TheLastMillisecondHasAFrame) {
  ScratchFolder out("render-end");
  const auto dir = out.path() / "frames";
  ChildResult run =
      RunChild({kQuorbel, "--render", dir.string(), "--from", "224.9996"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  size_t count = 0;
  ExpectOnlyWholeFrames(dir, &count);
  EXPECT_EQ(count, 1u);
}

TEST(RenderOutput, FolderThatCannotBeMadeOneLineExitCodeOne) {
  ScratchFolder out("render-file");
  std::ofstream(out.path() / "plain-file") << "not a folder";
  ChildResult run = RunChild(
      {kQuorbel, "--render", (out.path() / "plain-file" / "frames").string()});
  EXPECT_EQ(run.exitCode, 1);
  const auto lines = MessageLines(run.err);
  ASSERT_EQ(lines.size(), 1u) << run.err;
  EXPECT_NE(lines[0].find("cannot create the folder"), std::string::npos);
  EXPECT_NE(lines[0].find("Not a directory"), std::string::npos) << lines[0];
}

// /proc exists and takes no new files, for root too.
TEST(RenderOutput, FolderThatTakesNoFilesOneLineExitCodeOne) {
  ChildResult run = RunChild({kQuorbel, "--render", "/proc"});
  EXPECT_EQ(run.exitCode, 1);
  const auto lines = MessageLines(run.err);
  ASSERT_EQ(lines.size(), 1u) << run.err;
  EXPECT_NE(lines[0].find("cannot write into the folder '/proc'"),
            std::string::npos)
      << lines[0];
}

// Runs `script` with a tmpfs of `size` (mount's size=) mounted on $1 (in a
// mount namespace of its own, so nothing else sees it) and $2 a folder outside
// it; $QUORBEL is the program. Skips the test where no mount namespace can be
// made (not root, no user namespaces).
bool RunOnSmallDisk(const std::string& size, const std::string& script,
                    const ScratchFolder& folder, ChildResult* result) {
  const std::string mount = "mount -t tmpfs -o size=" + size + " tmpfs \"$1\"";
  std::filesystem::create_directories(folder.path() / "disk");
  std::filesystem::create_directories(folder.path() / "outside");
  const std::vector<std::string> env = {"QUORBEL=" + kQuorbel};
  for (const std::vector<std::string>& unshare :
       {std::vector<std::string>{"unshare", "--mount"},
        std::vector<std::string>{"unshare", "--mount", "--map-root-user"}}) {
    std::vector<std::string> probe = unshare;
    probe.insert(probe.end(),
                 {"sh", "-c", mount, "sh", (folder.path() / "disk").string()});
    if (RunChild(probe).exitCode != 0) continue;
    std::vector<std::string> run = unshare;
    run.insert(run.end(), {"sh", "-c", mount + " || exit 99\n" + script, "sh",
                           (folder.path() / "disk").string(),
                           (folder.path() / "outside").string()});
    *result = RunChild(run, env);
    return true;
  }
  return false;
}

// Each frame is about 720 kB: two fit on 2 MiB, the third does not.
TEST(RenderOutput, FullDiskOneLineExitCodeOneOnlyWholeFrames) {
  ScratchFolder folder("render-full");
  ChildResult run;
  if (!RunOnSmallDisk("2m",
                      "\"$QUORBEL\" --render \"$1/frames\" --from 2 --to 3\n"
                      "code=$?\n"
                      "cp -a \"$1/frames\" \"$2/\"\n"
                      "exit $code",
                      folder, &run)) {
    GTEST_SKIP() << "no mount namespace here (needs root or user namespaces)";
  }
  EXPECT_EQ(run.exitCode, 1) << run.err;
  const auto lines = MessageLines(run.err);
  ASSERT_EQ(lines.size(), 1u) << run.err;
  EXPECT_NE(lines[0].find("No space left on device"), std::string::npos)
      << lines[0];
  EXPECT_NE(lines[0].find("frame_"), std::string::npos) << lines[0];
  size_t count = 0;
  ExpectOnlyWholeFrames(folder.path() / "outside" / "frames", &count);
  EXPECT_GE(count, 1u);
  EXPECT_LT(count, 31u);
}

// ffmpeg runs out of room (256 kB hold a few frames of H.264): its reason
// in one line, and neither the video
// nor its partial file stays.
TEST(RenderOutput, VideoOnAFullDiskOneLineExitCodeOneNoFile) {
  if (RunChild({"sh", "-c", "command -v ffmpeg"}).exitCode != 0) {
    GTEST_SKIP() << "ffmpeg is not installed";
  }
  ScratchFolder folder("video-full");
  ChildResult run;
  if (!RunOnSmallDisk("256k",
                      "\"$QUORBEL\" --video \"$1/x.mp4\" --from 2 --to 6\n"
                      "code=$?\n"
                      "ls -A \"$1\"\n"
                      "exit $code",
                      folder, &run)) {
    GTEST_SKIP() << "no mount namespace here (needs root or user namespaces)";
  }
  EXPECT_EQ(run.exitCode, 1) << run.err;
  const auto lines = MessageLines(run.err);
  ASSERT_EQ(lines.size(), 1u) << run.err;
  EXPECT_NE(lines[0].find("quorbel: ffmpeg failed"), std::string::npos)
      << lines[0];
  EXPECT_EQ(run.out, "");  // the listing of the full disk: empty
}

// The soundtrack's temporary file does not fit: one line, nothing left.
TEST(RenderOutput, VideoWithAFullTemporaryFolderOneLineExitCodeOne) {
  if (RunChild({"sh", "-c", "command -v ffmpeg"}).exitCode != 0) {
    GTEST_SKIP() << "ffmpeg is not installed";
  }
  ScratchFolder folder("video-tmp-full");
  ChildResult run;
  // 30 s of sound is 5.3 MB of PCM; 1 MiB holds 6 s.
  if (!RunOnSmallDisk("1m",
                      "TMPDIR=\"$1\" \"$QUORBEL\" --video \"$2/x.mp4\" "
                      "--from 2 --to 32\n"
                      "code=$?\n"
                      "ls -A \"$1\" \"$2\"\n"
                      "exit $code",
                      folder, &run)) {
    GTEST_SKIP() << "no mount namespace here (needs root or user namespaces)";
  }
  EXPECT_EQ(run.exitCode, 1) << run.err;
  const auto lines = MessageLines(run.err);
  ASSERT_EQ(lines.size(), 1u) << run.err;
  EXPECT_NE(lines[0].find("cannot write the soundtrack for ffmpeg"),
            std::string::npos)
      << lines[0];
  EXPECT_NE(lines[0].find("No space left on device"), std::string::npos);
  // `ls -A` of the two folders: their names and nothing in them.
  EXPECT_EQ(run.out.find("x.mp4"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("quorbel-audio"), std::string::npos) << run.out;
}

// Ctrl-C stops at the next frame: the frames written so far are whole, the
// one in progress is gone.
TEST(RenderOutput, CtrlCLeavesOnlyWholeFrames) {
  ScratchFolder out("render-stop");
  const auto dir = out.path() / "frames";
  ChildProcess child(
      {kQuorbel, "--render", dir.string(), "--from", "2", "--to", "60"}, {},
      /*ownGroup=*/true);
  ASSERT_TRUE(child.started());
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::seconds(120);
  auto written = [&] {
    return std::filesystem::exists(dir / "frame_000002.png");
  };
  while (!written() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_TRUE(written()) << child.ErrSoFar();
  kill(-child.pid(), SIGINT);
  ChildResult run = child.Wait(60);
  EXPECT_EQ(run.exitCode, 130) << run.err;
  const auto lines = MessageLines(run.err);
  ASSERT_EQ(lines.size(), 1u) << run.err;
  EXPECT_NE(lines[0].find("stopped by Interrupt after"), std::string::npos);
  size_t count = 0;
  ExpectOnlyWholeFrames(dir, &count);
  EXPECT_GE(count, 3u);
  EXPECT_LT(count, 1741u);  // 58 s at 30 fps
}

}  // namespace
