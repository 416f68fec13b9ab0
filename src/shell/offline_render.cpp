// --render and --video: the show walked through a virtual clock, one tick
// per millisecond, one frame every 1/fps seconds.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "shell/frame_file.h"
#include "shell/offline_show.h"
#include "shell/program.h"
#include "shell/section_table.h"
#include "shell/video_export.h"

namespace {

constexpr int kFrameWidth = 800;
constexpr int kFrameHeight = 600;
// The exit code after Ctrl-C (or another stop signal): 128 + SIGINT, as a
// shell reports a program that SIGINT ended.
constexpr int kInterruptedExit = 128 + SIGINT;

// The signal that asked the export to stop, 0 while none has.
volatile std::sig_atomic_t stopSignal = 0;
void OnStopSignal(int signal) { stopSignal = signal; }

// For the export's duration: Ctrl-C, SIGTERM and SIGHUP end the frame loop
// at the next frame instead of the process (so that partial files are
// removed), and a write to an ffmpeg that has gone away fails with EPIPE
// instead of killing the process.
class StopSignals {
 public:
  StopSignals() {
    stopSignal = 0;
    struct sigaction action {};
    action.sa_handler = &OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;  // writes and waits carry on
    for (size_t i = 0; i < kCount; ++i) {
      sigaction(kSignals[i], &action, &old_[i]);
    }
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &oldPipe_);
  }
  ~StopSignals() {
    for (size_t i = 0; i < kCount; ++i)
      sigaction(kSignals[i], &old_[i], nullptr);
    sigaction(SIGPIPE, &oldPipe_, nullptr);
  }
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

 private:
  static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
  static constexpr size_t kCount = sizeof kSignals / sizeof kSignals[0];
  struct sigaction old_[kCount] {};
  struct sigaction oldPipe_ {};
};

// The progress bar on stderr, with the rate so far and the time left at
// that rate: redrawn ten times a second on a terminal, every two seconds
// into a file or pipe (a log).
class ProgressBar {
 public:
  explicit ProgressBar(int total)
      : total_(total > 0 ? total : 1),
        interval_(isatty(STDERR_FILENO) ? 100 : 2000) {}
  void Show(int done, bool force = false) {
    auto now = std::chrono::steady_clock::now();
    if (!force && now - lastDraw_ < interval_) return;
    lastDraw_ = now;
    constexpr int kWidth = 40;
    const double fraction = done > total_ ? 1.0 : double(done) / total_;
    const int filled = static_cast<int>(fraction * kWidth);
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double rate = seconds > 0 ? done / seconds : 0.0;
    char left[32] = "--:--";
    if (rate > 0) {
      const long secondsLeft = std::lround(std::max(0, total_ - done) / rate);
      std::snprintf(left, sizeof left, "%ld:%02ld", secondsLeft / 60,
                    secondsLeft % 60);
    }
    std::fprintf(stderr, "\r[%.*s%.*s] %3d%%  %d/%d frames  %.1f fps  %s left ",
                 filled, "########################################",
                 kWidth - filled, "........................................",
                 static_cast<int>(fraction * 100), done, total_, rate, left);
    std::fflush(stderr);
    shown_ = done;
  }
  // Ends the bar's line, drawn once more if it does not show `done` yet.
  void Finish(int done) {
    if (done != shown_) Show(done, true);
    std::fputc('\n', stderr);
  }

 private:
  int total_;
  int shown_ = -1;  // the count the bar shows
  std::chrono::milliseconds interval_;
  std::chrono::steady_clock::time_point start_ =
      std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point lastDraw_{};
};

// Writes the frames of --render on a thread of its own, in order, while the
// window thread draws the next ones: encoding a PNG costs a good part of
// what drawing the frame does. At most kQueued frames wait; Submit blocks
// beyond that. After a failed write no later frame is written, and the
// failure is reported by failed() (and Finish) as the one-line reason.
class FrameWriter {
 public:
  FrameWriter(std::string dir, int width, int height)
      : dir_(std::move(dir)), width_(width), height_(height) {
    thread_ = std::thread([this] { Run(); });
  }
  ~FrameWriter() { Finish(); }
  FrameWriter(const FrameWriter&) = delete;
  FrameWriter& operator=(const FrameWriter&) = delete;

