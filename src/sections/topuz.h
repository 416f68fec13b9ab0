// The opening section: a mesh that bulges and twists through vertex
// blending, drawn solid into its own glow and as a wireframe over the
// backdrop sphere, pulsing with a flash on every whole second; a picture
// fades in from 13.5 s under a fixed overlay.
#pragma once

#include <cstdint>

#include "platform/d3dx/d3dx9.h"
#include "shell/base_section.h"
#include "shell/published_state.h"
#include "toolkit/mesh_object.h"

class topuz : public BaseSection {
 public:
  // What a tick leaves for the next frame to draw. Update publishes a whole
  // copy; Render reads one copy at its start.
  struct Animation {
    D3DXVECTOR3 eye{0.0f, 0.0f, 0.0f};
    float fade = 0.0f;  // opacity of the full-screen picture, 0 to 1
    D3DXMATRIX meshWorld{};
    D3DXMATRIX twist{};  // the second blend matrix
  };

  void Update(uint32_t elapsed, uint32_t delta) override;
  void Render() override;
  HRESULT Reset() override;
  void Release() override;

  // Puts the animation at its beginning (eye, fade, seconds, twist, mesh
  // world) and opens with a flash; no device work. Reset starts with it.
  void ResetAnimation();

  // The state the next Render will draw (for tests and tools).
  Animation ReadAnimation() const { return published_.Read(); }

 private:
  // Draws the mesh once: solid with slot 1 into the glow source, or as a
  // wireframe with slot 2 (and the fading picture) onto the back buffer.
  void ScenePass(int glowSource, const Animation& frame);
  HRESULT WriteBlendWeights();
  HRESULT RecordStates();
  void Publish();

  IDirect3DStateBlock9* stateBlock_ = nullptr;
  MeshObject mesh_;

  // Timer-thread animation state (and mesh_.world); Reset sets it before
  // the timer starts.
  D3DXVECTOR3 eye_{0.0f, 0.0f, 0.0f};
  float fade_ = 0.0f;
  D3DXMATRIX twist_{};
  uint32_t lastSecond_ = 0;  // 0: not seen yet

  // Window-thread camera, rebuilt in every scene pass.
  D3DXVECTOR3 target_{0.0f, 1.0f, 0.0f};
  D3DXVECTOR3 up_{0.0f, 1.0f, 0.0f};
  D3DXMATRIX view_{};
  D3DXMATRIX projection_{};

  PublishedState<Animation> published_;
};
