#include "child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace {

std::atomic<int> counter{0};

std::filesystem::path UniquePath(const std::string& stem) {
  return std::filesystem::temp_directory_path() /
         (stem + "-" + std::to_string(getpid()) + "-" +
          std::to_string(counter.fetch_add(1)));
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace

ChildProcess::ChildProcess(std::vector<std::string> argv,
                           std::vector<std::string> env, bool ownGroup) {
  outPath_ = UniquePath("quorbel-test-out");
  errPath_ = UniquePath("quorbel-test-err");
  // The environment: ours, with `env`'s names replaced.
  std::vector<std::string> environment;
  for (char** e = environ; *e; ++e) {
    const std::string entry = *e;
    const std::string name = entry.substr(0, entry.find('='));
    const bool replaced =
        std::any_of(env.begin(), env.end(), [&](const std::string& mine) {
          return mine.substr(0, mine.find('=')) == name;
        });
    if (!replaced) environment.push_back(entry);
  }
  environment.insert(environment.end(), env.begin(), env.end());
  std::vector<char*> envp, args;
  for (std::string& e : environment) envp.push_back(e.data());
  envp.push_back(nullptr);
  for (std::string& a : argv) args.push_back(a.data());
  args.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null",
                                   O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath_.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath_.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t all, none;
  sigfillset(&all);
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setsigmask(&attributes, &none);
  short flags = POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK;
  if (ownGroup) {
    posix_spawnattr_setpgroup(&attributes, 0);
    flags |= POSIX_SPAWN_SETPGROUP;
  }
  posix_spawnattr_setflags(&attributes, flags);
  if (posix_spawnp(&pid_, args[0], &actions, &attributes, args.data(),
                   envp.data()) != 0) {
    pid_ = -1;
  }
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  std::error_code ignored;
  std::filesystem::remove(outPath_, ignored);
  std::filesystem::remove(errPath_, ignored);
}

std::string ChildProcess::ErrSoFar() const { return ReadFile(errPath_); }

ChildResult ChildProcess::Wait(double timeoutSeconds) {
  ChildResult result;
  if (pid_ <= 0) return result;
  const auto deadline = std::chrono::steady_clock::now() +
                        std::chrono::duration<double>(timeoutSeconds);
  int status = 0;
  for (;;) {
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_) break;
    if (done < 0) return result;
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  pid_ = -1;
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  result.out = ReadFile(outPath_);
  result.err = ReadFile(errPath_);
  return result;
}

ChildResult RunChild(std::vector<std::string> argv,
                     std::vector<std::string> env, double timeoutSeconds) {
  ChildProcess child(std::move(argv), std::move(env));
  return child.Wait(timeoutSeconds);
}

std::vector<std::string> MessageLines(const std::string& err) {
  std::vector<std::string> lines;
  std::istringstream stream(err);
  std::string line;
  while (std::getline(stream, line)) {
    // The bar's redraws start with '\r'; what follows its last one on the
    // same line is not the bar's.
    if (line.find('\r') != std::string::npos) {
      const std::string tail = line.substr(line.rfind('\r') + 1);
      if (tail.rfind("[", 0) == 0 || tail.empty()) continue;
      line = tail;
    }
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

ScratchFolder::ScratchFolder(const std::string& name)
    : path_(UniquePath("quorbel-" + name)) {
  std::filesystem::remove_all(path_);
  std::filesystem::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> ScratchFolder::List() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path_)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}
