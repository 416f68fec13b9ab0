#include "platform/system/stop_signals.h"

#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <mutex>
#include <new>

namespace {

// Shared between this process and the children it forks (one anonymous
// shared page), so that the handler and a child just forked see each
// other's writes: the handler sets `stop` and then reads `child`; a new
// child writes `child` and then reads `stop`. Whichever comes second sees
// the other, so a dialog child is never left running after a stop.
struct SharedState {
  std::atomic<bool> stop{false};
  std::atomic<bool> tracking{false};  // a DialogChildScope exists
  std::atomic<pid_t> child{0};        // the dialog child, 0 if none
};
static_assert(std::atomic<bool>::is_always_lock_free &&
                  std::atomic<pid_t>::is_always_lock_free,
              "the signal handler and the forked child need lock-free "
              "atomics");

SharedState* shared = nullptr;
pid_t installer = 0;

void OnStopSignal(int) {
  const int savedErrno = errno;
  shared->stop.store(true);
  const pid_t child = shared->child.load();
  if (child > 0) kill(child, SIGTERM);
  errno = savedErrno;
}

// Runs in every child right after fork (only async-signal-safe calls).
void InForkedChild() {
  if (!shared->tracking.load()) return;
  struct sigaction defaults {};
  defaults.sa_handler = SIG_DFL;
  sigemptyset(&defaults.sa_mask);
  sigaction(SIGINT, &defaults, nullptr);
  sigaction(SIGTERM, &defaults, nullptr);
  // A dialog left behind by a parent that is gone would wait forever.
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  shared->child.store(getpid());
  if (shared->stop.load() || getppid() != installer) _exit(1);
}

void Install() {
  void* page = mmap(nullptr, sizeof(SharedState), PROT_READ | PROT_WRITE,
                    MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (page == MAP_FAILED) return;
  shared = new (page) SharedState;
  installer = getpid();
  pthread_atfork(nullptr, nullptr, &InForkedChild);
  for (int signal : {SIGINT, SIGTERM}) {
    struct sigaction current {};
    sigaction(signal, nullptr, &current);
    if (current.sa_handler == SIG_IGN) continue;
    // No SA_RESTART: a blocking call returns (EINTR) and its caller looks
    // again. ThreadSanitizer runs a handler only on the way into or out of
    // a call it intercepts, so without this a stop would wait for SDL's
    // dialog to be answered (SDL waits for the dialog's process in
    // waitpid, which it repeats on EINTR).
    struct sigaction action {};
    action.sa_handler = &OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(signal, &action, nullptr);
  }
}

}  // namespace

void InstallStopSignals() {
  static std::once_flag once;
  std::call_once(once, Install);
}

bool StopRequested() { return shared && shared->stop.load(); }

DialogChildScope::DialogChildScope() {
  if (!shared) return;
  shared->child.store(0);
  shared->tracking.store(true);
}

DialogChildScope::~DialogChildScope() {
  if (!shared) return;
  // The child has been waited for by now; its pid may be reused.
  shared->tracking.store(false);
  shared->child.store(0);
}
