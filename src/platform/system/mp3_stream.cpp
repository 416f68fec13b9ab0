#include "platform/system/mp3_stream.h"

#include <mpg123.h>

#include <cstdio>
#include <cstring>
#include <mutex>

namespace {

bool InitLibrary() {
  // Needed once per process by libmpg123 versions before 1.27; harmless after.
  static std::once_flag once;
  static bool ok = false;
  std::call_once(once, [] { ok = mpg123_init() == MPG123_OK; });
  return ok;
}

}  // namespace

Mp3Stream::~Mp3Stream() {
  if (handle_) {
    mpg123_close(handle_);
    mpg123_delete(handle_);
  }
}

ssize_t Mp3Stream::ReadBytes(void* self, void* buffer, size_t count) {
  auto* stream = static_cast<Mp3Stream*>(self);
  size_t left = stream->size_ - stream->position_;
  if (count > left) count = left;
  std::memcpy(buffer, stream->data_ + stream->position_, count);
  stream->position_ += count;
  return static_cast<ssize_t>(count);
}

off_t Mp3Stream::SeekBytes(void* self, off_t offset, int whence) {
  auto* stream = static_cast<Mp3Stream*>(self);
  off_t base = 0;
  switch (whence) {
    case SEEK_SET:
      base = 0;
      break;
    case SEEK_CUR:
      base = static_cast<off_t>(stream->position_);
      break;
    case SEEK_END:
      base = static_cast<off_t>(stream->size_);
      break;
    default:
      return -1;
  }
  off_t target = base + offset;
  if (target < 0 || target > static_cast<off_t>(stream->size_)) return -1;
  stream->position_ = static_cast<size_t>(target);
  return target;
}

bool Mp3Stream::Open(const uint8_t* data, size_t size) {
  if (handle_ || !data || size == 0 || !InitLibrary()) return false;
  data_ = data;
  size_ = size;
  position_ = 0;
  int error = MPG123_OK;
  handle_ = mpg123_new(nullptr, &error);
  if (!handle_) return false;
  mpg123_param(handle_, MPG123_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0.0);
  mpg123_format_none(handle_);
  if (mpg123_format(handle_, kRate, MPG123_STEREO, MPG123_ENC_SIGNED_16) !=
          MPG123_OK ||
      mpg123_replace_reader_handle(handle_, &Mp3Stream::ReadBytes,
                                   &Mp3Stream::SeekBytes,
                                   nullptr) != MPG123_OK ||
      mpg123_open_handle(handle_, this) != MPG123_OK) {
    return false;
  }
  long rate = 0;
  int channels = 0, encoding = 0;
  if (mpg123_getformat(handle_, &rate, &channels, &encoding) != MPG123_OK ||
      rate != kRate || channels != kChannels) {
    return false;
  }
  // Walks the frame headers (in memory, a few ms) for the exact length.
  if (mpg123_scan(handle_) != MPG123_OK) return false;
  off_t length = mpg123_length(handle_);
  if (length <= 0) return false;
  lengthFrames_ = length;
  return true;
}

size_t Mp3Stream::Read(int16_t* out, size_t frames) {
  if (!handle_) return 0;
  size_t wanted = frames * kChannels * sizeof(int16_t);
  size_t total = 0;
  auto* bytes = reinterpret_cast<unsigned char*>(out);
  while (total < wanted) {
    size_t got = 0;
    int result = mpg123_read(handle_, bytes + total, wanted - total, &got);
    total += got;
    if (result == MPG123_NEW_FORMAT) continue;
    if (result != MPG123_OK || got == 0) break;  // MPG123_DONE or an error
  }
  return total / (kChannels * sizeof(int16_t));
}

bool Mp3Stream::SeekMs(uint32_t ms) {
  if (!handle_) return false;
  off_t frame = static_cast<off_t>(static_cast<int64_t>(ms) * kRate / 1000);
  return mpg123_seek(handle_, frame, SEEK_SET) >= 0;
}
