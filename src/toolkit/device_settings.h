// Lists of device states, written one setting per line so that a list reads
// like the table it comes from:
//
//   const DeviceSetting kStates[] = {
//       RenderState(D3DRS_ZENABLE, TRUE),
//       StageState(D3DTSS_COLOROP, D3DTOP_SELECTARG1),
//       ProjectionState({2.3f, 1.3f, 1.0f, 1000.0f}),
//   };
//
// ApplySettings sets a list on the device in its order. RecordedStates
// records a list into a state block once (a section's Reset) and applies it
// at the start of each pass that draws with it.
#pragma once

#include <span>

#include "platform/gfx/com_ptr.h"
#include "platform/gfx/d3d9.h"
#include "toolkit/camera.h"

struct DeviceSetting {
  enum class Kind { Render, Stage, Projection };
  Kind kind;
  DWORD state;  // D3DRENDERSTATETYPE or D3DTEXTURESTAGESTATETYPE
  DWORD value;
  Lens lens;  // Projection only
};

constexpr DeviceSetting RenderState(D3DRENDERSTATETYPE state, DWORD value) {
  return {DeviceSetting::Kind::Render, state, value, {}};
}
// A state of texture stage 0, the only stage the show sets.
constexpr DeviceSetting StageState(D3DTEXTURESTAGESTATETYPE state,
                                   DWORD value) {
  return {DeviceSetting::Kind::Stage, state, value, {}};
}
// SetTransform(D3DTS_PROJECTION) with the lens's perspective matrix.
constexpr DeviceSetting ProjectionState(const Lens& lens) {
  return {DeviceSetting::Kind::Projection, 0, 0, lens};
}

using DeviceSettings = std::span<const DeviceSetting>;

void ApplySettings(IDirect3DDevice9* device, DeviceSettings settings);

// A state block recorded from a list. One owner, released once.
class RecordedStates {
 public:
  // BeginStateBlock, the list, EndStateBlock. A block recorded earlier is
  // given back first. Returns the first failing code.
  HRESULT Record(IDirect3DDevice9* device, DeviceSettings settings);
  // Applies the block; a failure follows the program's policy for results
  // that cannot fail (toolkit/expect_ok.h). Returns whether it applied.
  bool Apply() const;
  void Release() { block_.Reset(); }
  bool recorded() const { return static_cast<bool>(block_); }

 private:
  ComPtr<IDirect3DStateBlock9> block_;
};
