// Where a sprite can change the picture at all.
//
// The show's overlays are mostly clear: the frame leaves four fifths of the
// screen untouched, the HUD nearly nine tenths. A sprite pixel whose
// filter reads only texels of alpha zero (on every mip level it can
// sample) gets alpha zero, fails the sprite's alpha test and writes
// nothing. So the screen is cut into blocks, a block is kept when any
// texel its pixels can read is visible, and the kept blocks are merged
// into rectangles; the sprite then draws its one quad once per rectangle
// with the scissor test on. The quad, its interpolation and its coverage
// stay exactly those of the single draw, so the pixels it writes are the
// same, and the pixels it leaves out are the ones it would not have
// changed.
#pragma once

#include <functional>
#include <vector>

#include "platform/d3dx/d3dx9math.h"
#include "platform/gfx/d3d9.h"

// How a sprite's texture is sampled: the level-0 size, the level count and
// the sampler states that decide which texels a pixel reads.
struct SpriteSampling {
  UINT width = 0;
  UINT height = 0;
  UINT levels = 1;
  DWORD mipFilter = D3DTEXF_NONE;
  DWORD maxMipLevel = 0;  // the largest (most detailed) level used
  float lodBias = 0.0f;
};

enum class SpriteRegions {
  kWhole,    // draw the quad as it is (no saving, or not axis-aligned)
  kRects,    // draw it once per rectangle, scissored
  kNothing,  // every pixel it covers would read clear texels only
};

// Screen blocks are this many pixels square, on a grid from the target's
// top-left corner (a quarter of llvmpipe's 64-pixel tile, so a partly
// covered tile still skips its clear quarters).
constexpr int kSpriteBlockSize = 16;

// The quad spans `source` of the texture (texel units) with its corner
// (x, y) placed at (x * m._11 + y * m._21 + m._41, x * m._12 + y * m._22 +
// m._42) in sprite coordinates, where pixel i's centre is at i + 0.5. Only
// axis-aligned placements (m._12 = m._21 = 0) are cut up. `visible(level,
// texels)` says whether a texel rectangle of a level may be visible (the
// texture's AnyTexelVisible). The rectangles are in target pixels, inside
// the viewport, and do not overlap.
SpriteRegions FindSpriteRegions(
    const D3DXMATRIX& m, const RECT& source, const SpriteSampling& sampling,
    const D3DVIEWPORT9& viewport,
    const std::function<bool(UINT, const RECT&)>& visible,
    std::vector<RECT>* rects);
