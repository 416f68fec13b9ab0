// The opening section: a mesh that bulges and twists through vertex
// blending, drawn solid into its own glow and as a wireframe over the
// backdrop sphere, pulsing with a flash on every whole second; a picture
// fades in from 13.5 s under a fixed overlay.
#pragma once

#include "platform/d3dx/d3dx9.h"
#include "sections/timed_section.h"
#include "toolkit/device_settings.h"
#include "toolkit/mesh_object.h"
#include "toolkit/world_matrix.h"

struct TopuzAnimation {
  D3DXVECTOR3 eye{0.0f, 0.0f, 0.0f};
  float fade = 0.0f;        // opacity of the full-screen picture, 0 to 1
  WorldMatrix meshWorld;    // the knot's world matrix
  WorldMatrix twist;        // the second blend matrix
  uint32_t lastSecond = 0;  // whole second of the previous tick; 0: unset
};

class topuz : public TimedSection<TopuzAnimation> {
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
  MeshObject mesh_;
};
