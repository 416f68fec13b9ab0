#include "glow_model.h"

#include <algorithm>
#include <cmath>

namespace {

// The screen quad's half-extent in normalised device coordinates: a 20-unit
// square seen from 6 units with a projection scale of cot(45 rad).
const double kQuadExtent = 10.0 / std::tan(45.0) / 6.0;

float SampleWrap(const GreyImage& image, double u, double v) {
  const double x = u * image.width - 0.5;
  const double y = v * image.height - 0.5;
  const double x0 = std::floor(x);
  const double y0 = std::floor(y);
  const double fx = x - x0;
  const double fy = y - y0;
  auto texel = [&](double tx, double ty) {
    int ix = static_cast<int>(tx) % image.width;
    int iy = static_cast<int>(ty) % image.height;
    if (ix < 0) ix += image.width;
    if (iy < 0) iy += image.height;
    return static_cast<double>(image.at(ix, iy));
  };
  const double top = texel(x0, y0) * (1 - fx) + texel(x0 + 1, y0) * fx;
  const double bottom =
      texel(x0, y0 + 1) * (1 - fx) + texel(x0 + 1, y0 + 1) * fx;
  return static_cast<float>(top * (1 - fy) + bottom * fy);
}

// Texture coordinates the quad gives Direct3D pixel (i, j) of a target when
// its clip-space position is scaled by `scale`; false outside the quad.
bool QuadCoordinates(int i, int j, int width, int height, double scale,
                     double* u, double* v) {
  const double x = 2.0 * i / width - 1.0;   // pixel centres at integers
  const double y = 1.0 - 2.0 * j / height;  // y grows upward in clip space
  const double extent = kQuadExtent * scale;
  if (std::fabs(x) > extent || std::fabs(y) > extent) return false;
  *u = 0.5 + x / (2.0 * extent);
  *v = 0.5 - y / (2.0 * extent);
  return true;
}

float ToUnorm8(double value) {
  return static_cast<float>(std::round(std::clamp(value, 0.0, 255.0)));
}

}  // namespace

GreyImage ModelProcessGlow(const GreyImage& source, float pixelSize,
                           bool shrink) {
  // Taps from the far side in, and their weights (they add up to 1.05).
  const double weights[4] = {0.1, 0.3, 0.4, 0.25};
  const double steps[4] = {3, 2, 1, 0};
  const int directions[4][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
  GreyImage current = source;
  double scale = 1.0;
  for (int pass = 0; pass < 4; ++pass) {
    if (shrink) scale *= 0.985f;
    GreyImage next(current.width, current.height, 0.0f);
    for (int j = 0; j < next.height; ++j) {
      for (int i = 0; i < next.width; ++i) {
        double u = 0;
        double v = 0;
        if (!QuadCoordinates(i, j, next.width, next.height, scale, &u, &v)) {
          continue;
        }
        double sum = 0;
        for (int tap = 0; tap < 4; ++tap) {
          const double du = directions[pass][0] * steps[tap] * pixelSize;
          const double dv = directions[pass][1] * steps[tap] * pixelSize;
          sum += weights[tap] * SampleWrap(current, u + du, v + dv);
        }
        next.at(i, j) = ToUnorm8(sum);
      }
    }
    current = next;
  }
  return current;
}

GreyImage ModelComposeGlow(const GreyImage& glow, const GreyImage& frame) {
  GreyImage out = frame;
  for (int j = 0; j < out.height; ++j) {
    for (int i = 0; i < out.width; ++i) {
      double u = 0;
      double v = 0;
      if (!QuadCoordinates(i, j, out.width, out.height, 1.015f, &u, &v)) {
        continue;
      }
      out.at(i, j) = std::max(out.at(i, j), ToUnorm8(SampleWrap(glow, u, v)));
    }
  }
  return out;
}
