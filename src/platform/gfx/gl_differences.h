// Where this device knowingly differs from Direct3D 9, one named constant
// each. The code that makes the choice uses the constant, so a search for
// its name finds the place; tests/gfx/differences_test.cpp shows what the
// device does instead, one test per entry.
//
// Every render, texture-stage and sampler state is accepted and stored
// (Get calls and state blocks return it); the ones below are not, or not
// fully, turned into pictures. States Direct3D defines only for calls this
// device does not have (patches, clip planes, volume textures, multiple
// render targets, vertex shaders of its own) are left out: with those
// calls missing, Direct3D draws the same.
#pragma once

namespace gfx {

// --- Texture stages ---------------------------------------------------

// Texture stages run: 0 and 1. The show enables stage 0 only; stage 1 is
// carried so a second stage still combines. Stages 2..7 are stored and
// never run: the cascade ends after stage 1 whatever their operations say.
constexpr int kTextureStagesRun = 2;

// A texture stage whose operation reads D3DTA_TEXTURE while no texture is
// bound passes the current colour on (untextured draws show their diffuse
// colour). Direct3D's documentation and runtimes disagree on this case.
constexpr bool kUntexturedStagePassesCurrent = true;

// D3DTA_TEMP and D3DTA_CONSTANT are not kept; they read as zero.
constexpr bool kTempAndConstantArgsReadZero = true;

// D3DTSS_RESULTARG is ignored: every stage writes D3DTA_CURRENT, also when
// told to write D3DTA_TEMP.
constexpr bool kResultArgIgnored = true;

// Texture operations beyond BLENDCURRENTALPHA (PREMODULATE, the four
// MODULATE..._ADD... ops, BUMPENVMAP, BUMPENVMAPLUMINANCE, DOTPRODUCT3,
// MULTIPLYADD, LERP) pass their first argument through.
constexpr bool kRareTextureOpsPassArg1 = true;

// --- Lighting and vertex processing -----------------------------------

// Spot lights are lit as point lights (no cone), and only light 0 is lit
// (the others are stored, so Get calls and state blocks keep them).
constexpr bool kSpotLightsLitAsPoint = true;
constexpr int kLitLightCount = 1;

// D3DVBF_TWEENING needs a second position, which an FVF vertex cannot
// carry: it draws as D3DVBF_DISABLE. D3DRS_INDEXEDVERTEXBLENDENABLE is
// ignored: blending always uses world matrices 0, 1, 2, 3 in order.
constexpr bool kTweeningBlendsNothing = true;
constexpr bool kIndexedBlendingIgnored = true;

// The fixed-function programs read texture-coordinate sets 0 and 1, two
// floats each (what every vertex format of the show carries); a texture
// transform sees a set as (u, v, 1, 0), so the third and fourth floats of
// a larger set are never read.
constexpr int kTexCoordSetsRead = 2;

// --- Rasterisation and output -----------------------------------------

// Fog (D3DRS_FOGENABLE and the fog colour, modes, distances and density)
// is not emulated.
constexpr bool kFogIgnored = true;

// No user clip planes can be set, so D3DRS_CLIPPLANEENABLE changes nothing
// (as in Direct3D with its default planes). GL always clips to the view
// volume: D3DRS_CLIPPING FALSE changes nothing either.
constexpr bool kClipPlanesIgnored = true;
constexpr bool kAlwaysClips = true;

// The automatic D16 depth buffer has no stencil bits, so the stencil
// states change nothing (as in Direct3D with D16).
constexpr bool kNoStencilBuffer = true;

// D3DZB_USEW depth-buffers with z, as D3DZB_TRUE does.
constexpr bool kWBufferIsZBuffer = true;

// D3DRS_DEPTHBIAS and D3DRS_SLOPESCALEDEPTHBIAS are ignored.
constexpr bool kDepthBiasIgnored = true;

// D3DFILL_POINT draws each vertex as a one-pixel point (Direct3D sizes
// them by the point-size states).
constexpr bool kPointFillIsOnePixel = true;

// Wireframe edges use GL's line rasterisation (diamond-exit rule), which
// can differ from Direct3D's by a pixel at line ends; D3DRS_LASTPIXEL and
// D3DRS_ANTIALIASEDLINEENABLE change nothing.
constexpr bool kWireframeUsesGlLines = true;

// D3DRS_WRAP0..15 (cylindrical texture wrapping) are ignored: coordinates
// interpolate the long way round.
constexpr bool kWrapStatesIgnored = true;

// D3DRS_SEPARATEALPHABLENDENABLE is ignored: alpha blends with the colour
// factors and operation.
constexpr bool kSeparateAlphaBlendIgnored = true;

// D3DRS_SRGBWRITEENABLE and D3DSAMP_SRGBTEXTURE are ignored: colours are
// written and sampled as stored. D3DRS_DITHERENABLE is ignored (8-bit
// targets).
constexpr bool kSrgbIgnored = true;
constexpr bool kDitherIgnored = true;

// The alpha test applies to the fixed-function path only; a program of
// the programmable path discards on its own.
constexpr bool kAlphaTestFixedFunctionOnly = true;

// --- Samplers and resources -------------------------------------------

// D3DTADDRESS_MIRRORONCE has no GL 3.3 core equivalent; it mirrors.
constexpr bool kMirrorOnceMirrors = true;

// D3DTEXF_PYRAMIDALQUAD, GAUSSIANQUAD and CONVOLUTIONMONO filter as
// D3DTEXF_POINT.
constexpr bool kQuadFiltersArePoint = true;

// One vertex stream (stream 0), FVF vertices only (no declarations).
constexpr int kVertexStreams = 1;

// Render-target textures have exactly one level.
constexpr int kRenderTargetLevels = 1;

// Texture formats: A8R8G8B8 and X8R8G8B8 only; depth: the automatic D16.
constexpr bool kOnlyArgbTextures = true;

}  // namespace gfx
