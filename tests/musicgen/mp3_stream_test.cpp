#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "mp3_encoder.h"
#include "mp3_frames.h"
#include "song_clock.h"

namespace {

// Two seconds of a stereo chord with some noise, 16-bit interleaved.
std::vector<int16_t> TestPcm(size_t frames) {
  std::vector<int16_t> pcm(2 * frames);
  uint32_t noise = 1;
  for (size_t i = 0; i < frames; ++i) {
    double t = double(i) / 44100.0;
    noise = noise * 1664525u + 1013904223u;
    double n = (double(noise >> 8) / double(1 << 24) - 0.5) * 0.05;
    pcm[2 * i] =
        int16_t(9000 * std::sin(2 * std::numbers::pi * 220 * t) + 30000 * n);
    pcm[2 * i + 1] =
        int16_t(9000 * std::sin(2 * std::numbers::pi * 330 * t) - 30000 * n);
  }
  return pcm;
}

// Every frame: MPEG-1 Layer III, 128 kbit/s, 44.1 kHz, joint stereo, so
// 417 or 418 bytes (417.96 on average) and header bytes FF FB 90|92.
void ExpectCbrJointStereo(const std::vector<uint8_t>& bytes,
                          const Mp3Stream& stream) {
  ASSERT_TRUE(stream.ok) << stream.error;
  for (const Mp3Frame& f : stream.frames) {
    ASSERT_EQ(f.bitrateKbps, 128) << "frame at " << f.offset;
    ASSERT_EQ(f.sampleRate, 44100);
    ASSERT_EQ(f.channelMode, 1);
    ASSERT_EQ(f.size, f.padding ? 418u : 417u);
    ASSERT_EQ(bytes[f.offset], 0xFF);
    ASSERT_EQ(bytes[f.offset + 1], 0xFB);
    ASSERT_TRUE(bytes[f.offset + 2] == 0x90 || bytes[f.offset + 2] == 0x92);
  }
}

// The information frame's totals describe the stream, and the encoder's
// delay and padding bring the frames back to the exact input length.
void ExpectInfoTag(const std::vector<uint8_t>& bytes, const Mp3Stream& stream,
                   size_t inputFrames) {
  ASSERT_FALSE(stream.frames.empty());
  Mp3InfoTag tag = ReadInfoTag(bytes, stream.frames[0]);
  ASSERT_TRUE(tag.found);
  EXPECT_EQ(tag.id, "Info");  // constant bit rate
  EXPECT_EQ(tag.frames, stream.frames.size() - 1);
  EXPECT_EQ(tag.bytes, bytes.size());
  EXPECT_EQ(tag.encoder.substr(0, 4), "LAME");
  EXPECT_EQ(tag.encoderDelay, 576);
  EXPECT_EQ(size_t(tag.frames) * 1152 - size_t(tag.encoderDelay) -
                size_t(tag.padding),
            inputFrames);
  // No ID3 tags at either end.
  EXPECT_NE(std::string(bytes.begin(), bytes.begin() + 3), "ID3");
  EXPECT_NE(std::string(bytes.end() - 128, bytes.end() - 125), "TAG");
}

}  // namespace

TEST(Mp3Encoder, WritesCbrJointStereoWithInfoFrame) {
  const size_t frames = 2 * 44100 + 123;
  std::vector<uint8_t> mp3 = Mp3Encoder::Encode(TestPcm(frames));
  ASSERT_FALSE(mp3.empty());
  Mp3Stream stream = WalkMp3(mp3);
  ExpectCbrJointStereo(mp3, stream);
  ExpectInfoTag(mp3, stream, frames);
  // 2 s + delay fit in 78 frames of 1152 samples, plus the info frame.
  EXPECT_GE(stream.frames.size(), (frames + 576) / 1152 + 2);
  EXPECT_LE(stream.frames.size(), (frames + 576) / 1152 + 4);
  EXPECT_EQ(Mp3Encoder::Encode(TestPcm(frames)), mp3);  // deterministic
}

// The committed soundtrack (the resource the program plays): 9030 frames,
// 3,774,170 bytes, the first one the information frame.
TEST(Mp3Encoder, CommittedSoundtrackHasTheResourceLayout) {
  std::vector<uint8_t> mp3 = ReadFile(QUORBEL_SOUNDTRACK_MP3);
  ASSERT_FALSE(mp3.empty()) << "missing " << QUORBEL_SOUNDTRACK_MP3;
  EXPECT_EQ(mp3.size(), 3774170u);
  Mp3Stream stream = WalkMp3(mp3);
  ExpectCbrJointStereo(mp3, stream);
  EXPECT_EQ(stream.frames.size(), 9030u);
  ExpectInfoTag(mp3, stream, size_t(song_clock::kTotalSamples));
}
