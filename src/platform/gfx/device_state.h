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
  RECT scissorRect;
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
  bool scissorRect = false;
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

// Coarse groups of GL work. A change of a state item marks the groups the
// item feeds, and the next draw redoes exactly the marked groups. The
// functions below are the only place that says which item feeds which
// group: the setters, state-block Apply (whole and masked) and the draw
// all rely on them.
enum DirtyGroup : uint32_t {
  kDirtyBlend = 1u << 0,        // blend enable, factors, op, colour
  kDirtyDepth = 1u << 1,        // depth test, function, writes
  kDirtyRaster = 1u << 2,       // cull, fill, colour mask, scissor
  kDirtyShaderKey = 1u << 3,    // anything the fixed-function key reads
  kDirtyUniforms = 1u << 4,     // the fixed-function uniform block
  kDirtySamplers = 1u << 5,     // sampler objects of the marked stages
  kDirtyTextures = 1u << 6,     // texture and sampler bindings of the units
  kDirtyVertexInput = 1u << 7,  // attribute arrays: FVF, stream, program
  kDirtyViewport = 1u << 8,     // viewport rectangle and depth range
  kDirtyProgram = 1u << 9,      // the programmable path's program
  kDirtyAll = 0xFFFFFFFFu,
};

// What a change marks: groups, and the stages whose sampler objects must
// be redone (with kDirtySamplers).
struct DirtyMarks {
  uint32_t groups = 0;
  uint8_t samplerStages = 0;
};

// The groups a change of each kind of item marks. Items nothing reads at
// draw time (fog, stencil, the index buffer, texture stages the programs
// do not run, lights other than the lit one, ...) mark nothing.
uint32_t RenderStateGroups(DWORD state);
uint32_t StageStateGroups(DWORD stage, DWORD type);
constexpr uint32_t kSamplerStateGroups = kDirtySamplers;
uint32_t TextureGroups(DWORD stage, const Texture* from, const Texture* to);
uint32_t TransformGroups(DWORD slot);
uint32_t LightGroups(DWORD index, const D3DLIGHT9& from, const D3DLIGHT9& to);
uint32_t LightEnableGroups(DWORD index);
constexpr uint32_t kMaterialGroups = kDirtyUniforms;
// The viewport height scales points; X, Y, width and height place the
// half-pixel offset.
constexpr uint32_t kViewportGroups = kDirtyViewport | kDirtyUniforms;
constexpr uint32_t kScissorRectGroups = kDirtyRaster;
constexpr uint32_t kFvfGroups = kDirtyVertexInput | kDirtyShaderKey;
constexpr uint32_t kStreamGroups = kDirtyVertexInput;
// Indexed draws bind their index buffer (and upload what changed in it)
// themselves, through the GL cache.
constexpr uint32_t kIndicesGroups = 0;
constexpr uint32_t kProgramGroups =
    kDirtyProgram | kDirtyShaderKey | kDirtyVertexInput;

// The marks for moving the items of `mask` from the values in `from` to
// those in `to`: the functions above, applied to the items that differ.
DirtyMarks ChangedGroups(const DeviceState& from, const DeviceState& to,
                         const StateMask& mask);

}  // namespace gfx
