// The seventh section (165 s to 219 s). Not drawn yet: it clears to a
// colour of its own, so that the timeline can be seen.
#pragma once

#include "sections/timed_section.h"

struct UzunAnimation {};

class Uzun : public TimedSection<UzunAnimation> {
 protected:
  Animation Start() const override { return {}; }
  HRESULT Load() override { return S_OK; }
  void Advance(Animation&, const Tick&) const override {}
  void Draw(const Animation& frame) override;
};
