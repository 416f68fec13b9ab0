#include "resources/texture_bank.h"

#include "platform/d3dx/d3dx9tex.h"

namespace {

// Where each image goes, in the order they are loaded: the resource number
// of the image and the slot that holds its texture. Slots 3, 9 and 39 to 99
// stay empty.
struct SlotLoad {
  int resource;
  int slot;
};

constexpr SlotLoad kLoadOrder[] = {
    {130, 7},  {131, 2},  {132, 1},  {133, 6},  {134, 8},  {136, 10}, {137, 11},
    {145, 15}, {138, 4},  {139, 0},  {141, 5},  {142, 12}, {143, 13}, {144, 14},
    {146, 16}, {160, 31}, {161, 32}, {162, 33}, {147, 17}, {148, 18}, {149, 19},
    {150, 20}, {151, 21}, {152, 22}, {153, 23}, {154, 24}, {155, 25}, {156, 26},
    {157, 27}, {158, 28}, {159, 29}, {168, 30}, {164, 34}, {165, 35}, {166, 36},
    {167, 37}, {163, 38},
};
static_assert(sizeof kLoadOrder / sizeof kLoadOrder[0] == 37);

}  // namespace

void TextureBank::SetDevice(IDirect3DDevice9* device_) { device = device_; }

HRESULT TextureBank::LoadAll() {
  // A second load starts from an empty table rather than leaking the first.
  Destroy();
  textures = new IDirect3DTexture9* [kSlotCount] {};
  for (const SlotLoad& load : kLoadOrder) {
    // Module null: the image is one of the program's own resources.
    HRESULT hr = D3DXCreateTextureFromResourceA(
        device, nullptr, MAKEINTRESOURCE(load.resource), &textures[load.slot]);
    if (FAILED(hr)) {
      textures[load.slot] = nullptr;
      return hr;
    }
  }
  return S_OK;
}

void TextureBank::Destroy() {
  if (!textures) return;
  for (int slot = 0; slot < kSlotCount; ++slot) {
    if (textures[slot]) {
      textures[slot]->Release();
      textures[slot] = nullptr;
    }
  }
  delete[] textures;
  textures = nullptr;
}
