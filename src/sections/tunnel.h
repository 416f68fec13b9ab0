// The fourth section: a textured tunnel turning about its vertical axis,
// seen through a very wide lens whose aim wanders, with a small
// sphere-mapped blob in front lit by a light at the eye; drawn into its own
// glow and onto the back buffer, under a strip scrolling up, a banner
// scrolling left and a head-up display on top.
#pragma once

#include "platform/d3dx/d3dx9.h"
#include "sections/timed_section.h"
#include "toolkit/device_settings.h"
#include "toolkit/mesh_object.h"
#include "toolkit/world_matrix.h"

struct TunnelAnimation {
  D3DXVECTOR3 tunnelTarget{0.0f, 0.0f, 0.0f};  // where the wide lens aims
  WorldMatrix tunnelWorld;                     // the tunnel's turn
  WorldMatrix objectWorld;                     // the blob in front
  WorldMatrix verticalOverlay;    // sprite transform of the strip, pixels
  WorldMatrix horizontalOverlay;  // sprite transform of the banner, pixels
};

class Tunnel : public TimedSection<TunnelAnimation> {
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
  MeshObject tunnelMesh_;
  MeshObject objectMesh_;
};
