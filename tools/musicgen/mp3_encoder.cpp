#include "mp3_encoder.h"

#include <lame/lame.h>

#include <algorithm>
#include <cstring>

#include "song_clock.h"

namespace {
constexpr int kBitrateKbps = 128;
constexpr int kQuality = 2;  // LAME's "high quality" noise shaping search
constexpr int kChunkFrames = 1152 * 16;
}  // namespace

std::vector<uint8_t> Mp3Encoder::Encode(const std::vector<int16_t>& pcm) {
  lame_global_flags* lame = lame_init();
  if (lame == nullptr) return {};
  lame_set_in_samplerate(lame, song_clock::kSampleRate);
  lame_set_out_samplerate(lame, song_clock::kSampleRate);
  lame_set_num_channels(lame, 2);
  lame_set_mode(lame, JOINT_STEREO);
  lame_set_VBR(lame, vbr_off);
  lame_set_brate(lame, kBitrateKbps);
  lame_set_quality(lame, kQuality);
  lame_set_bWriteVbrTag(lame, 1);
  lame_set_write_id3tag_automatic(lame, 0);
  std::vector<uint8_t> out;
  if (lame_init_params(lame) < 0) {
    lame_close(lame);
    return {};
  }
  const size_t frames = pcm.size() / 2;
  // LAME's worst case output for n samples is 1.25 n + 7200 bytes.
  std::vector<uint8_t> buffer(size_t(1.25 * kChunkFrames) + 7200);
  bool ok = true;
  for (size_t first = 0; first < frames && ok; first += kChunkFrames) {
    int count = int(std::min<size_t>(kChunkFrames, frames - first));
    int written = lame_encode_buffer_interleaved(
        lame, const_cast<short*>(pcm.data() + 2 * first), count, buffer.data(),
        int(buffer.size()));
    ok = written >= 0;
    if (ok) out.insert(out.end(), buffer.begin(), buffer.begin() + written);
  }
  if (ok) {
    int written = lame_encode_flush(lame, buffer.data(), int(buffer.size()));
    ok = written >= 0;
    if (ok) out.insert(out.end(), buffer.begin(), buffer.begin() + written);
  }
  // The first frame was a placeholder; now that the totals are known,
  // LAME fills in the information tag, which is exactly one frame long.
  if (ok) {
    size_t tagSize = lame_get_lametag_frame(lame, buffer.data(), buffer.size());
    ok = tagSize > 0 && tagSize <= out.size();
    if (ok) std::memcpy(out.data(), buffer.data(), tagSize);
  }
  lame_close(lame);
  if (!ok) out.clear();
  return out;
}
