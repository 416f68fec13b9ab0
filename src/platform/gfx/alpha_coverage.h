// A coarse map of where a texture level has texels that are not fully
// transparent: the level cut into square cells, a cell marked when any of
// its texels has an alpha above zero, and a summed-area table over the
// marks so that any rectangle is answered with four reads.
//
// The sprite asks it which parts of the screen a mostly transparent
// overlay can change at all; the device asks whether a texture is opaque
// everywhere (every alpha 255), which makes source-alpha blending a copy.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gfx/d3d9_types.h"

namespace gfx {

class AlphaCoverage {
 public:
  // Texels per cell side. Eight keeps the table of a 1024 x 1024 level at
  // 129 x 129 counts (65 KB) while a 16-pixel block of screen still finds
  // its clear cells.
  static constexpr UINT kCellSize = 8;

  // From the level's texels (0xAARRGGBB, rows top to bottom). With
  // alphaIsOne (X8R8G8B8) every texel counts as opaque.
  void Build(const uint32_t* texels, UINT width, UINT height, bool alphaIsOne);

  // Whether any texel in columns x0..x1 and rows y0..y1 (inclusive, clamped
  // to the level) may have an alpha above zero. Cell-sized: a clear texel
  // in a cell with a visible one answers true; a visible one never answers
  // false. An empty range (after clamping) answers false.
  bool AnyVisible(int x0, int y0, int x1, int y1) const;
  // Every texel's alpha is 255.
  bool opaque() const { return opaque_; }

 private:
  // Marked cells in columns [0, x) and rows [0, y).
  uint32_t Sum(UINT x, UINT y) const { return sums_[y * (columns_ + 1) + x]; }

  UINT width_ = 0;
  UINT height_ = 0;
  UINT columns_ = 0;
  UINT rows_ = 0;
  std::vector<uint32_t> sums_;  // (columns + 1) x (rows + 1)
  bool opaque_ = false;
};

}  // namespace gfx
