// The second section (27 s to 41 s).
#pragma once

#include <cstdint>

#include "shell/base_section.h"

class Titrek : public BaseSection {
 public:
  // The whole second of the show at which the section gives way.
  static constexpr uint32_t kEndSecond = 41;

  void Update(uint32_t elapsed, uint32_t delta) override;
  void Render() override;
};
