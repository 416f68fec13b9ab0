// The interface every section of the show implements.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/gfx/d3d9.h"

class TextureBank;
class GlowEffect;

class BaseSection {
 public:
  IDirect3DDevice9* device = nullptr;  // not owned
  TextureBank* textureBank = nullptr;  // not owned
  GlowEffect* glow = nullptr;          // not owned
  // Set to 1 by Update (timer thread) when the section is over; read and
  // cleared by the paint (window thread).
  std::atomic<int32_t> done{0};

  BaseSection() = default;
  BaseSection(const BaseSection&) = delete;
  BaseSection& operator=(const BaseSection&) = delete;
  // The shell owns the sections and deletes them at exit through this
  // interface, so the destructor must dispatch.
  virtual ~BaseSection() = default;

  // Timer thread, every tick while current: elapsed and delta in ms.
  virtual void Update(uint32_t elapsed, uint32_t delta) {
    (void)elapsed;
    (void)delta;
  }
  // Window thread, once per paint while current: a whole frame inside its
  // own BeginScene/EndScene; never presents.
  virtual void Render() {}
  // Window thread, once at start-up after Attach: creates the section's
  // device resources and puts its animation at the beginning.
  virtual HRESULT Reset() { return S_OK; }
  // Window thread, once at shutdown, before the device goes.
  virtual void Release() {}

  void Attach(IDirect3DDevice9* device_, TextureBank* textureBank_,
              GlowEffect* glow_) {
    device = device_;
    textureBank = textureBank_;
    glow = glow_;
  }
};
