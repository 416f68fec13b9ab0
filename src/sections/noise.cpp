#include "sections/noise.h"

#include "glow/glow_effect.h"
#include "resources/texture_slots.h"

namespace {

// The pictures follow each other at 0.01 slots per ms: 100 ms each, 31 then
// 32; past 33 the count starts again at exactly 31 (the excess is dropped),
// so 33 shows only on a tick that lands on 33.0 exactly.
constexpr float kFirstPicture = slot::kStatic1;
constexpr float kLastPicture = slot::kStatic3;
constexpr double kPicturesPerMs = 0.01;
// Fully opaque at the start, gone after 1000 ms.
constexpr double kFadePerMs = 0.001;

// The sprite turns about the screen's centre (by 0).
const D3DXVECTOR2 kCentre(400.0f, 300.0f);

constexpr D3DCOLOR kClearColour = 0x00000000;

}  // namespace

Noise::Animation Noise::Start() const {
  Animation a;
  a.frame = kFirstPicture;
  a.rotation = 0.0f;
  a.alpha = 1.0f;
  return a;
}

void Noise::Advance(Animation& a, const Tick& tick) const {
  const float d = tick.d();
  a.frame = static_cast<float>(a.frame + kPicturesPerMs * d);
  if (a.frame > kLastPicture) a.frame = kFirstPicture;
  a.rotation = 0.0f;
  a.alpha = static_cast<float>(a.alpha - kFadePerMs * d);
  if (a.alpha < 0.0f) a.alpha = 0.0f;
}

void Noise::Draw(const Animation& frame) {
  device->BeginScene();
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClearColour,
                1.0f, 0);
  // White at the noise's opacity.
  const DWORD alpha = static_cast<DWORD>(frame.alpha * 255);
  glow->DrawSpriteRotated(Texture(static_cast<int>(frame.frame)), &kCentre,
                          frame.rotation, (alpha << 24) | 0x00FFFFFF);
  glow->DrawSpritePlain(Texture(slot::kFrame));
  device->EndScene();
}
