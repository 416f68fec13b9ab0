#include "filters.h"

#include <algorithm>
#include <cmath>

namespace {

std::vector<double> Kernel(double sigma) {
  int r = std::max(1, static_cast<int>(std::ceil(sigma * 3.0)));
  std::vector<double> k(2 * r + 1);
  double sum = 0;
  for (int i = -r; i <= r; ++i) {
    k[i + r] = std::exp(-0.5 * (i * i) / (sigma * sigma));
    sum += k[i + r];
  }
  for (double& v : k) v /= sum;
  return k;
}

int Index(int i, int n, Edge edge) {
  if (edge == Edge::Clamp) return std::clamp(i, 0, n - 1);
  int r = i % n;
  return r < 0 ? r + n : r;
}

// One pass along rows (stride 1) or columns, over a float array.
void Pass(std::vector<float>* v, int w, int h, bool rows,
          const std::vector<double>& k, Edge edge) {
  int r = static_cast<int>(k.size() / 2);
  int len = rows ? w : h, lines = rows ? h : w;
  std::vector<float> line(len);
  for (int l = 0; l < lines; ++l) {
    for (int i = 0; i < len; ++i)
      line[i] = rows ? (*v)[l * w + i] : (*v)[i * w + l];
    for (int i = 0; i < len; ++i) {
      double s = 0;
      for (int j = -r; j <= r; ++j)
        s += k[j + r] * line[Index(i + j, len, edge)];
      (rows ? (*v)[l * w + i] : (*v)[i * w + l]) = static_cast<float>(s);
    }
  }
}

}  // namespace

void Blur(Field* f, double sigma, Edge edge) {
  if (sigma <= 0) return;
  auto k = Kernel(sigma);
  Pass(&f->values(), f->width(), f->height(), true, k, edge);
  Pass(&f->values(), f->width(), f->height(), false, k, edge);
}

void Blur(Image* img, double sigma, Edge edge) {
  int w = img->width(), h = img->height();
  for (int c = 0; c < 4; ++c) {
    Field f(w, h);
    for (int i = 0; i < w * h; ++i) {
      const Rgba& p = img->pixels()[i];
      f.values()[i] = c == 0 ? p.r : c == 1 ? p.g : c == 2 ? p.b : p.a;
    }
    Blur(&f, sigma, edge);
    for (int i = 0; i < w * h; ++i) {
      Rgba& p = img->pixels()[i];
      (c == 0 ? p.r : c == 1 ? p.g : c == 2 ? p.b : p.a) = f.values()[i];
    }
  }
}

Lighting BumpLight(const Field& height, double strength, double lx, double ly,
                   double lz, double shininess, Edge edge) {
  int w = height.width(), h = height.height();
  Lighting out{Field(w, h), Field(w, h)};
  double ll = std::sqrt(lx * lx + ly * ly + lz * lz);
  lx /= ll, ly /= ll, lz /= ll;
  // Half vector between the light and a viewer straight above.
  double hx = lx, hy = ly, hz = lz + 1.0;
  double hl = std::sqrt(hx * hx + hy * hy + hz * hz);
  hx /= hl, hy /= hl, hz /= hl;
  auto at = [&](int x, int y) {
    return edge == Edge::Wrap ? height.AtWrap(x, y) : height.AtClamp(x, y);
  };
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      double dx = (at(x + 1, y - 1) + 2 * at(x + 1, y) + at(x + 1, y + 1)) -
                  (at(x - 1, y - 1) + 2 * at(x - 1, y) + at(x - 1, y + 1));
      double dy = (at(x - 1, y + 1) + 2 * at(x, y + 1) + at(x + 1, y + 1)) -
                  (at(x - 1, y - 1) + 2 * at(x, y - 1) + at(x + 1, y - 1));
      double nx = -strength * dx, ny = -strength * dy, nz = 1.0;
      double nl = std::sqrt(nx * nx + ny * ny + nz * nz);
      nx /= nl, ny /= nl, nz /= nl;
      double d = std::max(0.0, nx * lx + ny * ly + nz * lz);
      double s =
          std::pow(std::max(0.0, nx * hx + ny * hy + nz * hz), shininess);
      out.diffuse.At(x, y) = static_cast<float>(0.15 + 0.85 * d);
      out.specular.At(x, y) = static_cast<float>(s);
    }
  return out;
}

double ToLinear(double s) {
  s = std::clamp(s, 0.0, 1.0);
  return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
}

double ToSrgb(double l) {
  l = std::clamp(l, 0.0, 1.0);
  return l <= 0.0031308 ? l * 12.92 : 1.055 * std::pow(l, 1.0 / 2.4) - 0.055;
}

ColorRamp::ColorRamp(std::vector<Key> keys) : keys_(std::move(keys)) {
  for (Key& k : keys_) {
    k.r = ToLinear(k.r);
    k.g = ToLinear(k.g);
    k.b = ToLinear(k.b);
  }
}

Rgba ColorRamp::operator()(double t) const {
  t = std::clamp(t, 0.0, 1.0);
  if (t <= keys_.front().t)
    return Opaque(ToSrgb(keys_.front().r), ToSrgb(keys_.front().g),
                  ToSrgb(keys_.front().b));
  for (size_t i = 1; i < keys_.size(); ++i) {
    const Key& a = keys_[i - 1];
    const Key& b = keys_[i];
    if (t <= b.t) {
      double f = (t - a.t) / std::max(1e-9, b.t - a.t);
      return Opaque(ToSrgb(a.r + (b.r - a.r) * f),
                    ToSrgb(a.g + (b.g - a.g) * f),
                    ToSrgb(a.b + (b.b - a.b) * f));
    }
  }
  const Key& l = keys_.back();
  return Opaque(ToSrgb(l.r), ToSrgb(l.g), ToSrgb(l.b));
}
