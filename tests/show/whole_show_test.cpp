// The whole show through the program's own offline renderer: `quorbel
// --render DIR --fps 2 --to 230`, a frame every 500 ms of the demo clock,
// then every frame read back and checked:
//
// - the show ends by itself at 225 s: the last frame written is the one at
//   224.5 s, although --to asks for more;
// - every change of section flashes: the frame at each change second is
//   the flash picture at full strength, the same as the show's very first
//   frame (which opens on a full flash), and 500 ms later the flash has
//   gone (it fades in 500 ms);
// - every section moves: no frame is one flat colour, and every frame of a
//   section differs from the section's frame before it (flash frames left
//   out), except where the picture is still by design: Noise once its
//   noise has faded, black and the overlay, which must then stay the same;
// - the picture changes with the section: the frames on either side of a
//   change differ.
//
// Half a minute or so on two cores, most of it rendering: labelled `slow`.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unordered_map>
#include <vector>

#include "shell/section_table.h"

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr uint32_t kFrameMs = 500;  // --fps 2
// A pixel counts as changed when a colour channel moves by more than this
// many levels, and two frames differ when more than kMovedShare of their
// pixels changed: well above what a frame drawn twice alike could show,
// well below what half a second of any animated scene does.
constexpr int kChannelStep = 8;
constexpr double kMovedShare = 0.005;
// Two frames are the same picture when almost no pixel changed.
constexpr double kSameShare = 0.002;
// A frame is flat when one colour covers this much of it (a section that
// only clears the screen).
constexpr double kFlatShare = 0.999;

// Noise holds a still picture from 220 s on: its noise has faded out over
// its first second, leaving the black screen and the overlay.
constexpr uint32_t kStillFromMs = 220000;

bool ReadFrame(const std::string& path, std::vector<uint32_t>* pixels) {
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

// The share of pixels whose colour moved by more than kChannelStep.
double ChangedShare(const std::vector<uint32_t>& a,
                    const std::vector<uint32_t>& b) {
  size_t changed = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    for (int shift = 0; shift < 24; shift += 8) {
      const int d = std::abs(static_cast<int>((a[i] >> shift) & 0xFF) -
                             static_cast<int>((b[i] >> shift) & 0xFF));
      if (d > kChannelStep) {
        ++changed;
        break;
      }
    }
  }
  return static_cast<double>(changed) / a.size();
}

// The share of the frame its commonest colour covers.
double CommonestColourShare(const std::vector<uint32_t>& pixels) {
  std::unordered_map<uint32_t, size_t> counts;
  size_t most = 0;
  for (uint32_t p : pixels) most = std::max(most, ++counts[p & 0xFFFFFF]);
  return static_cast<double>(most) / pixels.size();
}

int SectionAt(uint32_t ms) {
  int index = 0;
  while (index + 1 < kSectionCount && ms >= kSectionEndSeconds[index] * 1000) {
    ++index;
  }
  return index;
}

std::string Seconds(uint32_t ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f s", ms / 1000.0);
  return text;
}

std::string FrameFile(const std::string& dir, int index) {
  char name[32];
  std::snprintf(name, sizeof name, "/frame_%06d.png", index);
  return dir + name;
}

bool Exists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0;
}

