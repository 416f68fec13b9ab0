#include "sections/topuz.h"

namespace {
// The section gives way to the next one at this whole second of the show.
constexpr uint32_t kEndSecond = 27;
}  // namespace

void topuz::Update(uint32_t elapsed, uint32_t delta) {
  (void)delta;
  if (elapsed / 1000 >= kEndSecond) done.store(1);
}

void topuz::Render() {
  device->BeginScene();
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00203040,
                1.0f, 0);
  device->EndScene();
}

HRESULT topuz::Reset() { return S_OK; }

void topuz::Release() {}
