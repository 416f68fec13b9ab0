// The fifth section: thirty glowing arms of point sprites. Every arm is a
// chain of 30 points that starts at one head running along a Lissajous
// curve; each point trails the one before it while a fixed outward push
// per arm keeps the chains stretched into a star. The swarm tumbles, a
// mesh follows it, the deep-space backdrop is drawn twice behind it (two
// fields of view), the points feed the glow and an overlay scrolls left.
//
// The points are simulated in the animation on the timer thread; each
// frame uploads the copy it draws into the point buffer on the window
// thread.
#pragma once

#include <array>

#include "platform/d3dx/d3dx9.h"
#include "platform/gfx/com_ptr.h"
#include "sections/timed_section.h"
#include "toolkit/device_settings.h"
#include "toolkit/mesh_object.h"
#include "toolkit/screen_quad.h"
#include "toolkit/world_matrix.h"

inline constexpr int kArmCount = 30;
inline constexpr int kPointsPerArm = 30;
inline constexpr int kArmPointCount = kArmCount * kPointsPerArm;  // 900

// Point j of arm i (both from 0) is record i * 30 + j. Record 0 is the
// head; after every tick each arm's root (j = 0) equals the head in
// position and size.
using ArmPoints = std::array<PointVertex, kArmPointCount>;

struct ArmsAnimation {
  ArmPoints points{};
  WorldMatrix swarmWorld;  // the points' world matrix; tumbles
  WorldMatrix meshWorld;   // the swarm's tumble, then the mesh's offset
  WorldMatrix overlay;     // sprite transform of the scrolling overlay
};

class Arms : public TimedSection<ArmsAnimation> {
 public:
  void Release() override;

  // One tick of the chains at `t` ms of the show: the head moves to its
  // place on the curve, every root joins it, and every other point closes
  // 1/50.0001 of its gap to its (already moved) predecessor and takes its
  // arm's push.
  static void SimulatePoints(ArmPoints& v, float t);

  // The buffer every frame uploads its points into (tests lock it to see
  // a frame do without its points).
  IDirect3DVertexBuffer9* pointBuffer() const { return pointBuffer_.get(); }

 protected:
  Animation Start() const override;
  HRESULT Load() override;
  void Advance(Animation& a, const Tick& tick) const override;
  void Draw(const Animation& frame) override;

 private:
  bool UploadPoints(const ArmPoints& points);
  void DrawPoints(const Animation& frame, bool uploaded);

  RecordedStates states_;
  MeshObject mesh_;
  ComPtr<IDirect3DVertexBuffer9> pointBuffer_;
  ComPtr<IDirect3DIndexBuffer9> indexBuffer_;  // 0 ... 899 in order
};
