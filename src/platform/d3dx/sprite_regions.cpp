#include "platform/d3dx/sprite_regions.h"

#include <algorithm>
#include <cmath>

namespace {

// How far the level the sampler picks may sit from the exact log2 of the
// texel-to-pixel ratio: rasterisers approximate the logarithm and the
// derivatives (llvmpipe by a fraction of a level). Levels within this
// margin on either side are treated as sampled.
constexpr double kLodMargin = 0.25;
// Texels added on every side of the bilinear footprint, for coordinates
// that the rasteriser interpolates a rounding step away from the exact
// ones.
constexpr int kTexelMargin = 1;

// The texels (inclusive) that pixels with centres from a to b (sprite
// coordinates, a <= b) can read along one axis of a level: the sprite's
// corner at `offset`, `scale` sprite units per texel, the source starting
// at texel `first` of level 0, the level `shift` halvings down from a
// level-0 side of `size`.
void TexelSpan(double a, double b, double offset, double scale, double first,
               UINT size, int shift, int* lo, int* hi) {
  const double levelSize = std::max(1u, size >> shift);
  double t0 = first + (a - offset) / scale;
  double t1 = first + (b - offset) / scale;
  if (t0 > t1) std::swap(t0, t1);
  // Texel-space position p reads texels floor(p - 0.5) and the one after.
  const double p0 = t0 * levelSize / size, p1 = t1 * levelSize / size;
  *lo = static_cast<int>(std::floor(p0 - 0.5)) - kTexelMargin;
  *hi = static_cast<int>(std::floor(p1 - 0.5)) + 1 + kTexelMargin;
}

struct Span {
  int lo, hi;
};

}  // namespace

