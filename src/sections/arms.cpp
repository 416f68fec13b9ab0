#include "sections/arms.h"

void Arms::Draw(const Animation&) {
  device->BeginScene();
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFFA02080,
                1.0f, 0);
  device->EndScene();
}
