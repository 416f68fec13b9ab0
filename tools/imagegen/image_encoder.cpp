#include "image_encoder.h"

// clang-format off
// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>
#include <png.h>
// clang-format on

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "rng.h"

namespace {

uint8_t Quantize(float v, Rng* rng) {
  if (v <= 0.0f) return 0;
  if (v >= 1.0f) return 255;
  double d = rng->Unit() - rng->Unit();  // triangular in (-1, 1)
  double q = std::floor(v * 255.0 + 0.5 + d * 0.5);
  return static_cast<uint8_t>(std::clamp(q, 0.0, 255.0));
}

void PngWrite(png_structp png, png_bytep data, png_size_t len) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + len);
}
void PngFlush(png_structp) {}

}  // namespace

std::vector<uint8_t> EncodePng(const Image& img, Rgba bleed,
                               uint64_t ditherSeed) {
  int w = img.width(), h = img.height();
  std::vector<uint8_t> rgba(static_cast<size_t>(w) * h * 4);
  Rng rng(ditherSeed);
  for (int i = 0; i < w * h; ++i) {
    const Rgba& p = img.pixels()[i];
    float a = std::clamp(p.a, 0.0f, 1.0f);
    uint8_t qa = Quantize(a, &rng);
    if (qa == 0) {
      // Undithered, so the invisible area compresses to almost nothing.
      rgba[i * 4 + 0] = static_cast<uint8_t>(std::lround(bleed.r * 255));
      rgba[i * 4 + 1] = static_cast<uint8_t>(std::lround(bleed.g * 255));
      rgba[i * 4 + 2] = static_cast<uint8_t>(std::lround(bleed.b * 255));
    } else {
      rgba[i * 4 + 0] = Quantize(p.r / a, &rng);
      rgba[i * 4 + 1] = Quantize(p.g / a, &rng);
      rgba[i * 4 + 2] = Quantize(p.b / a, &rng);
    }
    rgba[i * 4 + 3] = qa;
  }
  std::vector<uint8_t> out;
  png_structp png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("PNG encoding failed");
  }
  png_set_write_fn(png, &out, PngWrite, PngFlush);
  png_set_compression_level(png, 6);
  png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < h; ++y) png_write_row(png, &rgba[y * w * 4]);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

std::vector<uint8_t> EncodeJpeg(const Image& img, int quality, bool progressive,
                                uint64_t ditherSeed) {
  int w = img.width(), h = img.height();
  std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
  Rng rng(ditherSeed);
  for (int i = 0; i < w * h; ++i) {
    const Rgba& p = img.pixels()[i];
    rgb[i * 3 + 0] = Quantize(p.r, &rng);
    rgb[i * 3 + 1] = Quantize(p.g, &rng);
    rgb[i * 3 + 2] = Quantize(p.b, &rng);
  }
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* mem = nullptr;
  unsigned long memSize = 0;
  jpeg_mem_dest(&cinfo, &mem, &memSize);
  cinfo.image_width = w;
  cinfo.image_height = h;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  cinfo.dct_method = JDCT_ISLOW;  // the integer DCT is exact everywhere
  cinfo.optimize_coding = TRUE;
  // Full-resolution chroma (4:4:4): coloured edges and text stay crisp.
  for (int c = 0; c < 3; ++c) {
    cinfo.comp_info[c].h_samp_factor = 1;
    cinfo.comp_info[c].v_samp_factor = 1;
  }
  if (progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = &rgb[cinfo.next_scanline * w * 3];
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  std::vector<uint8_t> out(mem, mem + memSize);
  jpeg_destroy_compress(&cinfo);
  free(mem);
  return out;
}
