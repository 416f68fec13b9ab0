#include "platform/system/audio_system.h"

#include <SDL.h>

#include <cstring>

#include "platform/system/fault_injection.h"
#include "platform/system/mp3_stream.h"

SdlAudio::SdlAudio() = default;

SdlAudio::~SdlAudio() { Free(); }

bool SdlAudio::Init(int device) {
  if (initialised_) return false;  // already open, as a second open would be
  if (device == kNoSound) {
    initialised_ = true;
    return true;
  }
  if (device != kFirstOutput) return false;
  if (InjectedFailure("open the audio output")) return false;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  SDL_AudioSpec want{};
  want.freq = Mp3Stream::kRate;
  want.format = AUDIO_S16SYS;
  want.channels = Mp3Stream::kChannels;
  want.samples = kBufferFrames;
  want.callback = &SdlAudio::Callback;
  want.userdata = this;
  SDL_AudioSpec have{};
  // No allowed changes: SDL converts to whatever the hardware wants.
  SDL_AudioDeviceID id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (id == 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  audioStarted_ = true;
  device_ = id;
  initialised_ = true;
  return true;
}

uint32_t SdlAudio::StreamCreate(const uint8_t* data, size_t size) {
  if (!initialised_) return 0;
  if (InjectedFailure("open the soundtrack stream")) return 0;
  auto stream = std::make_unique<Mp3Stream>();
  if (!stream->Open(data, size)) return 0;
  uint32_t handle = nextHandle_++;
  streams_[handle] = std::move(stream);
  return handle;
}

bool SdlAudio::ChannelPlay(uint32_t handle, uint32_t fromMs) {
  auto found = streams_.find(handle);
  if (found == streams_.end()) return false;
  Mp3Stream* stream = found->second.get();
  if (device_) SDL_LockAudioDevice(device_);
  if (fromMs > 0) stream->SeekMs(fromMs);
  playing_ = stream;
  if (device_) {
    SDL_UnlockAudioDevice(device_);
    SDL_PauseAudioDevice(device_, 0);
  }
  return true;
}

void SdlAudio::Free() {
  if (device_) {
    // Returns once the callback has finished; it is never called again.
    SDL_CloseAudioDevice(device_);
    device_ = 0;
  }
  playing_ = nullptr;
  streams_.clear();
  if (audioStarted_) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    audioStarted_ = false;
  }
  initialised_ = false;
}

void SdlAudio::Callback(void* self, uint8_t* out, int bytes) {
  auto* audio = static_cast<SdlAudio*>(self);
  size_t frames =
      static_cast<size_t>(bytes) / (Mp3Stream::kChannels * sizeof(int16_t));
  size_t got = 0;
  if (audio->playing_) {
    got = audio->playing_->Read(reinterpret_cast<int16_t*>(out), frames);
  }
  size_t used = got * Mp3Stream::kChannels * sizeof(int16_t);
  std::memset(out + used, 0, static_cast<size_t>(bytes) - used);
}
