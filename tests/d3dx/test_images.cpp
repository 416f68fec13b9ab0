#include "test_images.h"

// clang-format off
// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>
#include <png.h>
// clang-format on

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

std::vector<uint8_t> EncodePng(const std::vector<uint32_t>& pixels, int width,
                               int height, bool alpha) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = alpha ? PNG_FORMAT_BGRA : PNG_FORMAT_BGR;
  std::vector<uint8_t> rows;
  if (alpha) {
    rows.assign(
        reinterpret_cast<const uint8_t*>(pixels.data()),
        reinterpret_cast<const uint8_t*>(pixels.data()) + pixels.size() * 4);
  } else {
    for (uint32_t p : pixels) {
      rows.push_back(uint8_t(p));
      rows.push_back(uint8_t(p >> 8));
      rows.push_back(uint8_t(p >> 16));
    }
  }
  png_alloc_size_t size = 0;
  png_image_write_to_memory(&image, nullptr, &size, 0, rows.data(), 0, nullptr);
  std::vector<uint8_t> out(size);
  png_image_write_to_memory(&image, out.data(), &size, 0, rows.data(), 0,
                            nullptr);
  out.resize(size);
  return out;
}

std::vector<uint8_t> EncodeJpeg(const std::vector<uint32_t>& pixels, int width,
                                int height, bool progressive) {
  jpeg_compress_struct info;
  jpeg_error_mgr error;
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 95, TRUE);
  if (progressive) jpeg_simple_progression(&info);
  jpeg_start_compress(&info, TRUE);
  std::vector<uint8_t> row(size_t(width) * 3);
  while (info.next_scanline < info.image_height) {
    for (int x = 0; x < width; ++x) {
      const uint32_t p = pixels[size_t(info.next_scanline) * width + x];
      row[3 * x] = uint8_t(p >> 16);
      row[3 * x + 1] = uint8_t(p >> 8);
      row[3 * x + 2] = uint8_t(p);
    }
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&info, &r, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::vector<uint8_t> out(buffer, buffer + size);
  std::free(buffer);
  return out;
}
