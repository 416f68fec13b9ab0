#include "sections/greets.h"

void Greets::Draw(const Animation&) {
  device->BeginScene();
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF20A0A0,
                1.0f, 0);
  device->EndScene();
}
