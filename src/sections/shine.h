// The third section (41 s to 82 s).
#pragma once

#include <cstdint>

#include "shell/base_section.h"

class Shine : public BaseSection {
 public:
  // The whole second of the show at which the section gives way.
  static constexpr uint32_t kEndSecond = 82;

  void Update(uint32_t elapsed, uint32_t delta) override;
  void Render() override;
};
