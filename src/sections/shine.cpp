#include "sections/shine.h"

void Shine::Draw(const Animation&) {
  device->BeginScene();
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFFC0A020,
                1.0f, 0);
  device->EndScene();
}
