// Writes one frame of the show as a PNG file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// `pixels` are 0xAARRGGBB words, top row first. The frame is stored as RGB
// (the back buffer's alpha is not part of the picture). Fast compression:
// offline rendering writes thousands of these. Safe to call from any
// thread (--render writes frames on a thread of its own).
// The bytes go to "<path>.part", renamed to `path` once complete: a write
// that fails (a full disk) or is cut short leaves no file under `path`.
// False on failure, with the reason (strerror's text) in *error.
bool WriteFramePng(const std::string& path, const std::vector<uint32_t>& pixels,
                   int width, int height, std::string* error = nullptr);

// "DIR/frame_000042.png".
std::string FramePath(const std::string& dir, int index);

// The name a file has while it is being written.
std::string PartialPath(const std::string& path);
