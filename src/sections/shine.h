// The third section: a long tube that tumbles slowly and bends along its
// length through vertex blending, drawn solid in metal and, a hair larger,
// once more as a wireframe, in front of the panelled backdrop sphere, into
// its own glow and onto the back buffer. The overlay frame on top changes
// twice, at 53 s and 68 s, each time with a flash.
#pragma once

#include "platform/d3dx/d3dx9.h"
#include "sections/timed_section.h"
#include "toolkit/device_settings.h"
#include "toolkit/mesh_object.h"
#include "toolkit/world_matrix.h"

// Which overlay picture lies on top: the frame, then the frame with side
// bars from 53 s, then the frame with tick marks from 68 s. Only forward.
enum class ShineStage { Frame, Bars, Ticks };

struct ShineAnimation {
  WorldMatrix meshWorld;  // the tube's world matrix
  WorldMatrix twist;      // the second blend matrix
  ShineStage stage = ShineStage::Frame;
};

class Shine : public TimedSection<ShineAnimation> {
 public:
  void Release() override;

 protected:
  Animation Start() const override;
  HRESULT Load() override;
  void Advance(Animation& a, const Tick& tick) const override;
  void Draw(const Animation& frame) override;

 private:
  void ScenePass(const Animation& frame);

  RecordedStates states_;
  MeshObject mesh_;
};
