// A short MP3 made at test time with LAME, so the audio tests need no asset:
// a 440 Hz stereo tone, 128 kbit/s CBR at 44.1 kHz, with the encoder's
// info frame first (delay and padding recorded for gapless decoding).
#pragma once

#include <lame/lame.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

inline std::vector<uint8_t> MakeToneMp3(int frames) {
  lame_global_flags* lame = lame_init();
  lame_set_in_samplerate(lame, 44100);
  lame_set_out_samplerate(lame, 44100);
  lame_set_num_channels(lame, 2);
  lame_set_brate(lame, 128);
  lame_set_VBR(lame, vbr_off);
  lame_set_mode(lame, JOINT_STEREO);
  lame_set_bWriteVbrTag(lame, 1);
  lame_init_params(lame);
  std::vector<short> left(frames), right(frames);
  for (int i = 0; i < frames; ++i) {
    left[i] = right[i] = static_cast<short>(
        12000.0 * std::sin(2.0 * 3.14159265358979 * 440.0 * i / 44100.0));
  }
  std::vector<uint8_t> mp3(static_cast<size_t>(1.25 * frames + 7200) + 16384);
  int used = lame_encode_buffer(lame, left.data(), right.data(), frames,
                                mp3.data(), static_cast<int>(mp3.size()));
  used += lame_encode_flush(lame, mp3.data() + used,
                            static_cast<int>(mp3.size()) - used);
  mp3.resize(used);
  // The info frame, complete only now, replaces the placeholder at the
  // start of the stream.
  unsigned char tag[4096];
  size_t tagSize = lame_get_lametag_frame(lame, tag, sizeof tag);
  if (tagSize > 0 && tagSize <= mp3.size())
    std::memcpy(mp3.data(), tag, tagSize);
  lame_close(lame);
  return mp3;
}
