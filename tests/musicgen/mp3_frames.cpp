#include "mp3_frames.h"

#include <fstream>
#include <iterator>

namespace {

// MPEG-1 Layer III bit rates (kbit/s) by index, and sample rates.
constexpr int kBitrates[16] = {0,   32,  40,  48,  56,  64,  80,  96,
                               112, 128, 160, 192, 224, 256, 320, 0};
constexpr int kSampleRates[4] = {44100, 48000, 32000, 0};

uint32_t Big32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 |
         uint32_t(p[3]);
}

}  // namespace

Mp3Stream WalkMp3(const std::vector<uint8_t>& bytes) {
  Mp3Stream stream;
  size_t at = 0;
  while (at + 4 <= bytes.size()) {
    const uint8_t* h = bytes.data() + at;
    // Sync (11 bits), MPEG-1 (11), Layer III (01), no CRC (1).
    if (h[0] != 0xFF || (h[1] & 0xFE) != 0xFA) {
      stream.error = "no frame header at byte " + std::to_string(at);
      return stream;
    }
    Mp3Frame f;
    f.offset = at;
    f.bitrateKbps = kBitrates[h[2] >> 4];
    f.sampleRate = kSampleRates[(h[2] >> 2) & 3];
    f.padding = (h[2] >> 1) & 1;
    f.channelMode = h[3] >> 6;
    if (f.bitrateKbps == 0 || f.sampleRate == 0) {
      stream.error = "bad header fields at byte " + std::to_string(at);
      return stream;
    }
    f.size =
        size_t(144000 * f.bitrateKbps / f.sampleRate) + (f.padding ? 1 : 0);
    stream.frames.push_back(f);
    at += f.size;
  }
  stream.ok = at == bytes.size();
  if (!stream.ok) stream.error = "stream ends inside a frame";
  return stream;
}

Mp3InfoTag ReadInfoTag(const std::vector<uint8_t>& bytes,
                       const Mp3Frame& frame) {
  Mp3InfoTag tag;
  // After the 4-byte header, MPEG-1 side information is 32 bytes for two
  // channels and 17 for one.
  size_t at = frame.offset + 4 + (frame.channelMode == 3 ? 17 : 32);
  if (at + 120 + 36 > frame.offset + frame.size) return tag;
  const uint8_t* p = bytes.data() + at;
  tag.id.assign(reinterpret_cast<const char*>(p), 4);
  if (tag.id != "Xing" && tag.id != "Info") return tag;
  tag.found = true;
  uint32_t flags = Big32(p + 4);
  const uint8_t* field = p + 8;
  if (flags & 1) {
    tag.frames = Big32(field);
    field += 4;
  }
  if (flags & 2) {
    tag.bytes = Big32(field);
    field += 4;
  }
  if (flags & 4) field += 100;  // seek table
  if (flags & 8) field += 4;    // quality
  tag.encoder.assign(reinterpret_cast<const char*>(field), 9);
  // Encoder delay and padding: 12 bits each, 21 bytes into the extension.
  const uint8_t* d = field + 21;
  tag.encoderDelay = (d[0] << 4) | (d[1] >> 4);
  tag.padding = ((d[1] & 0x0F) << 8) | d[2];
  return tag;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                              std::istreambuf_iterator<char>());
}
