// Reference counting shared by every object a device creates.
//
// Two counts, as Direct3D keeps them: the public count (AddRef/Release,
// starts at one) and internal references the device, its state blocks and
// its render-target binding hold while the object is bound. An object with
// public references keeps its device alive (one device reference from
// creation until the public count reaches zero); memory is freed when both
// counts are zero.
#pragma once

#include <atomic>

#include "platform/gfx/d3d9.h"

namespace gfx {

class Device;

// Adds the device reference on creation; implemented in device.cpp so that
// this header need not see the device class.
void AddDeviceRef(Device* device);
void ReleaseDeviceRef(Device* device);
// Devices and device objects alive (LiveDeviceObjects in d3d9.h).
extern std::atomic<int> liveDeviceObjects;
// GetDevice of every device object: adds a reference and hands the device
// out; a null out-pointer is refused.
HRESULT ReturnDevice(Device* device, IDirect3DDevice9** out);

template <class Interface>
class DeviceChild : public Interface {
 public:
  explicit DeviceChild(Device* device) : device_(device) {
    ++liveDeviceObjects;
    AddDeviceRef(device_);
  }

  ULONG AddRef() override { return ++publicRefs_; }

  ULONG Release() override {
    ULONG left = --publicRefs_;
    if (left == 0) {
      Device* device = device_;
      OnLastPublicRelease();
      if (internalRefs_ == 0) delete this;
      // Last: the device may go away with this reference and release the
      // bindings that kept this object alive.
      ReleaseDeviceRef(device);
    }
    return left;
  }

  void AddInternalRef() { ++internalRefs_; }
  void ReleaseInternal() {
    if (--internalRefs_ == 0 && publicRefs_ == 0) delete this;
  }

  Device* device() const { return device_; }

 protected:
  virtual ~DeviceChild() { --liveDeviceObjects; }
  virtual void OnLastPublicRelease() {}

 private:
  Device* device_;
  std::atomic<ULONG> publicRefs_{1};
  ULONG internalRefs_ = 0;
};

// Replaces a binding, moving the internal reference.
template <class T>
void Rebind(T*& slot, T* value) {
  if (slot == value) return;
  if (value) value->AddInternalRef();
  T* old = slot;
  slot = value;
  if (old) old->ReleaseInternal();
}

}  // namespace gfx
