// Scaling to power-of-two sizes and the box-filtered mip chain of the
// texture loader, in 8-bit 0xAARRGGBB.
#pragma once

#include <cstdint>
#include <vector>

// The next power of two at or above n (n >= 1).
int NextPowerOfTwo(int n);

// Resamples a w x h image to dw x dh: an area average where it shrinks,
// bilinear where it grows, each axis on its own; the result covers the
// whole picture edge to edge.
std::vector<uint32_t> ResampleImage(const std::vector<uint32_t>& src, int w,
                                    int h, int dw, int dh);

// The next mip level: each texel the average of the 2 x 2 (or 2 x 1 where a
// side is already 1) texels above it.
std::vector<uint32_t> HalveImage(const std::vector<uint32_t>& src, int w, int h,
                                 int* nw, int* nh);
