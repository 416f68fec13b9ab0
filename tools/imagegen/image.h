// Float pictures the generators compose: Field holds one scalar channel
// (height, mask, coverage), Image holds premultiplied RGBA in display
// (sRGB-encoded) units 0..1.
#pragma once

#include <vector>

struct Rgba {
  float r = 0, g = 0, b = 0, a = 0;
};

inline Rgba Opaque(double r, double g, double b) {
  return {static_cast<float>(r), static_cast<float>(g), static_cast<float>(b),
          1.0f};
}
// Straight colour with alpha, stored premultiplied.
inline Rgba WithAlpha(const Rgba& c, double a) {
  float fa = static_cast<float>(a);
  return {c.r * fa, c.g * fa, c.b * fa, fa};
}
inline Rgba Over(const Rgba& top, const Rgba& under) {
  float k = 1.0f - top.a;
  return {top.r + under.r * k, top.g + under.g * k, top.b + under.b * k,
          top.a + under.a * k};
}
inline Rgba Lerp(const Rgba& a, const Rgba& b, double t) {
  float ft = static_cast<float>(t);
  return {a.r + (b.r - a.r) * ft, a.g + (b.g - a.g) * ft,
          a.b + (b.b - a.b) * ft, a.a + (b.a - a.a) * ft};
}
inline Rgba Scale(const Rgba& c, double k) {
  float f = static_cast<float>(k);
  return {c.r * f, c.g * f, c.b * f, c.a * f};
}

class Field {
 public:
  Field() = default;
  Field(int width, int height, float value = 0.0f)
      : width_(width), height_(height), v_(width * height, value) {}
  int width() const { return width_; }
  int height() const { return height_; }
  float& At(int x, int y) { return v_[y * width_ + x]; }
  float At(int x, int y) const { return v_[y * width_ + x]; }
  float AtWrap(int x, int y) const;
  float AtClamp(int x, int y) const;
  std::vector<float>& values() { return v_; }
  const std::vector<float>& values() const { return v_; }
  // Rescales the values to span [0, 1].
  void Normalize();

 private:
  int width_ = 0, height_ = 0;
  std::vector<float> v_;
};

class Image {
 public:
  Image() = default;
  Image(int width, int height, Rgba fill = {})
      : width_(width), height_(height), px_(width * height, fill) {}
  int width() const { return width_; }
  int height() const { return height_; }
  Rgba& At(int x, int y) { return px_[y * width_ + x]; }
  const Rgba& At(int x, int y) const { return px_[y * width_ + x]; }
  std::vector<Rgba>& pixels() { return px_; }
  const std::vector<Rgba>& pixels() const { return px_; }
  // Lays `color` (straight) over the picture with per-pixel coverage.
  void Paint(const Field& coverage, const Rgba& color, double gain = 1.0);
  // Adds light: rgb += color * mask (alpha grows by the mask's share).
  void AddGlow(const Field& mask, const Rgba& color, double gain = 1.0);

 private:
  int width_ = 0, height_ = 0;
  std::vector<Rgba> px_;
};