TEST(WholeShow, PlaysEverySectionWithAFlashAtEachChangeAndEndsAt225) {
  const std::string dir = QUORBEL_WHOLE_SHOW_DIR;
  // Headless, silent: the offscreen driver renders on llvmpipe.
  const std::string command = "rm -rf '" + dir +
                              "' && SDL_VIDEODRIVER=offscreen "
                              "SDL_AUDIODRIVER=dummy '" +
                              std::string(QUORBEL_EXECUTABLE) + "' --render '" +
                              dir + "' --fps 2 --to 230 2>/dev/null";
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  const double renderSeconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
          .count();
  std::printf("rendered in %.0f s\n", renderSeconds);

  // The show's end stops the renderer: the frame at 225 s is not drawn.
  const uint32_t showEndMs = kSectionEndSeconds[kSectionCount - 1] * 1000;
  const int frameCount = static_cast<int>(showEndMs / kFrameMs);  // 450
  ASSERT_TRUE(Exists(FrameFile(dir, frameCount - 1)));
  EXPECT_FALSE(Exists(FrameFile(dir, frameCount)));

  // The show opens on a full flash: the first frame is the flash picture.
  std::vector<uint32_t> flash;
  ASSERT_TRUE(ReadFrame(FrameFile(dir, 0), &flash));

  // The frames on either side of each change of section, kept for
  // comparing with each other.
  std::unordered_map<int, std::vector<uint32_t>> aroundChanges;
  for (int i = 0; i + 1 < kSectionCount; ++i) {
    const int at = static_cast<int>(kSectionEndSeconds[i] * 1000 / kFrameMs);
    aroundChanges[at - 1];
    aroundChanges[at + 1];
  }

  // Per frame: whether it is the full flash, whether it is flat, and how
  // much it changed from the section's frame before it that is not a
  // flash (topuz flashes on every whole second).
  std::vector<bool> isFlash(frameCount, false), isFlat(frameCount, false);
  std::vector<double> moved(frameCount, -1.0);  // -1: no such frame
  std::vector<int> movedFrom(frameCount, -1);
  std::vector<uint32_t> frame, steady;
  int steadyIndex = -1;
  for (int i = 0; i < frameCount; ++i) {
    ASSERT_TRUE(ReadFrame(FrameFile(dir, i), &frame)) << i;
    isFlash[i] = ChangedShare(flash, frame) < kSameShare;
    isFlat[i] = CommonestColourShare(frame) > kFlatShare;
    auto kept = aroundChanges.find(i);
    if (kept != aroundChanges.end()) kept->second = frame;
    if (isFlash[i]) continue;
    if (steadyIndex >= 0 &&
        SectionAt(steadyIndex * kFrameMs) == SectionAt(i * kFrameMs)) {
      moved[i] = ChangedShare(steady, frame);
      movedFrom[i] = steadyIndex;
    }
    steady = frame;
    steadyIndex = i;
  }

  // A flash at every change of section, gone 500 ms later; the picture on
  // either side of the change differs.
  for (int i = 0; i + 1 < kSectionCount; ++i) {
    const int at = static_cast<int>(kSectionEndSeconds[i] * 1000 / kFrameMs);
    EXPECT_TRUE(isFlash[at]) << "no full flash at " << Seconds(at * kFrameMs)
                             << " where " << kSectionNames[i + 1] << " begins";
    EXPECT_FALSE(isFlash[at + 1])
        << "the flash of " << Seconds(at * kFrameMs) << " has not faded";
    EXPECT_GT(ChangedShare(aroundChanges[at - 1], aroundChanges[at + 1]),
              kMovedShare)
        << kSectionNames[i] << " at " << Seconds((at - 1) * kFrameMs) << " and "
        << kSectionNames[i + 1] << " at " << Seconds((at + 1) * kFrameMs)
        << " look alike";
  }

  // Every section moves, and none of its frames is flat. One report per
  // section: its first flat frame and its first still pair, with counts.
  for (int section = 0; section < kSectionCount; ++section) {
    int flat = 0, still = 0, pairs = 0, changing = 0;
    uint32_t firstFlat = 0, firstStill = 0, firstChanging = 0;
    for (int i = 1; i < frameCount; ++i) {
      const uint32_t ms = i * kFrameMs;
      if (SectionAt(ms) != section) continue;
      if (isFlat[i] && flat++ == 0) firstFlat = ms;
      if (movedFrom[i] < 0) continue;
      if (movedFrom[i] * kFrameMs >= kStillFromMs) {
        // Still by design: the same picture from frame to frame.
        if (moved[i] >= kSameShare && changing++ == 0) firstChanging = ms;
        continue;
      }
      ++pairs;
      if (moved[i] <= kMovedShare && still++ == 0) firstStill = ms;
    }
    EXPECT_EQ(flat, 0) << kSectionNames[section] << ": " << flat
                       << " frames of one flat colour, the first at "
                       << Seconds(firstFlat);
    EXPECT_EQ(still, 0) << kSectionNames[section] << ": " << still << " of "
                        << pairs << " frames are the same picture as the one "
                        << "before, the first at " << Seconds(firstStill);
    EXPECT_EQ(changing, 0) << kSectionNames[section] << ": the still picture "
                           << "changes, first at " << Seconds(firstChanging);
    EXPECT_GT(pairs, 0) << kSectionNames[section];
    std::printf("%-7s %3d pairs of frames, %d still, %d flat\n",
                kSectionNames[section], pairs, still, flat);
  }
}

}  // namespace
