// The last section (219 s to 225 s): full-screen television noise, two
// pictures switching ten times a second, fades out over the section's first
// second and leaves a black screen under the overlay frame. When it is done
// the show is over.
#pragma once

#include "sections/timed_section.h"

struct NoiseAnimation {
  // The texture slot of the noise picture, held as a float from 31 up to
  // 33: the picture shown is its whole part.
  float frame = 0.0f;
  float rotation = 0.0f;  // of the sprite, radians; always 0
  float alpha = 0.0f;     // opacity of the noise, 0 to 1
};

class Noise : public TimedSection<NoiseAnimation> {
 protected:
  Animation Start() const override;
  HRESULT Load() override { return S_OK; }  // nothing to create
  void Advance(Animation& a, const Tick& tick) const override;
  void Draw(const Animation& frame) override;
};