  // Takes the pixels (and hands back a buffer to draw the next frame into).
  void Submit(int index, std::vector<uint32_t>* pixels) {
    std::unique_lock<std::mutex> lock(mutex_);
    spaceFree_.wait(lock, [&] { return queue_.size() < kQueued; });
    queue_.push_back({index, std::move(*pixels)});
    if (!spare_.empty()) {
      *pixels = std::move(spare_.back());
      spare_.pop_back();
    } else {
      pixels->clear();
    }
    workReady_.notify_one();
  }
  // The reason the first failed frame gave; empty while all went well.
  std::string failed() {
    std::lock_guard<std::mutex> lock(mutex_);
    return error_;
  }
  // Writes what is queued and stops the thread. Returns the frames written.
  int Finish() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      closing_ = true;
      workReady_.notify_one();
    }
    if (thread_.joinable()) thread_.join();
    return written_;
  }

 private:
  static constexpr size_t kQueued = 3;
  struct Job {
    int index;
    std::vector<uint32_t> pixels;
  };

  void Run() {
    for (;;) {
      Job job;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        workReady_.wait(lock, [&] { return !queue_.empty() || closing_; });
        if (queue_.empty()) return;
        job = std::move(queue_.front());
        queue_.pop_front();
        spaceFree_.notify_one();
        if (!error_.empty()) continue;  // nothing after a failure
      }
      const std::string path = FramePath(dir_, job.index);
      std::string reason;
      const bool ok = WriteFramePng(path, job.pixels, width_, height_, &reason);
      std::lock_guard<std::mutex> lock(mutex_);
      if (ok) {
        ++written_;
      } else if (error_.empty()) {
        error_ = "cannot write '" + path + "': " + reason;
      }
      spare_.push_back(std::move(job.pixels));
    }
  }

  const std::string dir_;
  const int width_, height_;
  std::mutex mutex_;
  std::condition_variable workReady_, spaceFree_;
  std::deque<Job> queue_;
  std::vector<std::vector<uint32_t>> spare_;
  std::string error_;
  int written_ = 0;
  bool closing_ = false;
  std::thread thread_;
};

// Creates the folder (and those above it) and checks that a file can be
// made in it; false with the one-line reason.
bool PrepareFolder(const std::string& dir, std::string* error) {
  std::error_code code;
  std::filesystem::create_directories(dir, code);
  if (code || !std::filesystem::is_directory(dir, code)) {
    *error = "cannot create the folder '" + dir +
             "': " + (code ? code.message() : "not a folder");
    return false;
  }
  std::string probe = dir + "/.quorbel-probe-XXXXXX";
  const int fd = mkstemp(probe.data());
  if (fd < 0) {
    *error =
        "cannot write into the folder '" + dir + "': " + std::strerror(errno);
    return false;
  }
  close(fd);
  unlink(probe.c_str());
  return true;
}

}  // namespace

