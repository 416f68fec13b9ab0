// The one policy for results the program never expects to fail: a lock of
// a buffer it has just made, a material or a subset draw, applying a state
// block it recorded. Such a failure means the device or the program is
// broken, not that the machine is short of something, so there is no
// recovery of the caller's own:
//
// - the failure is reported on stderr with the call, its place and its
//   code (once per place, so a failure in every frame does not flood it);
// - debug builds then stop there, where a debugger breaks;
// - release builds carry on, and the caller skips what depended on the call
//   (the frame simply shows less).
//
// QUORBEL_EXPECT_OK(call) evaluates the call once and yields whether it
// succeeded, so that callers can skip the rest:
//   if (!QUORBEL_EXPECT_OK(buffer->Lock(0, 0, &data, 0))) return;
#pragma once

#include <atomic>

#include "platform/gfx/d3d9_types.h"

// Whether a failure stops the program (debug builds) or is only reported.
#ifdef NDEBUG
inline constexpr bool kStopOnUnexpectedFailure = false;
#else
inline constexpr bool kStopOnUnexpectedFailure = true;
#endif

// Reports a failed `hr` of `call` (once per `reported` flag) and, in debug
// builds, stops. Returns SUCCEEDED(hr).
bool ExpectOk(HRESULT hr, const char* call, const char* file, int line,
              std::atomic<bool>& reported);

#define QUORBEL_EXPECT_OK(call)                                          \
  ([&]() -> bool {                                                       \
    static std::atomic<bool> quorbelReported{false};                     \
    return ExpectOk((call), #call, __FILE__, __LINE__, quorbelReported); \
  }())
