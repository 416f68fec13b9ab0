// MP3 decoding from memory and the SDL output (SDL's dummy driver).
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "platform/system/audio_system.h"
#include "platform/system/mp3_stream.h"
#include "test_mp3.h"

namespace {

constexpr int kToneFrames = 44100;  // one second

const std::vector<uint8_t>& Tone() {
  static const std::vector<uint8_t> mp3 = MakeToneMp3(kToneFrames);
  return mp3;
}

TEST(Mp3Stream, GaplessLengthIsExactlyWhatWasEncoded) {
  Mp3Stream stream;
  ASSERT_TRUE(stream.Open(Tone().data(), Tone().size()));
  EXPECT_EQ(stream.LengthFrames(), kToneFrames);
  std::vector<int16_t> pcm(4096 * 2);
  int64_t total = 0;
  for (;;) {
    size_t got = stream.Read(pcm.data(), 4096);
    if (got == 0) break;
    total += static_cast<int64_t>(got);
  }
  EXPECT_EQ(total, kToneFrames);
}

TEST(Mp3Stream, EncoderDelayIsTrimmedSoTheToneStartsAtOnce) {
  Mp3Stream stream;
  ASSERT_TRUE(stream.Open(Tone().data(), Tone().size()));
  // Without trimming, the first ~1100 frames would be the encoder's
  // silence. The tone's 440 Hz peaks must appear within the first 200.
  std::vector<int16_t> pcm(200 * 2);
  ASSERT_EQ(stream.Read(pcm.data(), 200), 200u);
  int peak = 0;
  for (int16_t s : pcm) peak = std::max(peak, std::abs(int(s)));
  EXPECT_GT(peak, 8000);
}

TEST(Mp3Stream, SeekingSkipsThatMuchOfTheStream) {
  Mp3Stream stream;
  ASSERT_TRUE(stream.Open(Tone().data(), Tone().size()));
  ASSERT_TRUE(stream.SeekMs(750));
  std::vector<int16_t> pcm(4096 * 2);
  int64_t total = 0;
  while (size_t got = stream.Read(pcm.data(), 4096)) total += got;
  EXPECT_EQ(total, kToneFrames - 33075);  // 750 ms at 44.1 kHz
}

TEST(Mp3Stream, RejectsWhatIsNotAnMp3) {
  std::vector<uint8_t> noise(20000);
  uint32_t x = 12345;
  for (auto& b : noise) {
    x = x * 1664525u + 1013904223u;
    b = static_cast<uint8_t>(x >> 24);
  }
  Mp3Stream fromNoise;
  EXPECT_FALSE(fromNoise.Open(noise.data(), noise.size()));
  Mp3Stream empty;
  EXPECT_FALSE(empty.Open(nullptr, 0));
  const std::vector<uint8_t> text(5000, 'x');
  Mp3Stream fromText;
  EXPECT_FALSE(fromText.Open(text.data(), text.size()));
  Mp3Stream truncated;
  EXPECT_FALSE(truncated.Open(Tone().data(), 3));
}

class SdlAudioTest : public ::testing::Test {
 protected:
  void SetUp() override { setenv("SDL_AUDIODRIVER", "dummy", 1); }
};

TEST_F(SdlAudioTest, DummyDriverPlaysTheStream) {
  SdlAudio audio;
  EXPECT_EQ(audio.StreamCreate(Tone().data(), Tone().size()), 0u)
      << "no stream before the output is open";
  ASSERT_TRUE(audio.Init(AudioSystem::kFirstOutput));
  EXPECT_TRUE(audio.HasOutput());
  uint32_t stream = audio.StreamCreate(Tone().data(), Tone().size());
  ASSERT_NE(stream, 0u);
  EXPECT_TRUE(audio.ChannelPlay(stream, 0));
  EXPECT_FALSE(audio.ChannelPlay(stream + 1, 0));
  audio.Free();
  audio.Free();  // again: nothing left, no harm
  EXPECT_FALSE(audio.HasOutput());
}

TEST_F(SdlAudioTest, SilentOutputStillChecksAndPlaysStreams) {
  SdlAudio audio;
  ASSERT_TRUE(audio.Init(AudioSystem::kNoSound));
  EXPECT_FALSE(audio.HasOutput());
  uint32_t stream = audio.StreamCreate(Tone().data(), Tone().size());
  ASSERT_NE(stream, 0u);
  EXPECT_TRUE(audio.ChannelPlay(stream, 500));
  const uint8_t junk[64] = {};
  EXPECT_EQ(audio.StreamCreate(junk, sizeof junk), 0u);
  audio.Free();
}

TEST_F(SdlAudioTest, NoAudioDriverFallsBackToSilence) {
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  SdlAudio audio;
  EXPECT_FALSE(audio.Init(AudioSystem::kFirstOutput));
  EXPECT_TRUE(audio.Init(AudioSystem::kNoSound));
  EXPECT_NE(audio.StreamCreate(Tone().data(), Tone().size()), 0u);
  audio.Free();
}

}  // namespace
