// Turns composed pictures into the bytes the executable embeds: 8-bit RGBA
// PNG (straight alpha, no optional chunks) or three-component JPEG (4:4:4,
// optionally progressive). Quantisation adds seeded triangular dither of
// +-1 step so dark gradients do not band; exact 0 and 1 stay exact.
#pragma once

#include <cstdint>
#include <vector>

#include "image.h"

// `bleed` is the straight colour written under fully transparent pixels, so
// that filtering at the edges of visible parts does not pull in black.
std::vector<uint8_t> EncodePng(const Image& img, Rgba bleed,
                               uint64_t ditherSeed);

// The picture is flattened over black (premultiplied colour as is).
std::vector<uint8_t> EncodeJpeg(const Image& img, int quality, bool progressive,
                                uint64_t ditherSeed);
