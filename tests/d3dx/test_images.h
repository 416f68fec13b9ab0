// In-memory PNG and JPEG files for the loader tests.
#pragma once

#include <cstdint>
#include <vector>

// pixels are 0xAARRGGBB, top row first.
std::vector<uint8_t> EncodePng(const std::vector<uint32_t>& pixels, int width,
                               int height, bool alpha);
std::vector<uint8_t> EncodeJpeg(const std::vector<uint32_t>& pixels, int width,
                                int height, bool progressive);
