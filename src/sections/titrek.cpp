#include "sections/titrek.h"

void Titrek::Draw(const Animation&) {
  device->BeginScene();
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF2040C0,
                1.0f, 0);
  device->EndScene();
}
