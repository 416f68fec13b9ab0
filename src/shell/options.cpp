#include "shell/options.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "shell/section_table.h"

namespace {

bool ParseSeconds(const char* text, double* out) {
  char* end = nullptr;
  double value = std::strtod(text, &end);
  if (end == text || *end != '\0' || !std::isfinite(value) || value < 0.0) {
    return false;
  }
  *out = value;
  return true;
}

bool ParseFps(const char* text, int* out) {
  char* end = nullptr;
  long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || value < 1 || value > 1000) return false;
  *out = static_cast<int>(value);
  return true;
}

}  // namespace

std::string UsageText() {
  return "Usage: quorbel [options]\n"
         "Plays the show. With no options it asks \"Fullscreen ?\" first.\n"
         "Keys while playing: Escape (on release) ends the show.\n"
         "\n"
         "  --windowed            play in a window without asking\n"
         "  --fullscreen          play full screen without asking\n"
         "  --mute                play without sound\n"
         "  --start SECONDS       begin at that moment of the show\n"
         "  --render DIR          write every frame as DIR/frame_NNNNNN.png\n"
         "                        (800 x 600; DIR is created when missing)\n"
         "  --video FILE          encode the frames and the soundtrack with "
         "the\n"
         "                        ffmpeg program; FILE's extension picks the\n"
         "                        container: .mp4, .m4v, .mov, .mkv get H.264\n"
         "                        (when ffmpeg has libx264, otherwise its\n"
         "                        default video codec) and AAC; .webm, .avi\n"
         "                        ffmpeg's default codecs\n"
         "  --fps N               frames per second for --render/--video (30)\n"
         "  --from SECONDS        first frame's time for --render/--video (0)\n"
         "  --to SECONDS          last frame's time (the end of the show)\n"
         "  --bench               frame-time statistics per section, "
         "offscreen\n"
         "  --info                the version, SDL's video and audio drivers\n"
         "                        and the OpenGL renderer in use (for problem\n"
         "                        reports)\n"
         "  --help                this text\n"
         "  --version             the program's version and commit\n";
}

std::string VideoFormatFor(const std::string& path) {
  static const struct {
    const char* extension;
    const char* format;
  } kFormats[] = {{".mp4", "mp4"},      {".m4v", "mp4"},   {".mov", "mov"},
                  {".mkv", "matroska"}, {".webm", "webm"}, {".avi", "avi"}};
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
    return "";
  }
  std::string extension = path.substr(dot);
  for (char& c : extension) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  for (const auto& entry : kFormats) {
    if (extension == entry.extension) return entry.format;
  }
  return "";
}

bool ParseOptions(int argc, const char* const* argv, Options* options,
                  std::string* error) {
  Options parsed;
  bool fpsGiven = false, fromGiven = false;
  auto fail = [&](const std::string& text) {
    *error = "quorbel: " + text + " (see --help)";
    return false;
  };
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](const char** out) {
      if (i + 1 >= argc) return false;
      *out = argv[++i];
      return true;
    };
    const char* text = nullptr;
    if (arg == "--help" || arg == "-h") {
      parsed.help = true;
    } else if (arg == "--version") {
      parsed.version = true;
    } else if (arg == "--info") {
      parsed.info = true;
    } else if (arg == "--windowed") {
      parsed.windowed = true;
    } else if (arg == "--fullscreen") {
      parsed.fullscreen = true;
    } else if (arg == "--mute") {
      parsed.mute = true;
    } else if (arg == "--bench") {
      parsed.bench = true;
    } else if (arg == "--start") {
      double seconds = 0.0;
      if (!value(&text) || !ParseSeconds(text, &seconds)) {
        return fail("--start needs a number of seconds");
      }
      parsed.start = seconds;
    } else if (arg == "--render") {
      if (!value(&text) || !*text) return fail("--render needs a folder");
      parsed.renderDir = text;
    } else if (arg == "--video") {
      if (!value(&text) || !*text) return fail("--video needs a file name");
      parsed.videoFile = text;
      if (VideoFormatFor(parsed.videoFile).empty()) {
        return fail(
            "--video needs a file ending in .mp4, .mov, .mkv, .webm or .avi");
      }
    } else if (arg == "--fps") {
      if (!value(&text) || !ParseFps(text, &parsed.fps)) {
        return fail("--fps needs a whole number from 1 to 1000");
      }
      fpsGiven = true;
    } else if (arg == "--from") {
      if (!value(&text) || !ParseSeconds(text, &parsed.from)) {
        return fail("--from needs a number of seconds");
      }
      fromGiven = true;
    } else if (arg == "--to") {
      double seconds = 0.0;
      if (!value(&text) || !ParseSeconds(text, &seconds)) {
        return fail("--to needs a number of seconds");
      }
      parsed.to = seconds;
    } else {
      return fail("unknown option '" + arg + "'");
    }
  }
  const double showEnd = kSectionEndSeconds[kSectionCount - 1];
  if (parsed.windowed && parsed.fullscreen) {
    return fail("--windowed and --fullscreen exclude each other");
  }
  if (!parsed.renderDir.empty() && !parsed.videoFile.empty()) {
    return fail("--render and --video exclude each other");
  }
  if (parsed.bench && parsed.Offline()) {
    return fail("--bench cannot be combined with --render or --video");
  }
  if ((fpsGiven || fromGiven || parsed.to) && !parsed.Offline()) {
    return fail("--fps, --from and --to go with --render or --video");
  }
  if (parsed.start && (parsed.Offline() || parsed.bench)) {
    return fail("--start is for playing; use --from with --render");
  }
  if (parsed.start && *parsed.start >= showEnd) {
    return fail("--start is past the end of the show");
  }
  if (parsed.from >= showEnd) return fail("--from is past the end of the show");
  if (parsed.to && *parsed.to < parsed.from) {
    return fail("--to comes before --from");
  }
  *options = parsed;
  return true;
}
