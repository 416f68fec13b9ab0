// The command line.
#pragma once

#include <optional>
#include <string>

struct Options {
  bool help = false;
  bool version = false;
  bool info = false;  // --info: versions, drivers and the GL renderer
  bool windowed = false;
  bool fullscreen = false;
  bool mute = false;
  std::optional<double> start;  // seconds into the show (live)

  std::string renderDir;  // --render: PNG frames
  std::string videoFile;  // --video: encoded by ffmpeg
  int fps = 30;
  double from = 0.0;         // seconds
  std::optional<double> to;  // seconds; unset: the end of the show
  bool bench = false;

  bool Offline() const { return !renderDir.empty() || !videoFile.empty(); }
};

// Parses argv; on a bad command line returns false with a one-line message.
bool ParseOptions(int argc, const char* const* argv, Options* options,
                  std::string* error);

// The --help text.
std::string UsageText();

// The ffmpeg container format for a --video file name, chosen by its
// extension ("mp4", "matroska", ...); empty when the extension is not one
// the export knows.
std::string VideoFormatFor(const std::string& path);