int RunOffline(const Options& options) {
  const bool video = !options.videoFile.empty();
  const uint32_t showEndMs = kSectionEndSeconds[kSectionCount - 1] * 1000;
  // The show's last picture is the one before its end: the paint at the end
  // itself finds no section left to draw. (--from is before the end, but
  // may round up to it.)
  const uint32_t lastMs = std::min(
      options.to ? static_cast<uint32_t>(std::lround(*options.to * 1000))
                 : showEndMs,
      showEndMs - 1);
  const uint32_t fromMs =
      std::min(static_cast<uint32_t>(std::lround(options.from * 1000)), lastMs);
  const int fps = options.fps;
  // Frame k at fromMs + floor(k * 1000 / fps) ms, every one up to lastMs.
  const int frameCount =
      static_cast<int>((static_cast<uint64_t>(lastMs - fromMs) * fps) / 1000) +
      1;

  // What can fail early, before start-up's seconds are spent.
  std::string error;
  std::string ffmpeg;
  if (video) {
    ffmpeg = FindFfmpeg();
    if (ffmpeg.empty()) {
      std::fprintf(stderr,
                   "quorbel: --video needs the ffmpeg program, which is not "
                   "installed (try --render DIR instead)\n");
      return 1;
    }
    if (!VideoExport::CheckWritable(options.videoFile, &error)) {
      std::fprintf(stderr, "quorbel: %s\n", error.c_str());
      return 1;
    }
  } else if (!PrepareFolder(options.renderDir, &error)) {
    std::fprintf(stderr, "quorbel: %s\n", error.c_str());
    return 1;
  }

  StopSignals signals;
  OfflineShow show;
  if (!show.Start()) return 1;
  Demo& demo = show.demo();
  // Nobody sees the hidden window: the frames are read back before Present,
  // which then need not copy them into it.
  demo.device->SetPresentCopy(FALSE);

  VideoExport encoder;
  if (video) {
    VideoSettings settings;
    settings.path = options.videoFile;
    settings.format = VideoFormatFor(options.videoFile);
    settings.width = kFrameWidth;
    settings.height = kFrameHeight;
    settings.fps = fps;
    settings.fromMs = fromMs;
    settings.frameCount = frameCount;
    if (!encoder.Start(ffmpeg, settings, &error)) {
      std::fprintf(stderr, "quorbel: %s\n", error.c_str());
      return 1;
    }
  }

  // The frame is read back after the flash and before Present.
  std::vector<uint32_t> pixels;
  bool captured = false;
  demo.SetFrameCapture([&](IDirect3DDevice9* device) {
    captured = SUCCEEDED(device->ReadBackBuffer(&pixels));
  });

  std::unique_ptr<FrameWriter> writer;
  if (!video) {
    writer = std::make_unique<FrameWriter>(options.renderDir, kFrameWidth,
                                           kFrameHeight);
  }

  // Up to --from at full speed, section changes taken up as they come.
  if (fromMs > 0) show.ticks().RunTo(fromMs - 1, true);
  ProgressBar progress(frameCount);
  int frame = 0;
  error.clear();
  bool encoderGone = false;
  for (; frame < frameCount && !stopSignal; ++frame) {
    const uint32_t t = fromMs + static_cast<uint32_t>(
                                    static_cast<uint64_t>(frame) * 1000 / fps);
    show.ticks().RunTo(t, false);
    captured = false;
    demo.PaintFrame();
    if (demo.Finished()) {
      error = "the show ended before frame " + std::to_string(frame);
      break;
    }
    if (!captured || pixels.size() != size_t(kFrameWidth) * kFrameHeight) {
      error = "reading frame " + std::to_string(frame) + " back failed";
      break;
    }
    if (video) {
      if (!encoder.WriteFrame(pixels)) {
        encoderGone = true;  // Finish says why
        break;
      }
    } else {
      error = writer->failed();
      if (!error.empty()) break;
      writer->Submit(frame, &pixels);
    }
    progress.Show(frame + 1);
  }
  if (writer) {
    // The frames still queued are written (whole) before anything is said.
    const int written = writer->Finish();
    if (error.empty()) error = writer->failed();
    if (!error.empty() || stopSignal) frame = written;
  }
  progress.Finish(frame);

  if (stopSignal) {
    encoder.Abort();
    if (video) {
      std::fprintf(stderr, "quorbel: stopped by %s; '%s' not written\n",
                   strsignal(stopSignal), options.videoFile.c_str());
    } else {
      std::fprintf(stderr, "quorbel: stopped by %s after %d frames\n",
                   strsignal(stopSignal), frame);
    }
    return kInterruptedExit;
  }
  if (!error.empty()) {
    encoder.Abort();
    std::fprintf(stderr, "quorbel: %s\n", error.c_str());
    return 1;
  }
  if (video && !encoder.Finish(!encoderGone, &error)) {
    std::fprintf(stderr, "quorbel: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
