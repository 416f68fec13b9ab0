// Where this device knowingly differs from Direct3D 9, one named constant
// each. The code that makes the choice uses the constant, so a search for
// its name finds the place.
#pragma once

namespace gfx {

// A texture stage whose operation reads D3DTA_TEXTURE while no texture is
// bound passes the current colour on (untextured draws show their diffuse
// colour). Direct3D's documentation and runtimes disagree on this case.
constexpr bool kUntexturedStagePassesCurrent = true;

// D3DTA_TEMP and D3DTA_CONSTANT are not kept; they read as zero.
constexpr bool kTempAndConstantArgsReadZero = true;

// Texture operations beyond the common set (PREMODULATE, BUMPENVMAP*,
// DOTPRODUCT3, MULTIPLYADD, LERP) pass their first argument through.
constexpr bool kRareTextureOpsPassArg1 = true;

// Spot lights are lit as point lights (no cone), and only light 0 is lit
// (the others are stored, so Get calls and state blocks keep them).
constexpr bool kSpotLightsLitAsPoint = true;
constexpr int kLitLightCount = 1;

// Fog, user clip planes, the scissor test and stencil are not emulated;
// their render states are stored and ignored.
constexpr bool kFogIgnored = true;
constexpr bool kClipPlanesIgnored = true;
constexpr bool kScissorStateIgnored = true;

// The alpha test applies to the fixed-function path only; a program of
// the programmable path discards on its own.
constexpr bool kAlphaTestFixedFunctionOnly = true;

// Wireframe edges use GL's line rasterisation (diamond-exit rule), which
// can differ from Direct3D's by a pixel at line ends.
constexpr bool kWireframeUsesGlLines = true;

// D3DTADDRESS_MIRRORONCE has no GL 3.3 core equivalent; it mirrors.
constexpr bool kMirrorOnceMirrors = true;

// One vertex stream (stream 0), FVF vertices only (no declarations).
constexpr int kVertexStreams = 1;

// Render-target textures have exactly one level.
constexpr int kRenderTargetLevels = 1;

// The fixed-function programs read texture-coordinate sets 0 and 1, two
// floats each (what every vertex format of the show carries); a texture
// transform sees a set as (u, v, 1, 0).
constexpr int kTexCoordSetsRead = 2;

// Texture formats: A8R8G8B8 and X8R8G8B8 only; depth: the automatic D16.
constexpr bool kOnlyArgbTextures = true;

}  // namespace gfx
