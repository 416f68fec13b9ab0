#include "platform/d3dx/image_decoder.h"

// clang-format off
// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>
#include <png.h>
// clang-format on

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>

#include "platform/d3dx/d3dx9core.h"

namespace {

bool SizeOk(uint64_t w, uint64_t h) {
  return w > 0 && h > 0 && w <= kMaxImageSide && h <= kMaxImageSide &&
         w * h <= kMaxImagePixels;
}

HRESULT DecodePng(const uint8_t* data, size_t size, DecodedImage* out,
                  std::string* reason) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data, size)) {
    *reason = std::string("PNG: ") + image.message;
    return D3DXERR_INVALIDDATA;
  }
  if (!SizeOk(image.width, image.height)) {
    png_image_free(&image);
    *reason = "PNG: image size out of range";
    return D3DXERR_INVALIDDATA;
  }
  out->hasAlpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
  // BGRA bytes are 0xAARRGGBB words on a little-endian machine.
  image.format = PNG_FORMAT_BGRA;
  out->width = static_cast<int>(image.width);
  out->height = static_cast<int>(image.height);
  out->pixels.assign(size_t(image.width) * image.height, 0);
  if (!png_image_finish_read(&image, nullptr, out->pixels.data(), 0, nullptr)) {
    *reason = std::string("PNG: ") + image.message;
    png_image_free(&image);
    return D3DXERR_INVALIDDATA;
  }
  if (!out->hasAlpha)
    for (uint32_t& p : out->pixels) p |= 0xFF000000u;
  return S_OK;
}

struct JpegError {
  jpeg_error_mgr manager;
  jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void JpegErrorExit(j_common_ptr info) {
  auto* error = reinterpret_cast<JpegError*>(info->err);
  info->err->format_message(info, error->message);
  longjmp(error->jump, 1);
}

void JpegSilence(j_common_ptr, int) {}

// Called by libjpeg between scans and passes: ends files that ask for an
// unbounded amount of work.
void JpegProgress(j_common_ptr info) {
  auto* d = reinterpret_cast<j_decompress_ptr>(info);
  if (d->is_decompressor && d->input_scan_number > kMaxJpegScans) {
    auto* error = reinterpret_cast<JpegError*>(info->err);
    std::snprintf(error->message, sizeof error->message, "more than %d scans",
                  kMaxJpegScans);
    longjmp(error->jump, 1);
  }
}

// The libjpeg calls, in a frame of their own: libjpeg reports errors by
// longjmp back into it, so nothing here has a destructor or lives in a
// register across the jump (the pixel vector belongs to `out`). False
// with the reason in `message`.
bool ReadJpeg(const uint8_t* data, size_t size, DecodedImage* out,
              char (&message)[JMSG_LENGTH_MAX]) {
  jpeg_decompress_struct info;
  JpegError error;
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = JpegErrorExit;
  error.manager.emit_message = JpegSilence;
  error.message[0] = 0;
  if (setjmp(error.jump)) {
    jpeg_destroy_decompress(&info);
    std::memcpy(message, error.message, sizeof message);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_progress_mgr progress{};
  progress.progress_monitor = JpegProgress;
  info.progress = &progress;
  jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
  jpeg_read_header(&info, TRUE);
  if (!SizeOk(info.image_width, info.image_height)) {
    jpeg_destroy_decompress(&info);
    std::snprintf(message, sizeof message, "image size out of range");
    return false;
  }
  info.out_color_space = JCS_EXT_BGRA;
  jpeg_start_decompress(&info);
  out->width = static_cast<int>(info.output_width);
  out->height = static_cast<int>(info.output_height);
  out->hasAlpha = false;
  out->pixels.assign(size_t(out->width) * out->height, 0);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = reinterpret_cast<JSAMPROW>(
        out->pixels.data() + size_t(info.output_scanline) * out->width);
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

HRESULT DecodeJpeg(const uint8_t* data, size_t size, DecodedImage* out,
                   std::string* reason) {
  char message[JMSG_LENGTH_MAX] = {};
  if (!ReadJpeg(data, size, out, message)) {
    *reason = std::string("JPEG: ") + message;
    return D3DXERR_INVALIDDATA;
  }
  for (uint32_t& p : out->pixels) p |= 0xFF000000u;
  return S_OK;
}

}  // namespace

HRESULT DecodeImage(const void* data, size_t size, DecodedImage* image,
                    std::string* reason) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  *image = DecodedImage();
  try {
    if (size >= 8 && std::memcmp(bytes, "\x89PNG\r\n\x1a\n", 8) == 0)
      return DecodePng(bytes, size, image, reason);
    if (size >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF)
      return DecodeJpeg(bytes, size, image, reason);
  } catch (const std::bad_alloc&) {
    *reason = "image: out of memory";
    return E_OUTOFMEMORY;
  }
  *reason = "byte 0: neither PNG nor JPEG";
  return D3DXERR_INVALIDDATA;
}
