#include "sections/noise.h"

namespace {

// Until the scene is drawn, the section shows as a colour of its own, so
// that the timeline can be seen.
constexpr D3DCOLOR kColor = 0xFF808080;

}  // namespace

void Noise::Update(uint32_t elapsed, uint32_t delta) {
  (void)delta;
  // At or past the end second: a stall that skips the whole second must
  // not leave the show stuck here.
  if (elapsed / 1000 >= kEndSecond) done.store(1);
}

void Noise::Render() {
  device->BeginScene();
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kColor, 1.0f,
                0);
  device->EndScene();
}
