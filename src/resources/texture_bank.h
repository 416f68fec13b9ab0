// Every image of the show, loaded once at start-up into numbered slots.
#pragma once

#include <functional>

#include "platform/gfx/d3d9.h"
#include "resources/texture_slots.h"

class TextureBank {
 public:
  static constexpr int kSlotCount = 100;

  IDirect3DDevice9* device = nullptr;      // not owned
  IDirect3DTexture9** textures = nullptr;  // kSlotCount slots once loaded

  void SetDevice(IDirect3DDevice9* device_);
  // Asked before each image: once it answers true, LoadAll stops there and
  // returns E_ABORT, so that a stop request during loading (a signal) waits
  // for one image at most, not for all of them.
  void SetStopCheck(std::function<bool()> stopRequested);
  // Loads every image into its slot; returns the first failing loader
  // result unchanged, keeping what loaded before it.
  HRESULT LoadAll();
  // Releases every texture and frees the slot table.
  void Destroy();

  // The texture in a slot (null for an empty slot, and before LoadAll).
  // The bank keeps the reference.
  IDirect3DTexture9* Texture(int slot) const {
    return textures && slot >= 0 && slot < kSlotCount ? textures[slot]
                                                      : nullptr;
  }

 private:
  std::function<bool()> stopRequested_;
};
