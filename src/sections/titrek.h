// The second section: a lit structure of rings turning slowly about the
// vertical axis under a swaying camera whose lens breathes, drawn into its
// own glow and again onto the back buffer; a small sphere-mapped blob hangs
// upside down in front of it, a banner scrolls right to left across the
// lower part of the screen and the overlay frame lies on top.
#pragma once

#include "platform/d3dx/d3dx9.h"
#include "sections/timed_section.h"
#include "toolkit/device_settings.h"
#include "toolkit/mesh_object.h"
#include "toolkit/world_matrix.h"

struct TitrekAnimation {
  D3DXVECTOR3 eye{0.0f, 0.0f, 0.0f};
  float fovY = 0.0f;       // vertical field of view, radians
  WorldMatrix mainWorld;   // the rings' world matrix
  WorldMatrix smallWorld;  // the blob's world matrix
  WorldMatrix banner;      // sprite transform of the banner, in pixels
};

class Titrek : public TimedSection<TitrekAnimation> {
 public:
  void Release() override;

 protected:
  Animation Start() const override;
  HRESULT Load() override;
  void Advance(Animation& a, const Tick& tick) const override;
  void Draw(const Animation& frame) override;

 private:
  enum class Pass { GlowSource, BackBuffer };
  void MainMeshPass(Pass pass, const Animation& frame);

  RecordedStates states_;
  MeshObject mainMesh_;   // the rings
  MeshObject smallMesh_;  // the blob
};
