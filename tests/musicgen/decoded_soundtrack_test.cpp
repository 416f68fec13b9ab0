// The committed soundtrack as the program hears it: decoded by libmpg123
// with gapless decoding, then measured with the tool's own meters.
#include <gtest/gtest.h>
#include <mpg123.h>

#include <cmath>

#include "filters.h"
#include "loudness_meter.h"
#include "mastering.h"
#include "mp3_frames.h"
#include "song_clock.h"
#include "stereo_buffer.h"
#include "true_peak.h"

namespace {

// Whole-stream decode to float stereo; empty on any error.
StereoBuffer Decode(const std::vector<uint8_t>& mp3) {
  StereoBuffer out;
  mpg123_handle* h = mpg123_new(nullptr, nullptr);
  if (h == nullptr) return out;
  mpg123_param(h, MPG123_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0.0);
  mpg123_format_none(h);
  mpg123_format(h, 44100, MPG123_STEREO, MPG123_ENC_SIGNED_16);
  bool ok = mpg123_open_feed(h) == MPG123_OK &&
            mpg123_feed(h, mp3.data(), mp3.size()) == MPG123_OK;
  std::vector<int16_t> block(1152 * 2 * 8);
  while (ok) {
    size_t bytes = 0;
    int rc = mpg123_read(h, block.data(), block.size() * 2, &bytes);
    for (size_t i = 0; i + 1 < bytes / 2; i += 2) {
      out.left.push_back(float(block[i] / 32768.0));
      out.right.push_back(float(block[i + 1] / 32768.0));
    }
    if (rc == MPG123_NEED_MORE || rc == MPG123_DONE) break;
    ok = rc == MPG123_OK || rc == MPG123_NEW_FORMAT;
  }
  mpg123_delete(h);
  if (!ok) out = StereoBuffer();
  return out;
}

const StereoBuffer& Soundtrack() {
  static const StereoBuffer pcm = Decode(ReadFile(QUORBEL_SOUNDTRACK_MP3));
  return pcm;
}

double Db(double gain) { return 20.0 * std::log10(gain); }

}  // namespace

// Gapless decoding gives back exactly the rendered length: the encoder's
// delay and padding recorded in the information frame are trimmed.
TEST(DecodedSoundtrack, HasTheRenderedLength) {
  EXPECT_EQ(int64_t(Soundtrack().size()), song_clock::kTotalSamples);
}

TEST(DecodedSoundtrack, MeetsLoudnessAndPeakTargets) {
  const StereoBuffer& pcm = Soundtrack();
  ASSERT_FALSE(pcm.left.empty());
  double lufs = LoudnessMeter::IntegratedLufs(pcm.left, pcm.right, 44100);
  EXPECT_NEAR(lufs, Mastering::kTargetLufs, 0.25);
  double truePeak = Db(TruePeak::Max(pcm.left, pcm.right));
  EXPECT_LE(truePeak, -1.0);
  RecordProperty("IntegratedLufs", std::to_string(lufs));
  RecordProperty("TruePeakDbtp", std::to_string(truePeak));
  // After the show the track fades to digital silence.
  for (size_t i = size_t(232 * 44100); i < pcm.size(); ++i)
    ASSERT_EQ(pcm.left[i], 0.0f) << "sample " << i;
}

// The intro's kicks are on the whole seconds in the decoded stream too: no
// encoder delay shifts the beat against the picture. Above 150 Hz (the
// drone removed) the 10 ms after each second carry several times the
// energy of the 10 ms before; a stream late by 10 ms or more would not.
TEST(DecodedSoundtrack, IntroBeatIsOnTheSecond) {
  const StereoBuffer& pcm = Soundtrack();
  ASSERT_GT(pcm.size(), size_t(27 * 44100));
  std::vector<double> high(size_t(27 * 44100));
  Biquad stage1 = Biquad::HighPass(150, 0.707, 44100), stage2 = stage1;
  for (size_t i = 0; i < high.size(); ++i)
    high[i] = stage2.Process(stage1.Process(pcm.left[i] + pcm.right[i]));
  auto energy = [&](int64_t from) {
    double e = 0.0;
    for (int64_t i = from; i < from + 441; ++i)
      e += high[size_t(i)] * high[size_t(i)];
    return e;
  };
  for (int s = 1; s <= 26; ++s) {
    int64_t at = int64_t(s) * 44100;
    EXPECT_GT(energy(at), 2.5 * energy(at - 441)) << "at " << s << " s";
  }
}
