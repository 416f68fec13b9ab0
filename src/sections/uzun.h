// The seventh section (165 s to 219 s): a glider comes from far away
// towards the viewer past a banded column that stands at the origin, both
// lit by a specular point light that travels with the camera. The camera
// circles the z axis at radius 16 while it swings along it, always looking
// at the origin. The backdrop sphere lies behind, two banners scroll
// leftwards at different speeds. No glow.
#pragma once

#include "platform/d3dx/d3dx9.h"
#include "sections/timed_section.h"
#include "toolkit/device_settings.h"
#include "toolkit/mesh_object.h"
#include "toolkit/world_matrix.h"

struct UzunAnimation {
  D3DXVECTOR3 eye{0.0f, 0.0f, 0.0f};  // camera and light position
  WorldMatrix gliderWorld;            // slides along -z
  WorldMatrix bandedWorld;            // the column's, placed once
  WorldMatrix firstBanner;            // sprite transforms, in pixels
  WorldMatrix secondBanner;
};

class Uzun : public TimedSection<UzunAnimation> {
 public:
  void Release() override;

 protected:
  Animation Start() const override;
  HRESULT Load() override;
  void Advance(Animation& a, const Tick& tick) const override;
  void Draw(const Animation& frame) override;

 private:
  // The point light at the eye, reaching `range` units, its diffuse colour
  // `level` in every channel.
  void SetCameraLight(const D3DXVECTOR3& eye, float range, float level);
  void ScenePass(const Animation& frame);

  RecordedStates states_;
  MeshObject glider_;
  MeshObject banded_;
};
