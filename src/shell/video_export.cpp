#include "shell/video_export.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "platform/system/embedded_resources.h"
#include "platform/system/mp3_stream.h"
#include "shell/demo.h"
#include "shell/frame_file.h"

extern char** environ;

namespace {

std::string TempFolder() {
  const char* dir = std::getenv("TMPDIR");
  return dir && *dir ? dir : "/tmp";
}

// A new temporary file, already unlinked when `keepName` is false; -1 on
// failure (errno set). The descriptor is closed on exec.
int MakeTempFile(const std::string& stem, bool keepName, std::string* path) {
  std::string name = TempFolder() + "/" + stem + "-XXXXXX";
  int fd = mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) return -1;
  if (keepName) {
    *path = name;
  } else {
    unlink(name.c_str());
  }
  return fd;
}

bool WriteAll(int fd, const void* data, size_t size) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  while (size > 0) {
    ssize_t n = write(fd, bytes, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

std::string ReadAll(int fd) {
  std::string text;
  if (lseek(fd, 0, SEEK_SET) != 0) return text;
  char buffer[4096];
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    text.append(buffer, static_cast<size_t>(n));
  }
  return text;
}

// The last line with something on it, without its line end.
std::string LastLine(const std::string& text) {
  size_t end = text.size();
  while (end > 0) {
    while (end > 0 && (text[end - 1] == '\n' || text[end - 1] == '\r' ||
                       text[end - 1] == ' ')) {
      --end;
    }
    size_t begin = text.find_last_of("\r\n", end == 0 ? 0 : end - 1);
    begin = begin == std::string::npos ? 0 : begin + 1;
    if (end > begin) return text.substr(begin, end - begin);
    end = begin;
  }
  return "";
}

// Runs `program` with `args`, its stdout and stderr into one unnamed
// temporary file, its stdin from `input` (or /dev/null when -1), in a
// process group of its own, with default signal handling. Returns the
// child's id, or -1 with errno set.
pid_t Spawn(const std::string& program, const std::vector<std::string>& args,
            int input, int output) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& arg : args) {
    argv.push_back(const_cast<char*>(arg.c_str()));
  }
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (input >= 0) {
    posix_spawn_file_actions_adddup2(&actions, input, STDIN_FILENO);
  } else {
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null",
                                     O_RDONLY, 0);
  }
  posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, output, STDERR_FILENO);

  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults, none;
  sigemptyset(&defaults);
  for (int signal : {SIGPIPE, SIGINT, SIGTERM, SIGHUP}) {
    sigaddset(&defaults, signal);
  }
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF |
                                            POSIX_SPAWN_SETSIGMASK |
                                            POSIX_SPAWN_SETPGROUP);
  pid_t pid = -1;
  const int result = posix_spawn(&pid, program.c_str(), &actions, &attributes,
                                 argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (result != 0) {
    errno = result;
    return -1;
  }
  return pid;
}

int WaitFor(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return status;
}

bool FfmpegHasLibx264(const std::string& ffmpeg) {
  std::string unused;
  int output = MakeTempFile("quorbel-ffmpeg", false, &unused);
  if (output < 0) return false;
  pid_t pid = Spawn(ffmpeg, {"-hide_banner", "-encoders"}, -1, output);
  bool found = false;
  if (pid > 0) {
    const int status = WaitFor(pid);
    found = WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
            ReadAll(output).find(" libx264 ") != std::string::npos;
  }
  close(output);
  return found;
}

