#include "toolkit/expect_ok.h"

#include <cstdio>
#include <cstdlib>

bool ExpectOk(HRESULT hr, const char* call, const char* file, int line,
              std::atomic<bool>& reported) {
  if (SUCCEEDED(hr)) return true;
  if (!reported.exchange(true)) {
    std::fprintf(stderr, "quorbel: %s:%d: %s failed: 0x%08x\n", file, line,
                 call, static_cast<unsigned>(hr));
  }
  if (kStopOnUnexpectedFailure) std::abort();
  return false;
}
