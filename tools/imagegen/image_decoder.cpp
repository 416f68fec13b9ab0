#include "image_decoder.h"

// clang-format off
// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>
#include <png.h>
// clang-format on

#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace imagegen {

namespace {

struct JpegError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
};

void JpegFail(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}

bool DecodePng(const std::vector<uint8_t>& bytes, DecodedImage* out,
               std::string* error) {
  png_image img{};
  img.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&img, bytes.data(), bytes.size())) {
    *error = img.message;
    return false;
  }
  // The IHDR facts, straight from the header.
  out->width = static_cast<int>(img.width);
  out->height = static_cast<int>(img.height);
  out->bitDepth = bytes.size() > 25 ? bytes[24] : 0;
  out->colorType = bytes.size() > 25 ? bytes[25] : -1;
  img.format = PNG_FORMAT_RGBA;
  out->rgba.resize(PNG_IMAGE_SIZE(img));
  if (!png_image_finish_read(&img, nullptr, out->rgba.data(), 0, nullptr)) {
    *error = img.message;
    return false;
  }
  out->png = true;
  return true;
}

bool DecodeJpeg(const std::vector<uint8_t>& bytes, DecodedImage* out,
                std::string* error) {
  jpeg_decompress_struct cinfo;
  JpegError err;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = JpegFail;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    *error = "JPEG decoding failed";
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, bytes.data(), bytes.size());
  jpeg_read_header(&cinfo, TRUE);
  out->width = static_cast<int>(cinfo.image_width);
  out->height = static_cast<int>(cinfo.image_height);
  out->components = cinfo.num_components;
  out->progressive = cinfo.progressive_mode;
  out->fullChroma = true;
  for (int c = 0; c < cinfo.num_components; ++c)
    out->fullChroma = out->fullChroma &&
                      cinfo.comp_info[c].h_samp_factor == 1 &&
                      cinfo.comp_info[c].v_samp_factor == 1;
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  std::vector<uint8_t> row(out->width * 3);
  out->rgba.resize(static_cast<size_t>(out->width) * out->height * 4);
  while (cinfo.output_scanline < cinfo.output_height) {
    int y = static_cast<int>(cinfo.output_scanline);
    JSAMPROW r = row.data();
    jpeg_read_scanlines(&cinfo, &r, 1);
    for (int x = 0; x < out->width; ++x) {
      uint8_t* p = &out->rgba[(static_cast<size_t>(y) * out->width + x) * 4];
      p[0] = row[x * 3], p[1] = row[x * 3 + 1], p[2] = row[x * 3 + 2];
      p[3] = 255;
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

}  // namespace

bool DecodeImage(const std::vector<uint8_t>& bytes, DecodedImage* out,
                 std::string* error) {
  static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (bytes.size() >= 8 && std::memcmp(bytes.data(), kPng, 8) == 0)
    return DecodePng(bytes, out, error);
  if (bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8)
    return DecodeJpeg(bytes, out, error);
  *error = "neither PNG nor JPEG";
  return false;
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f),
                              std::istreambuf_iterator<char>());
}

}  // namespace imagegen
