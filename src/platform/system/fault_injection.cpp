#include "platform/system/fault_injection.h"

#include <atomic>
#include <cstdlib>

namespace {

// Start-up runs on the window thread, but tests read the counters from
// theirs: atomics keep the bookkeeping exact.
std::atomic<int> armed{-1};  // -1: not yet read from the environment
std::atomic<int> passed{0};
std::atomic<const char*> failedSite{nullptr};

int Armed() {
  int n = armed.load();
  if (n < 0) {
    const char* text = std::getenv("QUORBEL_INJECT_FAILURE");
    n = text ? std::atoi(text) : 0;
    if (n < 0) n = 0;
    int expected = -1;
    if (!armed.compare_exchange_strong(expected, n)) n = expected;
  }
  return n;
}

}  // namespace

bool InjectedFailure(const char* site) {
  const int n = Armed();
  const int call = ++passed;
  if (n == 0 || call != n) return false;
  failedSite.store(site);
  return true;
}

void ArmInjectedFailure(int nth) {
  armed.store(nth < 0 ? 0 : nth);
  passed.store(0);
  failedSite.store(nullptr);
}

int InjectionPointsPassed() { return passed.load(); }

const char* InjectedFailureSite() { return failedSite.load(); }
