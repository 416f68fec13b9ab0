// A CPU model of the glow: the four blur passes between 256 x 256 targets
// and the max-blend composition, with Direct3D's pixel centres, wrapping
// bilinear taps and 8-bit targets. One channel; the tests use grey images.
#pragma once

#include <cstddef>
#include <vector>

struct GreyImage {
  int width = 0;
  int height = 0;
  std::vector<float> value;  // 0..255, row-major, top row first

  GreyImage() = default;
  GreyImage(int w, int h, float fill = 0.0f)
      : width(w), height(h), value(static_cast<size_t>(w) * h, fill) {}
  float& at(int x, int y) { return value[static_cast<size_t>(y) * width + x]; }
  float at(int x, int y) const {
    return value[static_cast<size_t>(y) * width + x];
  }
};

// The blurred target after the four passes (pixelSize in texture units).
GreyImage ModelProcessGlow(const GreyImage& source, float pixelSize,
                           bool shrink);
// The frame after laying the blurred target over `frame`.
GreyImage ModelComposeGlow(const GreyImage& glow, const GreyImage& frame);
