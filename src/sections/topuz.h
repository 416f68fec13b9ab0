// The opening section: a bulging, twisting mesh in its own glow over the
// backdrop sphere, pulsing with a flash on every whole second.
#pragma once

#include "shell/base_section.h"

class topuz : public BaseSection {
 public:
  void Update(uint32_t elapsed, uint32_t delta) override;
  void Render() override;
  HRESULT Reset() override;
  void Release() override;
};
