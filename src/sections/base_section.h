// The interface every section of the show implements, and what the shell
// may rely on:
//
// - construction creates no device resources; Attach then Reset (window
//   thread, before the timer starts) create them and put the animation at
//   its beginning, and leave a drawable state: the first Render may come
//   before the first Update;
// - Update runs on the timer thread every tick while the section is
//   current, Render on the window thread once per paint, at the same time;
// - Release runs once at shutdown, after the texture bank and the glow
//   object have released theirs and before the device goes.
//
// Sections are written on TimedSection (timed_section.h), which keeps the
// two threads apart by construction.
#pragma once

#include <atomic>
#include <cstdint>
#include <limits>

#include "platform/gfx/d3d9.h"
#include "resources/texture_bank.h"

class GlowEffect;

class BaseSection {
 public:
  // An end second no clock reaches: the section never finishes by itself.
  static constexpr uint32_t kNoEnd = std::numeric_limits<uint32_t>::max();

  IDirect3DDevice9* device = nullptr;  // not owned
  TextureBank* textureBank = nullptr;  // not owned
  GlowEffect* glow = nullptr;          // not owned
  // Set to 1 by Update (timer thread) when the section is over; read and
  // cleared by the paint (window thread).
  std::atomic<int32_t> done{0};
  // The whole second of the show at which the section gives way; the shell
  // sets it from its timeline when it constructs the section.
  uint32_t endSecond = kNoEnd;

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
  // Window thread, once at shutdown, before the device goes: gives back
  // everything Reset created (and nothing it did not).
  virtual void Release() {}

  void Attach(IDirect3DDevice9* device_, TextureBank* textureBank_,
              GlowEffect* glow_) {
    device = device_;
    textureBank = textureBank_;
    glow = glow_;
  }

 protected:
  // The texture in a slot of the texture bank (slot::k...).
  IDirect3DTexture9* Texture(int slot) const {
    return textureBank->Texture(slot);
  }
};