// The soundtrack from `fromMs` on, `frames` stereo frames of 16-bit PCM
// (silence past its end), into `fd`.
bool WriteSoundtrack(int fd, uint32_t fromMs, int64_t frames,
                     std::string* error) {
  ResourceData music;
  Mp3Stream stream;
  if (!FindEmbeddedResource(ResourceType::RcData, Demo::kMusicResource,
                            &music) ||
      !stream.Open(music.data, music.size)) {
    *error = "cannot decode the soundtrack";
    return false;
  }
  bool ended = !stream.SeekMs(fromMs);
  constexpr size_t kChunkFrames = 4096;
  std::vector<int16_t> chunk(kChunkFrames * Mp3Stream::kChannels);
  while (frames > 0) {
    const size_t wanted =
        static_cast<size_t>(std::min<int64_t>(frames, kChunkFrames));
    size_t got = ended ? 0 : stream.Read(chunk.data(), wanted);
    if (got < wanted) {
      ended = true;
      std::fill(chunk.begin() + got * Mp3Stream::kChannels,
                chunk.begin() + wanted * Mp3Stream::kChannels, int16_t{0});
    }
    if (!WriteAll(fd, chunk.data(),
                  wanted * Mp3Stream::kChannels * sizeof(int16_t))) {
      *error = std::strerror(errno);
      return false;
    }
    frames -= static_cast<int64_t>(wanted);
  }
  return true;
}

}  // namespace

std::string FindFfmpeg() {
  const char* path = std::getenv("PATH");
  if (!path) return "";
  const std::string dirs = path;
  size_t begin = 0;
  while (begin <= dirs.size()) {
    size_t end = dirs.find(':', begin);
    if (end == std::string::npos) end = dirs.size();
    // An empty entry is the current folder.
    const std::string candidate =
        (end > begin ? dirs.substr(begin, end - begin) : std::string(".")) +
        "/ffmpeg";
    struct stat info {};
    if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        access(candidate.c_str(), X_OK) == 0) {
      return candidate;
    }
    begin = end + 1;
  }
  return "";
}

std::vector<std::string> CodecArguments(const std::string& format,
                                        bool haveLibx264) {
  std::vector<std::string> args;
  if (format == "mp4" || format == "mov" || format == "matroska") {
    if (haveLibx264) {
      // Visually lossless for the show's grain and static at 800 × 600.
      args = {"-c:v", "libx264", "-preset", "medium", "-crf", "18"};
    }
    args.insert(args.end(), {"-c:a", "aac", "-b:a", "192k"});
    if (format != "matroska") {
      // The index in front, so that players can start before the end.
      args.insert(args.end(), {"-movflags", "+faststart"});
    }
  }
  return args;
}

VideoExport::~VideoExport() { Abort(); }

bool VideoExport::CheckWritable(const std::string& path, std::string* error) {
  const std::string partial = PartialPath(path);
  const int fd =
      open(partial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0 && errno != EEXIST) {
    *error = "cannot write the video '" + path + "': " + std::strerror(errno);
    return false;
  }
  if (fd >= 0) {
    close(fd);
    unlink(partial.c_str());
  }
  return true;
}

