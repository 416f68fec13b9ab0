// Reads back the pictures imagegen writes (for the checks and the contact
// sheet): PNG or JPEG bytes to 8-bit RGBA, plus the header facts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// In a namespace of its own: the program's image decoder has a
// DecodedImage of another shape, and the tests link both.
namespace imagegen {

struct DecodedImage {
  int width = 0, height = 0;
  bool png = false;
  int bitDepth = 0;           // PNG: bits per channel
  int colorType = -1;         // PNG: IHDR colour type (6 = RGBA)
  int components = 0;         // JPEG: colour components
  bool progressive = false;   // JPEG: SOF2
  bool fullChroma = false;    // JPEG: every component sampled 1x1
  std::vector<uint8_t> rgba;  // width * height * 4
};

// Returns false (with *error set) for bytes that are neither.
bool DecodeImage(const std::vector<uint8_t>& bytes, DecodedImage* out,
                 std::string* error);

std::vector<uint8_t> ReadFileBytes(const std::string& path);

}  // namespace imagegen
