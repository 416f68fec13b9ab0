#include "platform/gfx/alpha_coverage.h"

#include <algorithm>

namespace gfx {

void AlphaCoverage::Build(const uint32_t* texels, UINT width, UINT height,
                          bool alphaIsOne) {
  width_ = width;
  height_ = height;
  columns_ = (width + kCellSize - 1) / kCellSize;
  rows_ = (height + kCellSize - 1) / kCellSize;
  std::vector<uint8_t> marked(static_cast<size_t>(columns_) * rows_,
                              alphaIsOne ? 1 : 0);
  opaque_ = true;
  if (!alphaIsOne) {
    for (UINT y = 0; y < height; ++y) {
      const uint32_t* row = texels + static_cast<size_t>(y) * width;
      uint8_t* cells = &marked[static_cast<size_t>(y / kCellSize) * columns_];
      for (UINT x = 0; x < width; ++x) {
        const uint32_t alpha = row[x] >> 24;
        if (alpha != 0) cells[x / kCellSize] = 1;
        if (alpha != 255) opaque_ = false;
      }
    }
  }
  sums_.assign(static_cast<size_t>(columns_ + 1) * (rows_ + 1), 0);
  for (UINT y = 0; y < rows_; ++y) {
    uint32_t rowSum = 0;
    for (UINT x = 0; x < columns_; ++x) {
      rowSum += marked[static_cast<size_t>(y) * columns_ + x];
      sums_[(y + 1) * (columns_ + 1) + x + 1] = Sum(x + 1, y) + rowSum;
    }
  }
}

bool AlphaCoverage::AnyVisible(int x0, int y0, int x1, int y1) const {
  x0 = std::max(x0, 0);
  y0 = std::max(y0, 0);
  x1 = std::min(x1, static_cast<int>(width_) - 1);
  y1 = std::min(y1, static_cast<int>(height_) - 1);
  if (x0 > x1 || y0 > y1) return false;
  const UINT cx0 = static_cast<UINT>(x0) / kCellSize;
  const UINT cy0 = static_cast<UINT>(y0) / kCellSize;
  const UINT cx1 = static_cast<UINT>(x1) / kCellSize + 1;
  const UINT cy1 = static_cast<UINT>(y1) / kCellSize + 1;
  return Sum(cx1, cy1) + Sum(cx0, cy0) != Sum(cx0, cy1) + Sum(cx1, cy0);
}

}  // namespace gfx