bool VideoExport::Start(const std::string& ffmpeg,
                        const VideoSettings& settings, std::string* error) {
  settings_ = settings;
  partialPath_ = PartialPath(settings.path);
  // Whether the file can be written at all, before any work is done.
  int probe = open(partialPath_.c_str(),
                   O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (probe < 0) {
    *error = "cannot write the video '" + settings.path +
             "': " + std::strerror(errno);
    return false;
  }
  close(probe);

  int audio = MakeTempFile("quorbel-audio", true, &audioPath_);
  if (audio < 0) {
    *error = "cannot make a temporary file in " + TempFolder() + ": " +
             std::strerror(errno);
    RemoveFiles();
    return false;
  }
  // As long as the picture: frameCount / fps seconds, to the nearest
  // sample.
  const int64_t audioFrames =
      (static_cast<int64_t>(settings.frameCount) * Mp3Stream::kRate +
       settings.fps / 2) /
      settings.fps;
  std::string reason;
  const bool written =
      WriteSoundtrack(audio, settings.fromMs, audioFrames, &reason);
  if (close(audio) != 0 && written) reason = std::strerror(errno);
  if (!written || !reason.empty()) {
    *error = "cannot write the soundtrack for ffmpeg to '" + audioPath_ +
             "': " + reason;
    RemoveFiles();
    return false;
  }

  std::string unused;
  encoderOutput_ = MakeTempFile("quorbel-ffmpeg", false, &unused);
  int pipeFds[2];
  if (encoderOutput_ < 0 || pipe2(pipeFds, O_CLOEXEC) != 0) {
    *error = std::string("cannot start ffmpeg: ") + std::strerror(errno);
    RemoveFiles();
    return false;
  }
  const std::string size =
      std::to_string(settings.width) + "x" + std::to_string(settings.height);
  std::vector<std::string> args = {
      "-hide_banner", "-nostats", "-loglevel", "error", "-y",
      // The frames: the back buffer's 0xAARRGGBB words, B G R A in memory.
      "-f", "rawvideo", "-pix_fmt", "bgra", "-video_size", size, "-framerate",
      std::to_string(settings.fps), "-i", "pipe:0",
      // The soundtrack's part, as the live show decodes it.
      "-f", "s16le", "-ar", std::to_string(Mp3Stream::kRate), "-ac",
      std::to_string(Mp3Stream::kChannels), "-i", audioPath_, "-map", "0:v:0",
      "-map", "1:a:0"};
  for (const std::string& arg :
       CodecArguments(settings.format, FfmpegHasLibx264(ffmpeg))) {
    args.push_back(arg);
  }
  // 4:2:0, which every player takes.
  args.insert(args.end(),
              {"-pix_fmt", "yuv420p", "-f", settings.format, partialPath_});
  encoder_ = Spawn(ffmpeg, args, pipeFds[0], encoderOutput_);
  const int spawnError = errno;
  close(pipeFds[0]);
  input_ = pipeFds[1];
  if (encoder_ < 0) {
    *error = "cannot start " + ffmpeg + ": " + std::strerror(spawnError);
    RemoveFiles();
    return false;
  }
  return true;
}

bool VideoExport::WriteFrame(const std::vector<uint32_t>& pixels) {
  if (input_ < 0) return false;
  return WriteAll(input_, pixels.data(), pixels.size() * sizeof(uint32_t));
}

bool VideoExport::WaitForEncoder(std::string* error) {
  const int status = WaitFor(encoder_);
  encoder_ = -1;
  if (status >= 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0) {
    return true;
  }
  const std::string said = LastLine(ReadAll(encoderOutput_));
  if (status >= 0 && WIFSIGNALED(status)) {
    *error = "ffmpeg was killed by signal " + std::to_string(WTERMSIG(status)) +
             " (" + strsignal(WTERMSIG(status)) + ")";
  } else if (status >= 0 && WIFEXITED(status)) {
    *error =
        "ffmpeg failed (exit code " + std::to_string(WEXITSTATUS(status)) + ")";
  } else {
    *error = "ffmpeg could not be waited for";
  }
  if (!said.empty()) *error += ": " + said;
  return false;
}

bool VideoExport::Finish(bool allFramesWritten, std::string* error) {
  if (encoder_ < 0) {
    *error = "ffmpeg is not running";
    RemoveFiles();
    return false;
  }
  close(input_);
  input_ = -1;
  bool ok = WaitForEncoder(error);
  if (ok && !allFramesWritten) {
    *error = "ffmpeg stopped taking frames";
    ok = false;
  }
  struct stat info {};
  if (ok && (stat(partialPath_.c_str(), &info) != 0 || info.st_size == 0)) {
    *error = "ffmpeg wrote nothing";
    ok = false;
  }
  if (ok && std::rename(partialPath_.c_str(), settings_.path.c_str()) != 0) {
    *error = "cannot rename '" + partialPath_ + "' to '" + settings_.path +
             "': " + std::strerror(errno);
    ok = false;
  }
  if (ok) partialPath_.clear();
  RemoveFiles();
  return ok;
}

void VideoExport::Abort() {
  if (input_ >= 0) {
    close(input_);
    input_ = -1;
  }
  if (encoder_ > 0) {
    kill(encoder_, SIGKILL);
    WaitFor(encoder_);
    encoder_ = -1;
  }
  RemoveFiles();
}

void VideoExport::RemoveFiles() {
  if (!partialPath_.empty()) {
    unlink(partialPath_.c_str());
    partialPath_.clear();
  }
  if (!audioPath_.empty()) {
    unlink(audioPath_.c_str());
    audioPath_.clear();
  }
  if (encoderOutput_ >= 0) {
    close(encoderOutput_);
    encoderOutput_ = -1;
  }
}
