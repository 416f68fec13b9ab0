// --render and --video: the show walked through a virtual clock, one tick
// per millisecond, one frame every 1/fps seconds.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/system/embedded_resources.h"
#include "shell/frame_file.h"
#include "shell/offline_show.h"
#include "shell/program.h"
#include "shell/section_table.h"

namespace {

constexpr int kFrameWidth = 800;
constexpr int kFrameHeight = 600;

// The progress bar on stderr, redrawn at most ten times a second.
class ProgressBar {
 public:
  explicit ProgressBar(int total) : total_(total > 0 ? total : 1) {}
  void Show(int done, bool force = false) {
    auto now = std::chrono::steady_clock::now();
    if (!force && now - lastDraw_ < std::chrono::milliseconds(100)) return;
    lastDraw_ = now;
    constexpr int kWidth = 40;
    const double fraction = done > total_ ? 1.0 : double(done) / total_;
    const int filled = static_cast<int>(fraction * kWidth);
    const double seconds = std::chrono::duration<double>(now - start_).count();
    std::fprintf(stderr, "\r[%.*s%.*s] %3d%%  %d/%d frames  %.1f fps ", filled,
                 "########################################", kWidth - filled,
                 "........................................",
                 static_cast<int>(fraction * 100), done, total_,
                 seconds > 0 ? done / seconds : 0.0);
    std::fflush(stderr);
  }
  void Finish(int done) {
    Show(done, true);
    std::fputc('\n', stderr);
  }

 private:
  int total_;
  std::chrono::steady_clock::time_point start_ =
      std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point lastDraw_{};
};

bool MakeDirectory(const std::string& dir) {
  if (mkdir(dir.c_str(), 0777) == 0 || errno == EEXIST) {
    struct stat info {};
    return stat(dir.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
  }
  return false;
}

bool ProgramOnPath(const char* name) {
  const char* path = std::getenv("PATH");
  if (!path) return false;
  std::string dirs = path;
  size_t begin = 0;
  while (begin <= dirs.size()) {
    size_t end = dirs.find(':', begin);
    if (end == std::string::npos) end = dirs.size();
    std::string candidate = dirs.substr(begin, end - begin);
    if (candidate.empty()) candidate = ".";
    candidate += "/";
    candidate += name;
    if (access(candidate.c_str(), X_OK) == 0) return true;
    begin = end + 1;
  }
  return false;
}

std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

// The soundtrack as a temporary file for ffmpeg; removed by the destructor.
class SoundtrackFile {
 public:
  bool Write() {
    ResourceData music;
    if (!FindEmbeddedResource(ResourceType::RcData, Demo::kMusicResource,
                              &music)) {
      return false;
    }
    char name[] = "/tmp/quorbel-soundtrack-XXXXXX";
    int fd = mkstemp(name);
    if (fd < 0) return false;
    path_ = name;
    size_t written = 0;
    while (written < music.size) {
      ssize_t n = write(fd, music.data + written, music.size - written);
      if (n <= 0) break;
      written += static_cast<size_t>(n);
    }
    close(fd);
    return written == music.size;
  }
  ~SoundtrackFile() {
    if (!path_.empty()) unlink(path_.c_str());
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace

int RunOffline(const Options& options) {
  const bool video = !options.videoFile.empty();
  if (video && !ProgramOnPath("ffmpeg")) {
    std::fprintf(stderr,
                 "quorbel: --video needs the ffmpeg program, which is not "
                 "installed (try --render DIR instead)\n");
    return 1;
  }
  if (!video && !MakeDirectory(options.renderDir)) {
    std::fprintf(stderr, "quorbel: cannot create the folder '%s'\n",
                 options.renderDir.c_str());
    return 1;
  }

  const uint32_t showEndMs = kSectionEndSeconds[kSectionCount - 1] * 1000;
  const uint32_t fromMs =
      static_cast<uint32_t>(std::lround(options.from * 1000));
  const uint32_t toMs =
      options.to ? static_cast<uint32_t>(std::lround(*options.to * 1000))
                 : showEndMs;
  const int fps = options.fps;
  const int expectedFrames =
      static_cast<int>((static_cast<uint64_t>(toMs - fromMs) * fps) / 1000) + 1;

  OfflineShow show;
  if (!show.Start()) return 1;
  Demo& demo = show.demo();

  SoundtrackFile soundtrack;
  FILE* encoder = nullptr;
  if (video) {
    if (!soundtrack.Write()) {
      std::fprintf(stderr, "quorbel: cannot write the soundtrack for ffmpeg\n");
      return 1;
    }
    char head[512];
    std::snprintf(head, sizeof head,
                  "ffmpeg -loglevel error -y -f rawvideo -pix_fmt bgra -s "
                  "%dx%d -framerate %d -i - -ss %.3f -i ",
                  kFrameWidth, kFrameHeight, fps, fromMs / 1000.0);
    std::string command = head + ShellQuote(soundtrack.path()) +
                          " -map 0:v -map 1:a -pix_fmt yuv420p -shortest " +
                          ShellQuote(options.videoFile);
    // A failing ffmpeg must end in a message, not in SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);
    encoder = popen(command.c_str(), "w");
    if (!encoder) {
      std::fprintf(stderr, "quorbel: cannot start ffmpeg\n");
      return 1;
    }
  }

  // The frame is read back after the flash and before Present.
  std::vector<uint32_t> pixels;
  bool captured = false;
  demo.SetFrameCapture([&](IDirect3DDevice9* device) {
    captured = SUCCEEDED(device->ReadBackBuffer(&pixels));
  });

  ProgressBar progress(expectedFrames);
  int frame = 0;
  bool failed = false;
  // Up to --from at full speed, section changes taken up as they come.
  if (fromMs > 0) show.ticks().RunTo(fromMs - 1, true);
  for (;; ++frame) {
    const uint32_t t = fromMs + static_cast<uint32_t>(
                                    static_cast<uint64_t>(frame) * 1000 / fps);
    if (t > toMs) break;
    show.ticks().RunTo(t, false);
    captured = false;
    demo.PaintFrame();
    if (demo.Finished())
      break;  // the paint after the last section draws nothing
    if (!captured || pixels.size() != size_t(kFrameWidth) * kFrameHeight) {
      std::fprintf(stderr, "\nquorbel: reading frame %d back failed\n", frame);
      failed = true;
      break;
    }
    if (video) {
      if (std::fwrite(pixels.data(), sizeof(uint32_t), pixels.size(),
                      encoder) != pixels.size()) {
        std::fprintf(stderr, "\nquorbel: ffmpeg stopped taking frames\n");
        failed = true;
        break;
      }
    } else if (!WriteFramePng(FramePath(options.renderDir, frame), pixels,
                              kFrameWidth, kFrameHeight)) {
      std::fprintf(stderr, "\nquorbel: writing %s failed\n",
                   FramePath(options.renderDir, frame).c_str());
      failed = true;
      break;
    }
    progress.Show(frame + 1);
  }
  progress.Finish(frame);
  if (encoder && pclose(encoder) != 0) {
    std::fprintf(stderr, "quorbel: ffmpeg failed\n");
    failed = true;
  }
  return failed ? 1 : 0;
}
