// The PNG/JPEG decoder on arbitrary bytes, then the power-of-two scaling
// and mip chain for images small enough to keep each run fast.
#include <cstdint>
#include <cstdlib>

#include "platform/d3dx/image_decoder.h"
#include "platform/d3dx/image_resample.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  DecodedImage image;
  std::string reason;
  if (FAILED(DecodeImage(data, size, &image, &reason))) {
    if (reason.empty()) std::abort();
    return 0;
  }
  if (image.pixels.size() != size_t(image.width) * image.height) std::abort();
  if (image.pixels.size() > (1u << 16)) return 0;
  int w = NextPowerOfTwo(image.width), h = NextPowerOfTwo(image.height);
  auto level = ResampleImage(image.pixels, image.width, image.height, w, h);
  while (w > 1 || h > 1) level = HalveImage(level, w, h, &w, &h);
  if (level.size() != 1) std::abort();
  return 0;
}
