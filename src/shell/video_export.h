// --video: frames and the soundtrack handed to the ffmpeg program.
//
// The picture goes through a pipe as raw BGRA frames; the soundtrack's
// part for the range is decoded here (the same decoder and gapless
// trimming as the live show) into a temporary file of raw PCM, exactly as
// long as the frames: frameCount / fps seconds. ffmpeg runs in its own
// process group, so Ctrl-C in the terminal reaches only quorbel, which
// then stops ffmpeg itself; ffmpeg writes "<file>.part", renamed to the
// file only after it has finished without error.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

struct VideoSettings {
  std::string path;    // the finished file
  std::string format;  // ffmpeg's container name ("mp4")
  int width = 800, height = 600;
  int fps = 30;
  uint32_t fromMs = 0;  // the first frame's time in the show
  int frameCount = 0;
};

// The path of the ffmpeg program on PATH; empty when there is none.
std::string FindFfmpeg();

// The codec arguments for a container: H.264 (when the ffmpeg has libx264)
// and AAC for mp4, mov and matroska; ffmpeg's defaults for the others.
std::vector<std::string> CodecArguments(const std::string& format,
                                        bool haveLibx264);

class VideoExport {
 public:
  // Whether the file can be made where it is to go (its folder exists and
  // takes new files); false with a one-line reason. Leaves nothing behind.
  static bool CheckWritable(const std::string& path, std::string* error);

  VideoExport() = default;
  // Aborts an export that was not finished.
  ~VideoExport();
  VideoExport(const VideoExport&) = delete;
  VideoExport& operator=(const VideoExport&) = delete;

  // Checks that the file can be written, writes the soundtrack's part and
  // starts ffmpeg. False with a one-line reason in *error.
  bool Start(const std::string& ffmpeg, const VideoSettings& settings,
             std::string* error);
  // One frame of width × height 0xAARRGGBB words. False when ffmpeg no
  // longer takes frames (Finish then says why).
  bool WriteFrame(const std::vector<uint32_t>& pixels);
  // Ends the input, waits for ffmpeg and moves the file into place. False
  // with a one-line reason in *error; nothing is left under either name
  // then. `allFramesWritten` false (WriteFrame failed): the file is
  // incomplete whatever ffmpeg's exit status, and is removed.
  bool Finish(bool allFramesWritten, std::string* error);
  // Stops ffmpeg and removes what it wrote.
  void Abort();

 private:
  bool WaitForEncoder(std::string* error);
  void RemoveFiles();

  VideoSettings settings_;
  std::string partialPath_;
  std::string audioPath_;
  pid_t encoder_ = -1;
  int input_ = -1;          // the pipe to ffmpeg's stdin
  int encoderOutput_ = -1;  // ffmpeg's stderr, an unnamed temporary file
};
