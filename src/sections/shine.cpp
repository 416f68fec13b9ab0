#include "sections/shine.h"

namespace {

// Until the scene is drawn, the section shows as a colour of its own, so
// that the timeline can be seen.
constexpr D3DCOLOR kColor = 0xFFC0A020;

}  // namespace

void Shine::Update(uint32_t elapsed, uint32_t delta) {
  (void)delta;
  // At or past the end second: a stall that skips the whole second must
  // not leave the show stuck here.
  if (elapsed / 1000 >= kEndSecond) done.store(1);
}

void Shine::Render() {
  device->BeginScene();
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kColor, 1.0f,
                0);
  device->EndScene();
}
