#include "platform/system/fault_injection.h"

#include <atomic>
#include <cstdlib>
#include <mutex>

namespace {

// Start-up runs on the window thread, but tests read the counters from
// theirs: atomics keep the bookkeeping exact.
std::atomic<int> armed{-1};  // -1: not yet read from the environment
std::atomic<int> passed{0};
std::mutex siteMutex;
std::string failedSite;
thread_local const char* currentStep = nullptr;

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
  std::lock_guard<std::mutex> lock(siteMutex);
  failedSite = currentStep ? std::string(currentStep) + "/" + site : site;
  return true;
}

void ArmInjectedFailure(int nth) {
  armed.store(nth < 0 ? 0 : nth);
  passed.store(0);
  std::lock_guard<std::mutex> lock(siteMutex);
  failedSite.clear();
}

int InjectionPointsPassed() { return passed.load(); }

std::string InjectedFailureSite() {
  std::lock_guard<std::mutex> lock(siteMutex);
  return failedSite;
}

InjectionScope::InjectionScope(const char* step) : outer_(currentStep) {
  currentStep = step;
}

InjectionScope::~InjectionScope() { currentStep = outer_; }
