// PNG (libpng) and JPEG (libjpeg-turbo) decoding into 0xAARRGGBB pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/gfx/d3d9_types.h"

struct DecodedImage {
  int width = 0;
  int height = 0;
  bool hasAlpha = false;         // PNG with an alpha channel or tRNS
  std::vector<uint32_t> pixels;  // 0xAARRGGBB, top row first
};

// Images larger than this in either direction, or in pixels overall, are
// refused before any pixel memory is taken.
// The largest texture is 8192 on a side; 16 M pixels is 64 MiB decoded.
constexpr int kMaxImageSide = 8192;
constexpr uint64_t kMaxImagePixels = 1u << 24;
// Progressive JPEGs may declare any number of scans, each a full pass over
// the coefficients; real encoders write about ten.
constexpr int kMaxJpegScans = 256;

// D3DXERR_INVALIDDATA with a reason for anything that is neither a
// readable PNG nor JPEG.
HRESULT DecodeImage(const void* data, size_t size, DecodedImage* image,
                    std::string* reason);
