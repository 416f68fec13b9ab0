// --video end to end: the real executable and the real ffmpeg (stand-ins
// for a failing one), the exported file measured with ffmpeg and ffprobe.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "child_process.h"

namespace {

const std::string kQuorbel = QUORBEL_EXECUTABLE;

bool HaveProgram(const std::string& name) {
  return RunChild({"sh", "-c", "command -v " + name}).exitCode == 0;
}

#define REQUIRE_FFMPEG()                                                   \
  if (!HaveProgram("ffmpeg") || !HaveProgram("ffprobe")) {                 \
    GTEST_SKIP() << "ffmpeg is not installed (scripts/bootstrap adds it)"; \
  }

// "key=value" lines of ffprobe's default output for one stream.
std::map<std::string, std::string> ProbeStream(const std::string& file,
                                               const std::string& stream) {
  ChildResult probe = RunChild({"ffprobe", "-v", "error", "-select_streams",
                                stream, "-count_frames", "-show_entries",
                                "stream=codec_name,nb_read_frames,duration",
                                "-of", "default=noprint_wrappers=1", file});
  std::map<std::string, std::string> values;
  std::istringstream lines(probe.out);
  std::string line;
  while (std::getline(lines, line)) {
    const size_t eq = line.find('=');
    if (eq != std::string::npos)
      values[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return values;
}

// The picture's mean brightness per frame (decoded to 80 × 60 grey, which
// averages the same as the full frame up to rounding).
std::vector<double> FrameBrightness(const std::string& file) {
  ChildResult decode =
      RunChild({"ffmpeg", "-v", "error", "-i", file, "-map", "0:v:0", "-vf",
                "scale=80:60", "-pix_fmt", "gray", "-f", "rawvideo", "-"});
  constexpr size_t kPixels = 80 * 60;
  std::vector<double> means;
  for (size_t at = 0; at + kPixels <= decode.out.size(); at += kPixels) {
    double sum = 0;
    for (size_t i = 0; i < kPixels; ++i) {
      sum += static_cast<uint8_t>(decode.out[at + i]);
    }
    means.push_back(sum / kPixels);
  }
  return means;
}

// The sound as 44.1 kHz mono samples.
std::vector<double> Samples(const std::string& file) {
  ChildResult decode =
      RunChild({"ffmpeg", "-v", "error", "-i", file, "-map", "0:a:0", "-ac",
                "1", "-ar", "44100", "-f", "s16le", "-"});
  std::vector<double> samples(decode.out.size() / 2);
  for (size_t i = 0; i < samples.size(); ++i) {
    int16_t value;
    std::memcpy(&value, decode.out.data() + 2 * i, 2);
    samples[i] = value / 32768.0;
  }
  return samples;
}

// Two-pole high-pass (the usual biquad, Q = 0.707).
std::vector<double> HighPass(const std::vector<double>& in, double hz) {
  const double w = 2 * M_PI * hz / 44100, alpha = std::sin(w) / (2 * 0.707),
               c = std::cos(w), a0 = 1 + alpha;
  const double b0 = (1 + c) / 2 / a0, b1 = -(1 + c) / a0, b2 = b0,
               a1 = -2 * c / a0, a2 = (1 - alpha) / a0;
  std::vector<double> out(in.size());
  double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
  for (size_t i = 0; i < in.size(); ++i) {
    const double y = b0 * in[i] + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
    x2 = x1;
    x1 = in[i];
    y2 = y1;
    y1 = y;
    out[i] = y;
  }
  return out;
}

// The time (seconds into the file) at which a kick starts within ±0.2 s of
// `near`, or NaN when nothing there stands out. The kick opens with a
// 3 kHz click and a 170 Hz sweep; above 1 kHz (twice high-passed) the intro
// has little else, so the kick's first millisecond is 30 dB and more over
// the quiet between kicks. The onset is the first 32-sample window (0.7 ms)
// whose energy reaches a tenth of the strongest window nearby.
double KickOnset(const std::vector<double>& high, double near) {
  constexpr int kWindow = 32;
  const long first = std::lround((near - 0.2) * 44100 / kWindow);
  const long last = std::lround((near + 0.2) * 44100 / kWindow);
  if (first < 0 || (last + 1) * kWindow > static_cast<long>(high.size())) {
    return NAN;
  }
  std::vector<double> energy;
  for (long w = first; w <= last; ++w) {
    double e = 0;
    for (int i = 0; i < kWindow; ++i) {
      const double x = high[static_cast<size_t>(w * kWindow + i)];
      e += x * x;
    }
    energy.push_back(e);
  }
  std::vector<double> sorted = energy;
  std::sort(sorted.begin(), sorted.end());
  const double peak = sorted.back(), median = sorted[sorted.size() / 2];
  if (peak < 100 * median) return NAN;
  for (size_t i = 0; i < energy.size(); ++i) {
    if (energy[i] >= 0.1 * peak) {
      return static_cast<double>((first + static_cast<long>(i)) * kWindow) /
             44100;
    }
  }
  return NAN;
}

class VideoTest : public ::testing::Test {
 protected:
  ScratchFolder out_{"video-out"};
  ScratchFolder tmp_{"video-tmp"};  // the export's TMPDIR
  std::vector<std::string> Env() const {
    return {"TMPDIR=" + tmp_.path().string()};
  }
};

// --from 1.5 --to 4.7 at 30 fps: frames at 1.5 + k/30 s for k = 0 .. 96
// (4.7 - 1.5 = 3.2 s, 3.2 × 30 = 96), 97 frames, 97/30 = 3.233 s of
// picture, and as much sound. topuz flashes on the whole seconds 2, 3 and
// 4 (frames 15, 45, 75); the soundtrack kicks on the same seconds, 0.5,
// 1.5 and 2.5 s into the file. Measured from the file: the frame that
// brightens most (the flash takes the mean from about 56 to 190 of 255)
// against the kick's onset in the decoded sound.
TEST_F(VideoTest, RangeHasItsLengthAndTheKicksMeetTheFlashes) {
  REQUIRE_FFMPEG();
  const std::string file = (out_.path() / "range.mp4").string();
  ChildResult run = RunChild(
      {kQuorbel, "--video", file, "--from", "1.5", "--to", "4.7"}, Env());
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(out_.List(), std::vector<std::string>{"range.mp4"});
  EXPECT_TRUE(tmp_.List().empty());
  // The progress bar reached its end, with the time left.
  EXPECT_NE(run.err.find("97/97 frames"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find(" left"), std::string::npos);
  EXPECT_TRUE(MessageLines(run.err).empty()) << run.err;

  constexpr int kFrames = 97;
  constexpr double kFps = 30;
  auto video = ProbeStream(file, "v:0");
  auto audio = ProbeStream(file, "a:0");
  const bool libx264 =
      RunChild({"ffmpeg", "-hide_banner", "-encoders"}).out.find(" libx264 ") !=
      std::string::npos;
  if (libx264) {
    EXPECT_EQ(video["codec_name"], "h264");
  }
  EXPECT_EQ(audio["codec_name"], "aac");
  EXPECT_NEAR(std::stoi(video["nb_read_frames"]), kFrames, 1);
  EXPECT_NEAR(std::stod(video["duration"]), kFrames / kFps, 1 / kFps);
  EXPECT_NEAR(std::stod(audio["duration"]), kFrames / kFps, 1 / kFps);

  const std::vector<double> brightness = FrameBrightness(file);
  ASSERT_GE(brightness.size(), size_t(kFrames - 1));
  const std::vector<double> high =
      HighPass(HighPass(Samples(file), 1000), 1000);
  for (int second = 2; second <= 4; ++second) {
    const double at = second - 1.5;  // in the file
    const int expected = static_cast<int>(std::lround(at * kFps));
    int flash = expected;
    for (int k = expected - 5; k <= expected + 5; ++k) {
      if (brightness[k] - brightness[k - 1] >
          brightness[flash] - brightness[flash - 1]) {
        flash = k;
      }
    }
    EXPECT_GT(brightness[flash] - brightness[flash - 1], 50) << second << " s";
    const double kick = KickOnset(high, at);
    ASSERT_FALSE(std::isnan(kick)) << "no kick near " << second << " s";
    const double offsetMs = (flash / kFps - kick) * 1000;
    std::printf(
        "%d s: flash in frame %d (%.1f ms), kick at %.1f ms: "
        "picture %+.1f ms from sound\n",
        second, flash, flash / kFps * 1000, kick * 1000, offsetMs);
    RecordProperty("offset_ms_at_" + std::to_string(second) + "s",
                   std::to_string(offsetMs));
    EXPECT_LE(std::fabs(offsetMs), 1000 / kFps) << second << " s";
  }
}

// No ffmpeg on PATH: one line, exit code 1, before any work and no file.
TEST_F(VideoTest, WithoutFfmpegOneLineAndExitCodeOne) {
  ScratchFolder emptyPath("no-ffmpeg");
  ChildResult run = RunChild(
      {kQuorbel, "--video", (out_.path() / "x.mp4").string(), "--to", "1"},
      {"PATH=" + emptyPath.path().string()});
  EXPECT_EQ(run.exitCode, 1);
  const auto lines = MessageLines(run.err);
  ASSERT_EQ(lines.size(), 1u) << run.err;
  EXPECT_NE(lines[0].find("needs the ffmpeg program"), std::string::npos);
  EXPECT_TRUE(out_.List().empty());
}

// The output's folder does not exist: one line, exit code 1.
TEST_F(VideoTest, MissingFolderOneLineAndExitCodeOne) {
  REQUIRE_FFMPEG();
  ChildResult run = RunChild(
      {kQuorbel, "--video", (out_.path() / "missing" / "x.mp4").string()},
      Env());
  EXPECT_EQ(run.exitCode, 1);
  const auto lines = MessageLines(run.err);
  ASSERT_EQ(lines.size(), 1u) << run.err;
  EXPECT_NE(lines[0].find("cannot write the video"), std::string::npos);
  EXPECT_NE(lines[0].find("No such file or directory"), std::string::npos);
  EXPECT_TRUE(out_.List().empty());
}

// An "ffmpeg" that answers the encoder query, starts the output file,
// takes some input and then does `ending`.
std::string FakeFfmpeg(const ScratchFolder& folder, const std::string& ending) {
  const std::string path = (folder.path() / "ffmpeg").string();
  std::ofstream script(path);
  script << "#!/bin/sh\n"
            "for last; do :; done\n"
            "case \" $* \" in *\" -encoders \"*) exit 0 ;; esac\n"
            "echo partial > \"$last\"\n"
            "head -c 5760000 > /dev/null\n"  // three 800 × 600 frames
         << ending << "\n";
  script.close();
  std::filesystem::permissions(path, std::filesystem::perms::owner_all);
  return folder.path().string() + ":/usr/bin:/bin";
}

TEST_F(VideoTest, FailingFfmpegOneLineExitCodeOneNoFile) {
  ScratchFolder bin("fake-ffmpeg");
  const std::string path =
      FakeFfmpeg(bin, "echo 'fake: Conversion failed!' >&2\nexit 1");
  ChildResult run = RunChild(
      {kQuorbel, "--video", (out_.path() / "x.mp4").string(), "--to", "1"},
      {"PATH=" + path, "TMPDIR=" + tmp_.path().string()});
  EXPECT_EQ(run.exitCode, 1);
  const auto lines = MessageLines(run.err);
  ASSERT_EQ(lines.size(), 1u) << run.err;
  EXPECT_EQ(lines[0],
            "quorbel: ffmpeg failed (exit code 1): fake: Conversion failed!");
  EXPECT_TRUE(out_.List().empty()) << out_.List()[0];
  EXPECT_TRUE(tmp_.List().empty());
}

TEST_F(VideoTest, FfmpegKilledMidwayOneLineExitCodeOneNoFile) {
  ScratchFolder bin("fake-ffmpeg");
  const std::string path = FakeFfmpeg(bin, "kill -9 $$");
  ChildResult run = RunChild(
      {kQuorbel, "--video", (out_.path() / "x.mp4").string(), "--to", "1"},
      {"PATH=" + path, "TMPDIR=" + tmp_.path().string()});
  EXPECT_EQ(run.exitCode, 1);
  const auto lines = MessageLines(run.err);
  ASSERT_EQ(lines.size(), 1u) << run.err;
  EXPECT_EQ(lines[0], "quorbel: ffmpeg was killed by signal 9 (Killed)");
  EXPECT_TRUE(out_.List().empty());
  EXPECT_TRUE(tmp_.List().empty());
}

// An ffmpeg that stops reading and says all is well: the video is short of
// frames, so it is not kept.
TEST_F(VideoTest, FfmpegLeavingEarlyWithoutErrorKeepsNoFile) {
  ScratchFolder bin("fake-ffmpeg");
  const std::string path = FakeFfmpeg(bin, "exit 0");
  ChildResult run = RunChild(
      {kQuorbel, "--video", (out_.path() / "x.mp4").string(), "--to", "1"},
      {"PATH=" + path, "TMPDIR=" + tmp_.path().string()});
  EXPECT_EQ(run.exitCode, 1);
  const auto lines = MessageLines(run.err);
  ASSERT_EQ(lines.size(), 1u) << run.err;
  EXPECT_EQ(lines[0], "quorbel: ffmpeg stopped taking frames");
  EXPECT_TRUE(out_.List().empty());
}

// Whether any process still has `text` on its command line.
bool ProcessWith(const std::string& text) {
  std::error_code error;
  for (const auto& entry :
       std::filesystem::directory_iterator("/proc", error)) {
    std::ifstream file(entry.path() / "cmdline", std::ios::binary);
    std::string line((std::istreambuf_iterator<char>(file)), {});
    if (line.find(text) != std::string::npos) return true;
  }
  return false;
}

// Ctrl-C in a terminal signals the foreground process group: quorbel's
// (ffmpeg has one of its own). The export stops at the next frame, stops
// ffmpeg and removes its file and the sound's temporary file.
TEST_F(VideoTest, CtrlCEndsCleanlyWithoutAFile) {
  REQUIRE_FFMPEG();
  const std::string file = (out_.path() / "long.mp4").string();
  ChildProcess child({kQuorbel, "--video", file, "--from", "2", "--to", "60"},
                     Env(), /*ownGroup=*/true);
  ASSERT_TRUE(child.started());
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while (child.ErrSoFar().find(" frames") == std::string::npos &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_NE(child.ErrSoFar().find(" frames"), std::string::npos)
      << "no progress: " << child.ErrSoFar();
  EXPECT_TRUE(ProcessWith(file + ".part"));  // ffmpeg is at work
  kill(-child.pid(), SIGINT);
  ChildResult run = child.Wait(60);
  EXPECT_EQ(run.exitCode, 130) << run.err;
  const auto lines = MessageLines(run.err);
  ASSERT_EQ(lines.size(), 1u) << run.err;
  EXPECT_NE(lines[0].find("stopped by Interrupt"), std::string::npos);
  EXPECT_TRUE(out_.List().empty());
  EXPECT_TRUE(tmp_.List().empty());
  EXPECT_FALSE(ProcessWith(file + ".part"));  // no ffmpeg left behind
}

}  // namespace
