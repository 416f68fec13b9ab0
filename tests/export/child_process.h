// Running the real quorbel executable (and ffmpeg, ffprobe, sh) from the
// tests: arguments, extra environment, stdout and stderr into files.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

struct ChildResult {
  int exitCode = -1;  // -1 when a signal ended it
  int signal = 0;     // the signal that ended it, 0 when it exited
  std::string out;    // stdout
  std::string err;    // stderr
};

class ChildProcess {
 public:
  // `env` entries "NAME=value" replace or add to this process's
  // environment. With ownGroup the child leads a new process group, as a
  // shell's foreground job does, so that a terminal's Ctrl-C can be
  // imitated by signalling the group.
  ChildProcess(std::vector<std::string> argv, std::vector<std::string> env = {},
               bool ownGroup = false);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool started() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }
  // What the child has written to stderr so far.
  std::string ErrSoFar() const;
  // Waits (up to `timeoutSeconds`, then kills it) and collects the output.
  ChildResult Wait(double timeoutSeconds = 300);

 private:
  pid_t pid_ = -1;
  std::filesystem::path outPath_, errPath_;
};

// Runs a program to its end.
ChildResult RunChild(std::vector<std::string> argv,
                     std::vector<std::string> env = {},
                     double timeoutSeconds = 300);

// The stderr lines that are not the progress bar's (which redraws itself
// with carriage returns on one line).
std::vector<std::string> MessageLines(const std::string& err);

// A fresh, empty folder under the system's temporary folder, removed with
// its contents by the destructor.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& name);
  ~ScratchFolder();
  const std::filesystem::path& path() const { return path_; }
  // The names in the folder, sorted.
  std::vector<std::string> List() const;

 private:
  std::filesystem::path path_;
};
