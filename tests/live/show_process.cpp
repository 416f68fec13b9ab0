#include "show_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

extern char** environ;

ShowProcess::~ShowProcess() {
  if (pid_ > 0 && !ended_) Kill();
  if (stderrFd_ >= 0) close(stderrFd_);
  if (pidFd_ >= 0) close(pidFd_);
}

bool ShowProcess::Start(const std::string& program,
                        const std::vector<std::string>& args) {
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) return false;

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null",
                                   O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);

  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGTERM);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setsigmask(&attributes, &none);
  // A group of its own: SIGINT goes to the group, as Ctrl-C in a terminal
  // does, and reaches a dialog the show has forked too.
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF |
                                            POSIX_SPAWN_SETSIGMASK |
                                            POSIX_SPAWN_SETPGROUP);

  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    if (std::strncmp(*e, "QUORBEL_TRACE=", 14) != 0) env.emplace_back(*e);
  }
  env.emplace_back("QUORBEL_TRACE=1");
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::vector<std::string> argStore = {program};
  argStore.insert(argStore.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : argStore) argv.push_back(a.data());
  argv.push_back(nullptr);

  const int result = posix_spawn(&pid_, program.c_str(), &actions, &attributes,
                                 argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  close(pipeFds[1]);
  if (result != 0) {
    close(pipeFds[0]);
    pid_ = -1;
    return false;
  }
  stderrFd_ = pipeFds[0];
  fcntl(stderrFd_, F_SETFL, O_NONBLOCK);
  pidFd_ = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
  return pidFd_ >= 0;
}

void ShowProcess::Pump(Clock::time_point until) {
  if (ended_) return;
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      until - Clock::now());
  const int timeout = static_cast<int>(std::max<int64_t>(0, left.count()));
  pollfd fds[2] = {{pidFd_, POLLIN, 0}, {stderrFd_, POLLIN, 0}};
  const int nfds = stderrFd_ >= 0 ? 2 : 1;
  if (poll(fds, nfds, timeout) <= 0) return;
  if (fds[0].revents & POLLIN) {
    endTime_ = Clock::now();
    ended_ = true;
  }
  // Read what there is; after the end, read to the end of the pipe.
  char buffer[4096];
  while (stderrFd_ >= 0) {
    const ssize_t n = read(stderrFd_, buffer, sizeof buffer);
    if (n == 0) {  // every writer has closed it
      close(stderrFd_);
      stderrFd_ = -1;
    }
    if (n <= 0) break;
    stderr_.append(buffer, static_cast<size_t>(n));
    partial_.append(buffer, static_cast<size_t>(n));
    size_t newline;
    while ((newline = partial_.find('\n')) != std::string::npos) {
      lines_.push_back(partial_.substr(0, newline));
      lineTimes_.push_back(Clock::now());
      partial_.erase(0, newline + 1);
    }
  }
  if (ended_) Reap();
}

void ShowProcess::Reap() {
  // The pipe may still be open in a child that outlives the show (a dialog
  // process); what the show itself wrote is read by now.
  int status = 0;
  if (waitpid(pid_, &status, 0) != pid_) return;
  if (WIFEXITED(status)) {
    exitCode_ = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    exitCode_ = 128 + WTERMSIG(status);
  }
}

bool ShowProcess::WaitForLine(const std::string& line,
                              Clock::time_point until) {
  while (!ended_ && Clock::now() < until) {
    if (!line.empty() && Seen(line)) return true;
    Pump(until);
  }
  return !line.empty() && Seen(line);
}

bool ShowProcess::WaitForEnd(Clock::time_point until) {
  while (!ended_ && Clock::now() < until) Pump(until);
  return ended_;
}

bool ShowProcess::Seen(const std::string& line) const {
  return Count(line) > 0;
}

Clock::time_point ShowProcess::When(const std::string& line) const {
  auto found = std::find(lines_.begin(), lines_.end(), line);
  if (found == lines_.end()) return Clock::time_point();
  return lineTimes_[static_cast<size_t>(found - lines_.begin())];
}

int ShowProcess::Count(const std::string& line) const {
  return static_cast<int>(std::count(lines_.begin(), lines_.end(), line));
}

void ShowProcess::Kill() {
  if (pid_ <= 0 || ended_) return;
  kill(-pid_, SIGKILL);
  endTime_ = Clock::now();
  ended_ = true;
  Reap();
}
