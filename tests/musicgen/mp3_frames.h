#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A minimal MPEG-1 Layer III frame walker for the tests: splits a stream
// into frames by their headers and decodes the header fields.
struct Mp3Frame {
  size_t offset = 0;
  size_t size = 0;
  int bitrateKbps = 0;
  int sampleRate = 0;
  int channelMode = 0;  // 0 stereo, 1 joint stereo, 2 dual, 3 mono
  bool padding = false;
};

struct Mp3Stream {
  std::vector<Mp3Frame> frames;
  bool ok = false;  // every byte belonged to a valid frame
  std::string error;
};

Mp3Stream WalkMp3(const std::vector<uint8_t>& bytes);

// Fields of the information tag ("Xing" or "Info") in a first frame.
struct Mp3InfoTag {
  bool found = false;
  std::string id;       // "Xing" (VBR) or "Info" (CBR)
  uint32_t frames = 0;  // audio frames that follow
  uint32_t bytes = 0;   // stream size including the tag frame
  std::string encoder;  // first 9 bytes of the encoder's extension
  int encoderDelay = 0, padding = 0;
};

Mp3InfoTag ReadInfoTag(const std::vector<uint8_t>& bytes,
                       const Mp3Frame& frame);

std::vector<uint8_t> ReadFile(const std::string& path);
