#pragma once

#include <cstdint>

#include "mastering.h"

// The whole soundtrack from notes to master: arrangement, rendering of the
// first `samples` samples, mastering.
class Soundtrack {
 public:
  static Mastering::Result Make(int64_t samples);
};
