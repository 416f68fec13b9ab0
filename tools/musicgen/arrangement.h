#pragma once

#include <vector>

#include "score.h"

// The song's form: which instrument plays what, section by section. The
// sections change at the same whole seconds as the picture.
class Arrangement {
 public:
  // Builds the whole song's note lists, each sorted by start.
  static Score Build();

  // Whole seconds at which the picture flashes (every second of the intro,
  // every section change and the two overlay entries): each one gets a
  // kick or a crash exactly on time.
  static std::vector<int> AccentSeconds();
};
