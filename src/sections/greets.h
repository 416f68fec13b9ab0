// The sixth section (137 s to 165 s). Not drawn yet: it clears to a
// colour of its own, so that the timeline can be seen.
#pragma once

#include "sections/timed_section.h"

struct GreetsAnimation {};

class Greets : public TimedSection<GreetsAnimation> {
 protected:
  Animation Start() const override { return {}; }
  HRESULT Load() override { return S_OK; }
  void Advance(Animation&, const Tick&) const override {}
  void Draw(const Animation& frame) override;
};
