// An MP3 decoded straight from memory with libmpg123: the bytes are read in
// place (no copy), gapless decoding trims the encoder delay and padding that
// the stream's info frame records, and the output is always 44.1 kHz
// interleaved stereo 16-bit.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

struct mpg123_handle_struct;

class Mp3Stream {
 public:
  static constexpr long kRate = 44100;
  static constexpr int kChannels = 2;

  Mp3Stream() = default;
  ~Mp3Stream();
  Mp3Stream(const Mp3Stream&) = delete;
  Mp3Stream& operator=(const Mp3Stream&) = delete;

  // False when the bytes are not an MP3 stream that decodes to 44.1 kHz.
  // The memory must stay valid for the stream's lifetime.
  bool Open(const uint8_t* data, size_t size);
  // Decodes up to `frames` stereo frames into `out`; returns how many were
  // written, 0 at the end of the stream.
  size_t Read(int16_t* out, size_t frames);
  // Moves to a position in milliseconds from the first audible sample.
  bool SeekMs(uint32_t ms);
  // Length in stereo frames after gapless trimming; -1 if unknown.
  int64_t LengthFrames() const { return lengthFrames_; }

 private:
  static ssize_t ReadBytes(void* self, void* buffer, size_t count);
  static off_t SeekBytes(void* self, off_t offset, int whence);

  mpg123_handle_struct* handle_ = nullptr;
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  size_t position_ = 0;
  int64_t lengthFrames_ = -1;
};
