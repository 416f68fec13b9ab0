#include "image_stats.h"

#include <algorithm>
#include <cmath>
#include <vector>

double Luma(const imagegen::DecodedImage& img, int x, int y) {
  const uint8_t* p = &img.rgba[(static_cast<size_t>(y) * img.width + x) * 4];
  return (0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2]) / 255.0;
}

ImageStats MeasureImage(const imagegen::DecodedImage& img) {
  ImageStats s;
  std::vector<double> luma;
  size_t transparent = 0, black = 0, white = 0;
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x) {
      const uint8_t* p =
          &img.rgba[(static_cast<size_t>(y) * img.width + x) * 4];
      if (p[3] == 0) {
        ++transparent;
        continue;
      }
      luma.push_back(Luma(img, x, y));
      black += p[0] == 0 && p[1] == 0 && p[2] == 0;
      white += p[0] == 255 && p[1] == 255 && p[2] == 255;
    }
  size_t total = static_cast<size_t>(img.width) * img.height;
  s.transparentShare = static_cast<double>(transparent) / total;
  if (luma.empty()) return s;
  double sum = 0;
  for (double l : luma) sum += l;
  s.lumaMean = sum / luma.size();
  std::sort(luma.begin(), luma.end());
  s.lumaSpread = luma[luma.size() * 98 / 100] - luma[luma.size() * 2 / 100];
  s.blackShare = static_cast<double>(black) / luma.size();
  s.whiteShare = static_cast<double>(white) / luma.size();
  return s;
}

double WrapSeamRatio(const imagegen::DecodedImage& img, bool acrossColumns) {
  int n = acrossColumns ? img.width : img.height;
  int m = acrossColumns ? img.height : img.width;
  auto at = [&](int i, int k) {
    return acrossColumns ? Luma(img, i, k) : Luma(img, k, i);
  };
  double seam = 0, inner = 0;
  for (int k = 0; k < m; ++k) {
    seam += std::fabs(at(n - 1, k) - at(0, k));
    for (int i = 1; i < n; ++i) inner += std::fabs(at(i, k) - at(i - 1, k));
  }
  seam /= m;
  inner /= static_cast<double>(m) * (n - 1);
  return inner > 0 ? seam / inner : 0;
}

double MirrorAsymmetry(const imagegen::DecodedImage& img) {
  double worst = 0;
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x) {
      double l = Luma(img, x, y);
      worst = std::max(worst, std::fabs(l - Luma(img, img.width - 1 - x, y)));
      worst = std::max(worst, std::fabs(l - Luma(img, x, img.height - 1 - y)));
    }
  return worst;
}
