// The song's form against the show's clock: beats on whole seconds, accents
// on the flashes, the cut before 41 s.
#include <gtest/gtest.h>

#include <cmath>

#include "arrangement.h"
#include "filters.h"
#include "song_clock.h"
#include "song_renderer.h"

namespace {

constexpr int64_t kSecond = song_clock::kSampleRate;

std::vector<const std::vector<Note>*> AllTracks(const Score& s) {
  return {&s.kick,   &s.snare,   &s.clap, &s.closedHat, &s.openHat,   &s.crash,
          &s.impact, &s.bass,    &s.sub,  &s.pad,       &s.arp,       &s.pluck,
          &s.lead,   &s.counter, &s.bell, &s.riser,     &s.noiseBurst};
}

bool StartsAt(const std::vector<Note>& notes, int64_t sample) {
  for (const Note& n : notes)
    if (n.start == sample) return true;
  return false;
}

// The first 42 s of the song, unmastered, rendered once for the tests.
const StereoBuffer& Opening() {
  static const StereoBuffer mix =
      SongRenderer::Render(Arrangement::Build(), 42 * kSecond);
  return mix;
}

double Energy(const StereoBuffer& x, int64_t from, int64_t count) {
  double sum = 0.0;
  for (int64_t i = from; i < from + count; ++i)
    sum += double(x.left[size_t(i)]) * x.left[size_t(i)] +
           double(x.right[size_t(i)]) * x.right[size_t(i)];
  return sum / double(count);
}

// The mix without its low end (two 150 Hz high-passes, 24 dB/octave): the
// intro's 55 Hz drone would otherwise swamp 10 ms energy windows, while a
// kick's attack (its 170 Hz sweep start and its click) stays.
StereoBuffer WithoutLowEnd(const StereoBuffer& x) {
  StereoBuffer y(x.size());
  Biquad l1 = Biquad::HighPass(150, 0.707, 44100), l2 = l1;
  Biquad r1 = l1, r2 = l1;
  for (size_t i = 0; i < x.size(); ++i) {
    y.left[i] = float(l2.Process(l1.Process(x.left[i])));
    y.right[i] = float(r2.Process(r1.Process(x.right[i])));
  }
  return y;
}

}  // namespace

TEST(Arrangement, IntroKicksLandExactlyOnWholeSeconds) {
  Score score = Arrangement::Build();
  int intro = 0;
  for (const Note& kick : score.kick) {
    if (kick.start >= 27 * kSecond) break;
    EXPECT_EQ(kick.start % kSecond, 0) << "kick at sample " << kick.start;
    ++intro;
  }
  EXPECT_EQ(intro, 27);  // 0 .. 26 s
  for (int second : Arrangement::AccentSeconds())
    EXPECT_TRUE(StartsAt(score.kick, second * kSecond) ||
                StartsAt(score.crash, second * kSecond))
        << "no accent at " << second << " s";
}

TEST(Arrangement, EveryNoteSitsOnTheGridInsideTheSong) {
  Score score = Arrangement::Build();
  size_t total = 0;
  for (const std::vector<Note>* track : AllTracks(score)) {
    for (size_t i = 0; i < track->size(); ++i) {
      const Note& n = (*track)[i];
      // 32nd-note grid: start = floor(k * 11025 / 4) for an integer k.
      int64_t k = (n.start * 4 + 11024) / 11025;
      EXPECT_EQ(n.start, k * 11025 / 4) << "off-grid note at " << n.start;
      EXPECT_GT(n.length, 0);
      EXPECT_LT(n.start + n.length, 225 * kSecond);
      EXPECT_TRUE(std::isfinite(n.pitch) && n.velocity > 0.0);
      if (i > 0) {
        EXPECT_LE((*track)[i - 1].start, n.start);
      }
    }
    total += track->size();
  }
  EXPECT_GT(total, 3000u);
}

// In the rendered intro each whole second starts a kick: above the drone,
// the 10 ms after it carry several times the energy of the 10 ms before
// (the pad and hats keep sounding, so the jump is 4 dB or more, not
// infinite). Half-way between, where no kick plays in the first 14 s,
// nothing comparable starts.
TEST(RenderedSong, IntroPulseIsAudibleOnWholeSeconds) {
  const StereoBuffer mix = WithoutLowEnd(Opening());
  const int64_t window = kSecond / 100;
  for (int s = 1; s <= 26; ++s) {
    int64_t at = s * kSecond;
    double before = Energy(mix, at - window, window);
    double after = Energy(mix, at, window);
    EXPECT_GT(after, 2.5 * before) << "at " << s << " s";
    // One window later the kick has barely begun to fall: the onset is
    // on the second, not some milliseconds after it.
    EXPECT_GT(Energy(mix, at + window / 2, window), 0.5 * after);
    if (s <= 13) {
      EXPECT_LT(Energy(mix, at + kSecond / 2, window), 0.3 * after)
          << "at " << s << ".5 s";
    }
  }
}

TEST(RenderedSong, BuildCutsOutOnItsLastBeat) {
  const StereoBuffer& mix = Opening();
  double playing = Energy(mix, 39 * kSecond, kSecond);
  double cut = Energy(mix, 40 * kSecond + kSecond * 6 / 10, kSecond * 3 / 10);
  double drop = Energy(mix, 41 * kSecond, kSecond / 2);
  EXPECT_LT(cut, 0.05 * playing);
  EXPECT_GT(drop, 0.5 * playing);
  for (size_t i = 0; i < mix.size(); ++i) {
    ASSERT_TRUE(std::isfinite(mix.left[i]) && std::isfinite(mix.right[i]));
    ASSERT_LT(std::abs(mix.left[i]), 4.0f);
  }
}
