// One hidden device for every rendering test of this binary: creating a
// context per test would cost more than the tests themselves.
#pragma once

#include "headless_device.h"

IDirect3DDevice9* SharedDevice();
