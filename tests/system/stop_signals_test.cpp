// SIGINT and SIGTERM as stop requests, and the dialog child they end.
// Every case runs in a child process of its own (EXPECT_EXIT): the handlers
// are installed once per process and the request stays set.
#include "platform/system/stop_signals.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

// Exit codes of the cases' child processes: 0 when everything held.
enum Outcome {
  kHeld = 0,
  kNoRequestWhenExpected = 1,
  kRequestTooEarly = 2,
  kChildNotEnded = 3,
  kChildEndedWrongly = 4,
  kForkFailed = 5,
};

// Waits up to `seconds` for `pid` to end; its wait status, or -1.
int WaitFor(pid_t pid, int seconds) {
  const auto until =
      std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < until) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) return status;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return -1;
}

void RestoreDefault(int signal) {
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigaction(signal, &action, nullptr);
}

[[noreturn]] void ExpectStopOn(int signal) {
  RestoreDefault(signal);
  InstallStopSignals();
  if (StopRequested()) std::_Exit(kRequestTooEarly);
  raise(signal);  // would end the process with the default action
  std::_Exit(StopRequested() ? kHeld : kNoRequestWhenExpected);
}

TEST(StopSignalsDeathTest, SigtermIsARequestNotAnEnd) {
  EXPECT_EXIT(ExpectStopOn(SIGTERM), ::testing::ExitedWithCode(kHeld), "");
}

TEST(StopSignalsDeathTest, SigintIsARequestNotAnEnd) {
  EXPECT_EXIT(ExpectStopOn(SIGINT), ::testing::ExitedWithCode(kHeld), "");
}

// A background job starts with SIGINT ignored; it must stay so.
[[noreturn]] void IgnoredSignalCase() {
  signal(SIGINT, SIG_IGN);
  InstallStopSignals();
  raise(SIGINT);
  std::_Exit(StopRequested() ? kRequestTooEarly : kHeld);
}

TEST(StopSignalsDeathTest, AnIgnoredSignalStaysIgnored) {
  EXPECT_EXIT(IgnoredSignalCase(), ::testing::ExitedWithCode(kHeld), "");
}

// The dialog child (here: a process that would wait forever, as SDL's box
// does for an answer) ends when the stop arrives, and its parent's wait
// returns.
[[noreturn]] void DialogChildCase() {
  RestoreDefault(SIGTERM);
  InstallStopSignals();
  DialogChildScope dialog;
  const pid_t child = fork();
  if (child < 0) std::_Exit(kForkFailed);
  if (child == 0) {
    for (;;) pause();
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  raise(SIGTERM);
  const int status = WaitFor(child, 5);
  if (status == -1) std::_Exit(kChildNotEnded);
  if (!WIFSIGNALED(status) || WTERMSIG(status) != SIGTERM)
    std::_Exit(kChildEndedWrongly);
  std::_Exit(StopRequested() ? kHeld : kNoRequestWhenExpected);
}

TEST(StopSignalsDeathTest, AStopEndsTheDialogChild) {
  EXPECT_EXIT(DialogChildCase(), ::testing::ExitedWithCode(kHeld), "");
}

// After a stop no dialog starts: a child forked later ends at once.
[[noreturn]] void LateDialogCase() {
  RestoreDefault(SIGINT);
  InstallStopSignals();
  raise(SIGINT);
  DialogChildScope dialog;
  const pid_t child = fork();
  if (child < 0) std::_Exit(kForkFailed);
  if (child == 0) {
    for (;;) pause();
  }
  const int status = WaitFor(child, 5);
  if (status == -1) std::_Exit(kChildNotEnded);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 1)
    std::_Exit(kChildEndedWrongly);
  std::_Exit(kHeld);
}

TEST(StopSignalsDeathTest, NoDialogStartsAfterAStop) {
  EXPECT_EXIT(LateDialogCase(), ::testing::ExitedWithCode(kHeld), "");
}

// Outside a dialog scope children are left alone: a stop does not end
// them.
[[noreturn]] void OtherChildCase() {
  RestoreDefault(SIGTERM);
  InstallStopSignals();
  const pid_t child = fork();
  if (child < 0) std::_Exit(kForkFailed);
  if (child == 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    std::_Exit(7);
  }
  raise(SIGTERM);
  const int status = WaitFor(child, 5);
  if (status == -1) std::_Exit(kChildNotEnded);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 7)
    std::_Exit(kChildEndedWrongly);
  std::_Exit(kHeld);
}

TEST(StopSignalsDeathTest, ChildrenOutsideADialogAreLeftAlone) {
  EXPECT_EXIT(OtherChildCase(), ::testing::ExitedWithCode(kHeld), "");
}

}  // namespace
