// The device's whole Direct3D 9 state vector, kept on the CPU. Set calls
// write here; draws translate it into GL. State blocks hold a copy of it
// plus a mask of the items they carry.
#pragma once

#include <bitset>
#include <cstdint>

#include "platform/gfx/d3d9_types.h"

namespace gfx {

class Texture;
class VertexBuffer;
class IndexBuffer;
class ShaderProgram;

// World matrices kept: WORLDMATRIX(0..3). The show blends between the first
// two; Direct3D has 256.
constexpr DWORD kWorldMatrixCount = 4;
// Light slots kept (Direct3D allows any index); only light 0 is lit by the
// fixed-function programs.
constexpr DWORD kMaxLights = 8;

// Transform slots: view, projection, eight texture matrices, then the world
// matrices.
constexpr DWORD kTransformSlotView = 0;
constexpr DWORD kTransformSlotProjection = 1;
constexpr DWORD kTransformSlotTexture0 = 2;
constexpr DWORD kTransformSlotWorld0 = kTransformSlotTexture0 + 8;
constexpr DWORD kTransformSlotCount = kTransformSlotWorld0 + kWorldMatrixCount;

// The slot of a transform, or -1 for one the device does not keep.
int TransformSlot(D3DTRANSFORMSTATETYPE state);

struct DeviceState {
  DWORD renderStates[kRenderStateCount];
  DWORD stageStates[kMaxTextureStages][kTextureStageStateCount];
  DWORD samplerStates[kMaxTextureStages][kSamplerStateCount];
  D3DMATRIX transforms[kTransformSlotCount];
  D3DLIGHT9 lights[kMaxLights];
  BOOL lightEnabled[kMaxLights];
  D3DMATERIAL9 material;
  D3DVIEWPORT9 viewport;
  DWORD fvf;
  UINT streamOffset;
  UINT streamStride;
  // Bindings; whoever owns a DeviceState holds an internal reference on
  // each non-null one.
  Texture* textures[kMaxTextureStages];
  VertexBuffer* stream;
  IndexBuffer* indices;
  ShaderProgram* program;
};

// Which items a state block carries.
struct StateMask {
  std::bitset<kRenderStateCount> renderStates;
  std::bitset<kMaxTextureStages * kTextureStageStateCount> stageStates;
  std::bitset<kMaxTextureStages * kSamplerStateCount> samplerStates;
  std::bitset<kTransformSlotCount> transforms;
  std::bitset<kMaxLights> lights;
  std::bitset<kMaxLights> lightEnabled;
  std::bitset<kMaxTextureStages> textures;
  bool material = false;
  bool viewport = false;
  bool fvf = false;
  bool stream = false;
  bool indices = false;
  bool program = false;
  bool all = false;  // made by All(): every bit above is set

  // Everything a D3DSBT_ALL block captures (render targets are not state).
  static StateMask All();
  bool Any() const;
};

// The state of a freshly created device with an 800 x 600 back buffer and
// an automatic depth buffer.
void InitDefaultState(DeviceState* state, DWORD backBufferWidth,
                      DWORD backBufferHeight);

// The light LightEnable creates when the index was never given to SetLight.
D3DLIGHT9 DefaultLight();

D3DMATRIX IdentityMatrix();

// Coarse groups of GL work; a setter marks the groups its item feeds and
// the next draw redoes only those.
enum DirtyGroup : uint32_t {
  kDirtyBlend = 1u << 0,        // blend enable, factors, op, colour
  kDirtyDepth = 1u << 1,        // depth test, function, writes
  kDirtyRaster = 1u << 2,       // cull, fill, colour mask, provoking vertex
  kDirtyShaderKey = 1u << 3,    // anything the fixed-function key reads
  kDirtyUniforms = 1u << 4,     // matrices, light, material, colours
  kDirtySamplers = 1u << 5,     // sampler states of some stage
  kDirtyTextures = 1u << 6,     // texture bindings
  kDirtyVertexInput = 1u << 7,  // FVF, stream source
  kDirtyIndices = 1u << 8,      // index buffer
  kDirtyViewport = 1u << 9,     // viewport rectangle and depth range
  kDirtyProgram = 1u << 10,     // the programmable path's program
  kDirtyAll = 0xFFFFFFFFu,
};

// The groups a render state feeds.
uint32_t RenderStateGroups(DWORD state);
// The groups a texture-stage state feeds.
uint32_t StageStateGroups(DWORD type);

}  // namespace gfx
