#include "sections/noise.h"

void Noise::Draw(const Animation&) {
  device->BeginScene();
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF808080,
                1.0f, 0);
  device->EndScene();
}
