#include "image.h"

#include <algorithm>

float Field::AtWrap(int x, int y) const {
  x %= width_;
  y %= height_;
  if (x < 0) x += width_;
  if (y < 0) y += height_;
  return v_[y * width_ + x];
}

float Field::AtClamp(int x, int y) const {
  x = std::clamp(x, 0, width_ - 1);
  y = std::clamp(y, 0, height_ - 1);
  return v_[y * width_ + x];
}

void Field::Normalize() {
  if (v_.empty()) return;
  auto [lo, hi] = std::minmax_element(v_.begin(), v_.end());
  float l = *lo, span = *hi - *lo;
  if (span <= 0) return;
  for (float& v : v_) v = (v - l) / span;
}

void Image::Paint(const Field& coverage, const Rgba& color, double gain) {
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) {
      double c = std::clamp(coverage.At(x, y) * gain, 0.0, 1.0);
      if (c <= 0) continue;
      At(x, y) = Over(WithAlpha(color, c * color.a), At(x, y));
    }
}

void Image::AddGlow(const Field& mask, const Rgba& color, double gain) {
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) {
      float m = static_cast<float>(mask.At(x, y) * gain);
      if (m <= 0) continue;
      Rgba& p = At(x, y);
      p.r += color.r * m;
      p.g += color.g * m;
      p.b += color.b * m;
      float a = std::min(1.0f, m * color.a);
      p.a = p.a + a * (1.0f - p.a);
      // Premultiplied colour may not exceed alpha.
      p.r = std::min(p.r, p.a);
      p.g = std::min(p.g, p.a);
      p.b = std::min(p.b, p.a);
    }
}
