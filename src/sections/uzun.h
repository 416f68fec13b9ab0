// The seventh section (165 s to 219 s).
#pragma once

#include <cstdint>

#include "shell/base_section.h"

class Uzun : public BaseSection {
 public:
  // The whole second of the show at which the section gives way.
  static constexpr uint32_t kEndSecond = 219;

  void Update(uint32_t elapsed, uint32_t delta) override;
  void Render() override;
};
