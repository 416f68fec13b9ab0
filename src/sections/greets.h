// The sixth section: three rings turning about the vertical axis at their
// own rates, mapped by their camera-space normals, and a carrier showing
// the greeting cards in turn, one every two seconds. The camera hangs high
// above, descends ever faster while it moves back, and bobs up and down
// once it reaches the rings' height. The nebula backdrop lies behind, the
// rings' halo under them, and an overlay scrolls left on top.
#pragma once

#include "platform/d3dx/d3dx9.h"
#include "resources/texture_slots.h"
#include "sections/timed_section.h"
#include "toolkit/device_settings.h"
#include "toolkit/mesh_object.h"
#include "toolkit/world_matrix.h"

struct GreetsAnimation {
  D3DXVECTOR3 eye{0.0f, 0.0f, 0.0f};
  float descentSpeed = 0.0f;        // multiplies delta in the descent
  bool bobbing = false;             // set once the descent has reached height 0
  float bobPhase = 0.0f;            // radians
  int greetingSlot = slot::kCard1;  // the card shown, kCard1 ... kCard8
  WorldMatrix innerRingWorld;
  WorldMatrix middleRingWorld;
  WorldMatrix outerRingWorld;  // also the card carrier's: both turn alike
  WorldMatrix overlay;         // sprite transform of the scrolling overlay
};

class Greets : public TimedSection<GreetsAnimation> {
 public:
  void Release() override;

 protected:
  Animation Start() const override;
  HRESULT Load() override;
  void Advance(Animation& a, const Tick& tick) const override;
  void Draw(const Animation& frame) override;

 private:
  enum class Pass { GlowSource, BackBuffer };
  void ScenePass(Pass pass, const Animation& frame);

  RecordedStates states_;
  MeshObject innerRing_;
  MeshObject middleRing_;
  MeshObject outerRing_;
  MeshObject cardCarrier_;
};
