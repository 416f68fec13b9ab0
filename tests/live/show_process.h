// One run of the show as a child process: started in a process group of
// its own, its stderr read line by line (the QUORBEL_TRACE milestones and
// any sanitizer report), its end seen the moment it happens (a pidfd).
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

using Clock = std::chrono::steady_clock;

class ShowProcess {
 public:
  ShowProcess() = default;
  ~ShowProcess();
  ShowProcess(const ShowProcess&) = delete;
  ShowProcess& operator=(const ShowProcess&) = delete;

  // Starts `program` with `args`, QUORBEL_TRACE set and SIGINT and SIGTERM
  // at their defaults (a background shell would leave SIGINT ignored).
  bool Start(const std::string& program, const std::vector<std::string>& args);

  // Reads what stderr has until `until`, or until the process has ended,
  // or (when `line` is not empty) until a line equal to it has arrived.
  // Returns whether that line has been seen by then.
  bool WaitForLine(const std::string& line, Clock::time_point until);
  // Reads until the process ends or `until` passes; whether it ended.
  bool WaitForEnd(Clock::time_point until);

  bool Seen(const std::string& line) const;
  // When `line` first arrived (the epoch of the clock if it has not).
  Clock::time_point When(const std::string& line) const;
  int Count(const std::string& line) const;
  bool Ended() const { return ended_; }
  // When the end was seen.
  Clock::time_point EndTime() const { return endTime_; }
  // The exit code, or 128 + signal for a process ended by a signal.
  int ExitCode() const { return exitCode_; }
  const std::string& Stderr() const { return stderr_; }
  pid_t pid() const { return pid_; }

  // SIGKILL to the whole group, then waits; for runs that hang.
  void Kill();

 private:
  // One poll of stderr and the pidfd, at most until `until`.
  void Pump(Clock::time_point until);
  void Reap();

  pid_t pid_ = -1;
  int stderrFd_ = -1;
  int pidFd_ = -1;
  bool ended_ = false;
  Clock::time_point endTime_;
  int exitCode_ = -1;
  std::string stderr_;
  std::string partial_;
  std::vector<std::string> lines_;
  std::vector<Clock::time_point> lineTimes_;
};
