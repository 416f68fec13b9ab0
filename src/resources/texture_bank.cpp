#include "resources/texture_bank.h"

#include <utility>

#include "platform/d3dx/d3dx9tex.h"
#include "resource_ids.h"

namespace {

// Where each image goes, in the order they are loaded: the resource number
// of the image and the slot that holds its texture. Slots 3, 9 and 39 to 99
// stay empty.
struct SlotLoad {
  uint16_t resource;
  int slot;
};

using namespace resource_id;
constexpr SlotLoad kLoadOrder[] = {
    {kFlashImage, slot::kFlash},
    {kKnotWireImage, slot::kKnotWire},
    {kKnotSolidImage, slot::kKnotSolid},
    {kTitleImage, slot::kTitle},
    {kFrameImage, slot::kFrame},
    {kFrameBarsImage, slot::kFrameBars},
    {kFrameTicksImage, slot::kFrameTicks},
    {kHudImage, slot::kHud},
    {kNebulaImage, slot::kNebula},
    {kDotImage, slot::kDot},
    {kPanelsImage, slot::kPanels},
    {kSkyBallImage, slot::kSkyBall},
    {kDeepSpaceImage, slot::kDeepSpace},
    {kMetalImage, slot::kMetal},
    {kStripImage, slot::kStrip},
    {kStatic160Image, slot::kStatic1},
    {kStatic161Image, slot::kStatic2},
    {kStatic162Image, slot::kStatic3},
    {kBanner147Image, slot::kBanner1},
    {kBanner148Image, slot::kBanner2},
    {kBanner149Image, slot::kBanner3},
    {kBanner150Image, slot::kBanner4},
    {kBanner151Image, slot::kBanner5},
    {kBanner152Image, slot::kBanner6},
    {kCard153Image, slot::kCard1},
    {kCard154Image, slot::kCard1 + 1},
    {kCard155Image, slot::kCard1 + 2},
    {kCard156Image, slot::kCard1 + 3},
    {kCard157Image, slot::kCard1 + 4},
    {kCard158Image, slot::kCard1 + 5},
    {kCard159Image, slot::kCard1 + 6},
    {kCard168Image, slot::kCard8},
    {kRingGoldImage, slot::kRingGold},
    {kBandStripesImage, slot::kBandStripes},
    {kBandRivetsImage, slot::kBandRivets},
    {kBandHexImage, slot::kBandHex},
    {kHullImage, slot::kHull},
};
static_assert(sizeof kLoadOrder / sizeof kLoadOrder[0] == 37);

}  // namespace

void TextureBank::SetDevice(IDirect3DDevice9* device_) { device = device_; }

void TextureBank::SetStopCheck(std::function<bool()> stopRequested) {
  stopRequested_ = std::move(stopRequested);
}

HRESULT TextureBank::LoadAll() {
  // A second load starts from an empty table rather than leaking the first.
  Destroy();
  textures = new IDirect3DTexture9* [kSlotCount] {};
  for (const SlotLoad& load : kLoadOrder) {
    if (stopRequested_ && stopRequested_()) return E_ABORT;
    // Module null: the image is one of the program's own resources.
    HRESULT hr = D3DXCreateTextureFromResourceA(
        device, nullptr, MAKEINTRESOURCE(load.resource), &textures[load.slot]);
    if (FAILED(hr)) {
      textures[load.slot] = nullptr;
      return hr;
    }
    // Uploaded now rather than when a section first draws it: memory stays
    // flat through the show, and no change of section waits for uploads.
    textures[load.slot]->PreLoad();
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
