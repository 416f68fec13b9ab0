#include "sections/uzun.h"

void Uzun::Draw(const Animation&) {
  device->BeginScene();
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFFC05020,
                1.0f, 0);
  device->EndScene();
}
