// --info: what a problem report needs, gathered the way the show itself
// opens things: SDL's video driver and the window with its OpenGL 3.3 core
// context, SDL's audio driver with the soundtrack's output format.
#include <SDL.h>
#include <epoxy/gl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/system/audio_system.h"
#include "platform/system/demo_window.h"
#include "shell/program.h"

namespace {

std::string DriverList(int count, const char* (*name)(int)) {
  std::string list;
  for (int i = 0; i < count; ++i) {
    if (!list.empty()) list += ", ";
    list += name(i);
  }
  return list.empty() ? "none" : list;
}

const char* GlText(GLenum name) {
  const GLubyte* text = glGetString(name);
  return text ? reinterpret_cast<const char*>(text) : "(not given)";
}

}  // namespace

int RunInfo(const char* commit) {
  std::printf("%s\n", VersionText(commit).c_str());
  SDL_version linked{};
  SDL_GetVersion(&linked);
  std::printf("SDL: %d.%d.%d (built with %d.%d.%d)\n", linked.major,
              linked.minor, linked.patch, SDL_MAJOR_VERSION, SDL_MINOR_VERSION,
              SDL_PATCHLEVEL);

  // Video: SDL's own choice, as for the live show; without a display the
  // offscreen driver that --render, --video and --bench fall back to.
  DemoWindow window;
  bool windowMade = window.Create();
  std::string videoNote;
  if (!windowMade && !std::getenv("SDL_VIDEODRIVER")) {
    videoNote = " (no display: " + window.error() + ")";
    window.Destroy();
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    windowMade = window.Create();
  }
  const char* videoDriver = SDL_GetCurrentVideoDriver();
  if (videoNote.empty() && videoDriver && !std::getenv("SDL_VIDEODRIVER") &&
      (std::strcmp(videoDriver, "offscreen") == 0 ||
       std::strcmp(videoDriver, "dummy") == 0)) {
    // SDL found no display and fell back by itself.
    videoNote = " (no display)";
  }
  std::printf("video driver: %s%s\n", videoDriver ? videoDriver : "none",
              videoNote.c_str());
  std::printf("video drivers built in: %s\n",
              DriverList(SDL_GetNumVideoDrivers(), SDL_GetVideoDriver).c_str());
  if (windowMade) {
    SDL_DisplayMode mode{};
    if (SDL_GetDesktopDisplayMode(0, &mode) == 0) {
      std::printf("desktop: %d x %d, %d Hz\n", mode.w, mode.h,
                  mode.refresh_rate);
    }
  } else {
    std::printf("window: none (%s)\n", window.error().c_str());
  }

  // Audio: the device the show opens (44.1 kHz stereo through SDL).
  {
    SdlAudio audio;
    const bool opened = audio.Init(AudioSystem::kFirstOutput);
    const char* audioDriver = SDL_GetCurrentAudioDriver();
    std::printf(
        "audio driver: %s, %s\n", audioDriver ? audioDriver : "none",
        opened ? "output opened"
               : ("no output (" + std::string(SDL_GetError()) + ")").c_str());
    std::printf(
        "audio drivers built in: %s\n",
        DriverList(SDL_GetNumAudioDrivers(), SDL_GetAudioDriver).c_str());
    audio.Free();
  }

  if (!windowMade || !window.CreateContext()) {
    std::printf("OpenGL: no 3.3 core context (%s)\n", window.error().c_str());
    return 1;
  }
  std::printf("OpenGL vendor: %s\n", GlText(GL_VENDOR));
  std::printf("OpenGL renderer: %s\n", GlText(GL_RENDERER));
  std::printf("OpenGL version: %s\n", GlText(GL_VERSION));
  std::printf("GLSL version: %s\n", GlText(GL_SHADING_LANGUAGE_VERSION));
  return 0;
}
