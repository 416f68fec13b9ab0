// Sound output as the show uses it: open an output, make a stream from the
// soundtrack in memory, play it, free everything.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

class Mp3Stream;

class AudioSystem {
 public:
  // Device numbers for Init.
  static constexpr int kNoSound = 0;      // plays silently, always opens
  static constexpr int kFirstOutput = 1;  // the first real output device

  virtual ~AudioSystem() = default;
  virtual bool Init(int device) = 0;
  // A stream handle for the MP3 at `data` (read in place, not copied), or
  // 0 when it cannot be played.
  virtual uint32_t StreamCreate(const uint8_t* data, size_t size) = 0;
  // Starts the stream `fromMs` milliseconds in.
  virtual bool ChannelPlay(uint32_t stream, uint32_t fromMs) = 0;
  // Stops output and frees every stream; safe to call at any time, again.
  virtual void Free() = 0;
};

// SDL2 output fed from libmpg123. Without an output device (none there, or
// device kNoSound asked for) streams are still decoded-checked and "play"
// silently, so the show runs the same.
class SdlAudio : public AudioSystem {
 public:
  static constexpr int kBufferFrames = 1024;  // about 23 ms at 44.1 kHz

  SdlAudio();
  ~SdlAudio() override;

  bool Init(int device) override;
  uint32_t StreamCreate(const uint8_t* data, size_t size) override;
  bool ChannelPlay(uint32_t stream, uint32_t fromMs) override;
  void Free() override;

  // Whether a real output device is open.
  bool HasOutput() const { return device_ != 0; }

 private:
  static void Callback(void* self, uint8_t* out, int bytes);

  bool audioStarted_ = false;
  uint32_t device_ = 0;  // SDL_AudioDeviceID
  bool initialised_ = false;
  uint32_t nextHandle_ = 1;
  std::map<uint32_t, std::unique_ptr<Mp3Stream>> streams_;
  Mp3Stream* playing_ = nullptr;  // read by SDL's audio thread under its lock
};