SpriteRegions FindSpriteRegions(
    const D3DXMATRIX& m, const RECT& source, const SpriteSampling& sampling,
    const D3DVIEWPORT9& viewport,
    const std::function<bool(UINT, const RECT&)>& visible,
    std::vector<RECT>* rects) {
  rects->clear();
  if (m._12 != 0.0f || m._21 != 0.0f || m._11 == 0.0f || m._22 == 0.0f ||
      sampling.width == 0 || sampling.height == 0 || sampling.levels == 0)
    return SpriteRegions::kWhole;

  // The levels the sampler can read.
  const UINT last = sampling.levels - 1;
  const UINT base = std::min<UINT>(sampling.maxMipLevel, last);
  UINT firstLevel = base, lastLevel = base;
  if (sampling.mipFilter != D3DTEXF_NONE) {
    const double rho = std::max(1.0 / std::fabs(m._11), 1.0 / std::fabs(m._22));
    const double lod = std::log2(rho) + sampling.lodBias;
    auto clampLevel = [&](double level) {
      if (level <= base) return base;
      return static_cast<UINT>(std::min<double>(level, last));
    };
    firstLevel = clampLevel(std::floor(lod - kLodMargin));
    lastLevel = clampLevel(std::floor(lod + kLodMargin) + 1);
  }

  // The quad's pixels, a pixel more on each side, inside the viewport,
  // widened to whole blocks of the target's grid.
  const double w = source.right - source.left;
  const double h = source.bottom - source.top;
  const double xa = m._41, xb = m._41 + w * m._11;
  const double ya = m._42, yb = m._42 + h * m._22;
  const int vx0 = static_cast<int>(viewport.X);
  const int vy0 = static_cast<int>(viewport.Y);
  const int vx1 = vx0 + static_cast<int>(viewport.Width);
  const int vy1 = vy0 + static_cast<int>(viewport.Height);
  const int px0 =
      std::max(vx0, static_cast<int>(std::floor(std::min(xa, xb))) - 1);
  const int py0 =
      std::max(vy0, static_cast<int>(std::floor(std::min(ya, yb))) - 1);
  const int px1 =
      std::min(vx1, static_cast<int>(std::ceil(std::max(xa, xb))) + 1);
  const int py1 =
      std::min(vy1, static_cast<int>(std::ceil(std::max(ya, yb))) + 1);
  if (px0 >= px1 || py0 >= py1) return SpriteRegions::kNothing;
  const int bx0 = px0 / kSpriteBlockSize, by0 = py0 / kSpriteBlockSize;
  const int bx1 = (px1 + kSpriteBlockSize - 1) / kSpriteBlockSize;
  const int by1 = (py1 + kSpriteBlockSize - 1) / kSpriteBlockSize;
  const int columns = bx1 - bx0, rows = by1 - by0;

  // Per level, the texel span of each block column and block row.
  const int levelCount = static_cast<int>(lastLevel - firstLevel + 1);
  std::vector<Span> xs(static_cast<size_t>(columns) * levelCount);
  std::vector<Span> ys(static_cast<size_t>(rows) * levelCount);
  auto blockPixels = [](int block, int lo, int hi, int* a, int* b) {
    *a = std::max(block * kSpriteBlockSize, lo);
    *b = std::min((block + 1) * kSpriteBlockSize, hi);
  };
  for (int l = 0; l < levelCount; ++l) {
    const int shift = static_cast<int>(firstLevel) + l;
    for (int c = 0; c < columns; ++c) {
      int a, b;
      blockPixels(bx0 + c, px0, px1, &a, &b);
      Span& s = xs[static_cast<size_t>(l) * columns + c];
      TexelSpan(a + 0.5, b - 0.5, m._41, m._11, source.left, sampling.width,
                shift, &s.lo, &s.hi);
    }
    for (int r = 0; r < rows; ++r) {
      int a, b;
      blockPixels(by0 + r, py0, py1, &a, &b);
      Span& s = ys[static_cast<size_t>(l) * rows + r];
      TexelSpan(a + 0.5, b - 0.5, m._42, m._22, source.top, sampling.height,
                shift, &s.lo, &s.hi);
    }
  }

  // Kept blocks, row by row, merged into runs; a run that continues one of
  // the rectangle above with the same columns extends it downwards.
  struct Open {
    int x0, x1, y0;
    bool continued;
  };
  std::vector<Open> open, next;
  int kept = 0;
  auto pixelX = [&](int c) {
    return std::clamp((bx0 + c) * kSpriteBlockSize, px0, px1);
  };
  auto pixelY = [&](int r) {
    return std::clamp((by0 + r) * kSpriteBlockSize, py0, py1);
  };
  auto close = [&](const Open& o, int rowEnd) {
    rects->push_back(
        {pixelX(o.x0), pixelY(o.y0), pixelX(o.x1), pixelY(rowEnd)});
  };
  for (int r = 0; r <= rows; ++r) {
    next.clear();
    for (Open& o : open) o.continued = false;
    int c = 0;
    while (r < rows && c < columns) {
      auto keep = [&](int column) {
        for (int l = 0; l < levelCount; ++l) {
          const Span& sx = xs[static_cast<size_t>(l) * columns + column];
          const Span& sy = ys[static_cast<size_t>(l) * rows + r];
          const RECT texels{sx.lo, sy.lo, sx.hi + 1, sy.hi + 1};
          if (visible(firstLevel + static_cast<UINT>(l), texels)) return true;
        }
        return false;
      };
      if (!keep(c)) {
        ++c;
        continue;
      }
      const int start = c;
      while (c < columns && keep(c)) ++c;
      kept += c - start;
      auto same = std::find_if(open.begin(), open.end(), [&](const Open& o) {
        return o.x0 == start && o.x1 == c;
      });
      if (same != open.end()) {
        same->continued = true;
        next.push_back(*same);
      } else {
        next.push_back({start, c, r, true});
      }
    }
    for (const Open& o : open)
      if (!o.continued) close(o, r);
    open.swap(next);
  }
  if (kept == 0) return SpriteRegions::kNothing;
  if (kept == columns * rows) {
    rects->clear();
    return SpriteRegions::kWhole;
  }
  return SpriteRegions::kRects;
}
