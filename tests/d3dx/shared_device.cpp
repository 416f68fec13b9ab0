#include "shared_device.h"

#include <gtest/gtest.h>

IDirect3DDevice9* SharedDevice() {
  // Kept for the life of the process; torn down with it.
  static HeadlessDevice* headless = new HeadlessDevice();
  return headless->ok() ? headless->device() : nullptr;
}
