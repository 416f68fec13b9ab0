#include "shell/frame_file.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>

bool WriteFramePng(const std::string& path, const std::vector<uint32_t>& pixels,
                   int width, int height) {
  if (width <= 0 || height <= 0 ||
      pixels.size() != static_cast<size_t>(width) * height) {
    return false;
  }
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  png_structp png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
  bool ok = false;
  if (info && setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, file);
    png_set_compression_level(png, 1);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
      const uint32_t* source = pixels.data() + static_cast<size_t>(y) * width;
      for (int x = 0; x < width; ++x) {
        row[x * 3 + 0] = static_cast<uint8_t>(source[x] >> 16);
        row[x * 3 + 1] = static_cast<uint8_t>(source[x] >> 8);
        row[x * 3 + 2] = static_cast<uint8_t>(source[x]);
      }
      png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    ok = true;
  }
  png_destroy_write_struct(&png, &info);
  if (std::fclose(file) != 0) ok = false;
  return ok;
}

std::string FramePath(const std::string& dir, int index) {
  char name[32];
  std::snprintf(name, sizeof name, "frame_%06d.png", index);
  return dir + "/" + name;
}
