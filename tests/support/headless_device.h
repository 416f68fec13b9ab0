// A hidden SDL window with a GL 3.3 core context and a device on it, for
// tests and benchmarks that render (SDL's offscreen driver on llvmpipe when
// no display is there).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/gfx/d3d9.h"

class HeadlessDevice {
 public:
  // Creates window, context and device with the show's presentation
  // parameters (800 x 600 A8R8G8B8, D16 depth, windowed). Check ok() after.
  HeadlessDevice();
  ~HeadlessDevice();
  HeadlessDevice(const HeadlessDevice&) = delete;
  HeadlessDevice& operator=(const HeadlessDevice&) = delete;

  bool ok() const { return device_ != nullptr; }
  const std::string& error() const { return error_; }
  IDirect3DDevice9* device() const { return device_; }

  // Makes this object's GL context current again (tests that hold two
  // devices switch between them).
  void MakeCurrent();

  // The back buffer as 0xAARRGGBB words, top row first.
  std::vector<uint32_t> ReadBackBuffer();

 private:
  struct Impl;
  Impl* impl_ = nullptr;
  IDirect3D9* d3d_ = nullptr;
  IDirect3DDevice9* device_ = nullptr;
  std::string error_;
};

// Writes 0xAARRGGBB pixels as an RGBA PNG (for looking at test output).
bool WritePng(const std::string& path, const std::vector<uint32_t>& pixels,
              int width, int height);
