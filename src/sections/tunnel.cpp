#include "sections/tunnel.h"

void Tunnel::Draw(const Animation&) {
  device->BeginScene();
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF20A040,
                1.0f, 0);
  device->EndScene();
}
