#include "wav_writer.h"

#include <fstream>

namespace {

void Put32(std::ofstream& out, uint32_t v) {
  char b[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
  out.write(b, 4);
}
void Put16(std::ofstream& out, uint16_t v) {
  char b[2] = {char(v), char(v >> 8)};
  out.write(b, 2);
}

}  // namespace

bool WavWriter::Write(const std::string& path, const std::vector<int16_t>& pcm,
                      int sampleRate) {
  std::ofstream out(path, std::ios::binary);
  if (!out) return false;
  uint32_t dataBytes = uint32_t(pcm.size() * 2);
  out.write("RIFF", 4);
  Put32(out, 36 + dataBytes);
  out.write("WAVEfmt ", 8);
  Put32(out, 16);
  Put16(out, 1);  // PCM
  Put16(out, 2);
  Put32(out, uint32_t(sampleRate));
  Put32(out, uint32_t(sampleRate) * 4);
  Put16(out, 4);
  Put16(out, 16);
  out.write("data", 4);
  Put32(out, dataBytes);
  for (int16_t s : pcm) Put16(out, uint16_t(s));
  return bool(out);
}
