// A state block: a copy of the device state plus the mask of the items it
// carries. D3DSBT_ALL blocks carry everything; recorded blocks
// (BeginStateBlock ... EndStateBlock) carry the items set while recording,
// each with its last value. Capture refreshes the carried items from the
// device; Apply writes them back. Render targets are never part of it.
#pragma once

#include "platform/gfx/device_child.h"
#include "platform/gfx/device_state.h"

namespace gfx {

class StateBlock : public DeviceChild<IDirect3DStateBlock9> {
 public:
  StateBlock(Device* device, const StateMask& mask);

  HRESULT GetDevice(IDirect3DDevice9** device) override;
  HRESULT Capture() override;
  HRESULT Apply() override;

  DeviceState& state() { return state_; }
  const DeviceState& state() const { return state_; }
  StateMask& mask() { return mask_; }
  const StateMask& mask() const { return mask_; }

 private:
  ~StateBlock() override;

  DeviceState state_;
  StateMask mask_;
};

// Copies the masked items of `from` into `to`, moving internal references
// of the bindings. Used in both directions (capture and apply).
void CopyMaskedState(const DeviceState& from, const StateMask& mask,
                     DeviceState* to);
// Drops every binding reference a DeviceState holds.
void ReleaseBindings(DeviceState* state);

}  // namespace gfx
