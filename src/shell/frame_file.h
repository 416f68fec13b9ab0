// Writes one frame of the show as a PNG file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// `pixels` are 0xAARRGGBB words, top row first. The frame is stored as RGB
// (the back buffer's alpha is not part of the picture). Fast compression:
// offline rendering writes thousands of these.
bool WriteFramePng(const std::string& path, const std::vector<uint32_t>& pixels,
                   int width, int height);

// "DIR/frame_000042.png".
std::string FramePath(const std::string& dir, int index);
