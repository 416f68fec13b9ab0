// The fourth section (82 s to 108 s). Not drawn yet: it clears to a
// colour of its own, so that the timeline can be seen.
#pragma once

#include "sections/timed_section.h"

struct TunnelAnimation {};

class Tunnel : public TimedSection<TunnelAnimation> {
 protected:
  Animation Start() const override { return {}; }
  HRESULT Load() override { return S_OK; }
  void Advance(Animation&, const Tick&) const override {}
  void Draw(const Animation& frame) override;
};
