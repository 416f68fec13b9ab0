#include "platform/d3dx/image_resample.h"

#include <algorithm>
#include <cmath>

namespace {

struct Tap {
  int index;
  float weight;
};

// Weights of source texels for each destination texel along one axis.
std::vector<std::vector<Tap>> AxisWeights(int src, int dst) {
  std::vector<std::vector<Tap>> taps(dst);
  const double scale = double(dst) / src;
  for (int d = 0; d < dst; ++d) {
    if (scale <= 1.0) {
      // Area: the source span [d/scale, (d+1)/scale) with partial texels.
      const double lo = d / scale, hi = (d + 1) / scale;
      for (int s = int(std::floor(lo)); s < int(std::ceil(hi)) && s < src;
           ++s) {
        const double cover = std::min(hi, s + 1.0) - std::max(lo, double(s));
        if (cover > 0) taps[d].push_back({s, float(cover * scale)});
      }
    } else {
      // Bilinear between texel centres, clamped at the edges.
      const double pos = (d + 0.5) / scale - 0.5;
      int s0 = int(std::floor(pos));
      const float t = float(pos - s0);
      const int a = std::clamp(s0, 0, src - 1);
      const int b = std::clamp(s0 + 1, 0, src - 1);
      taps[d].push_back({a, 1.0f - t});
      taps[d].push_back({b, t});
    }
  }
  return taps;
}

uint32_t Pack(const float c[4]) {
  uint32_t out = 0;
  for (int k = 0; k < 4; ++k) {
    const int v = std::clamp(int(c[k] + 0.5f), 0, 255);
    out |= uint32_t(v) << (8 * k);
  }
  return out;
}

}  // namespace

int NextPowerOfTwo(int n) {
  int p = 1;
  while (p < n) p <<= 1;
  return p;
}

std::vector<uint32_t> ResampleImage(const std::vector<uint32_t>& src, int w,
                                    int h, int dw, int dh) {
  if (w == dw && h == dh) return src;
  const auto xTaps = AxisWeights(w, dw), yTaps = AxisWeights(h, dh);
  // Horizontal pass into float rows (four channels in byte order), then a
  // vertical pass that adds whole rows, so both walk memory in order.
  std::vector<float> rows(size_t(dw) * h * 4, 0.0f);
  for (int y = 0; y < h; ++y) {
    const uint8_t* in = reinterpret_cast<const uint8_t*>(&src[size_t(y) * w]);
    float* out = &rows[size_t(y) * dw * 4];
    for (int x = 0; x < dw; ++x, out += 4) {
      for (const Tap& t : xTaps[x]) {
        const uint8_t* px = in + size_t(t.index) * 4;
        out[0] += t.weight * px[0];
        out[1] += t.weight * px[1];
        out[2] += t.weight * px[2];
        out[3] += t.weight * px[3];
      }
    }
  }
  std::vector<uint32_t> dst(size_t(dw) * dh);
  std::vector<float> acc(size_t(dw) * 4);
  for (int y = 0; y < dh; ++y) {
    std::fill(acc.begin(), acc.end(), 0.0f);
    for (const Tap& t : yTaps[y]) {
      const float* in = &rows[size_t(t.index) * dw * 4];
      for (size_t i = 0; i < acc.size(); ++i) acc[i] += t.weight * in[i];
    }
    for (int x = 0; x < dw; ++x) dst[size_t(y) * dw + x] = Pack(&acc[4 * x]);
  }
  return dst;
}

std::vector<uint32_t> HalveImage(const std::vector<uint32_t>& src, int w, int h,
                                 int* nw, int* nh) {
  *nw = std::max(1, w / 2);
  *nh = std::max(1, h / 2);
  std::vector<uint32_t> dst(size_t(*nw) * *nh);
  for (int y = 0; y < *nh; ++y) {
    for (int x = 0; x < *nw; ++x) {
      const int x0 = std::min(2 * x, w - 1), x1 = std::min(2 * x + 1, w - 1);
      const int y0 = std::min(2 * y, h - 1), y1 = std::min(2 * y + 1, h - 1);
      const uint32_t p[4] = {src[size_t(y0) * w + x0], src[size_t(y0) * w + x1],
                             src[size_t(y1) * w + x0],
                             src[size_t(y1) * w + x1]};
      uint32_t out = 0;
      for (int k = 0; k < 4; ++k) {
        uint32_t sum = 0;
        for (uint32_t q : p) sum += (q >> (8 * k)) & 255;
        out |= ((sum + 2) / 4) << (8 * k);
      }
      dst[size_t(y) * *nw + x] = out;
    }
  }
  return dst;
}
