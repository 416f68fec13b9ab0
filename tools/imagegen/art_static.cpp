// TV static: three frames that the last section flips between ten times a
// second. Grey Gaussian grain, each row smeared by a one-pole low-pass (the
// limited bandwidth of an analog line), every other row dimmed (scan
// lines), a slow rolling brightness bar and a few bright torn rows.
#include <algorithm>
#include <cmath>

#include "art.h"
#include "art_util.h"
#include "rng.h"

namespace {

Image Static(uint64_t seed, double barPhase) {
  const int w = 800, h = 600;
  Image img(w, h);
  Rng rows(Mix64(seed + 1));
  for (int y = 0; y < h; ++y) {
    Rng rng(HashInts(seed, y));
    // A torn row: brighter, shifted and more smeared.
    bool torn = rows.Unit() < 0.02;
    double gain = (y % 2 ? 0.85 : 1.0) * (torn ? 1.6 : 1.0);
    double bar = 0.08 * std::sin(2 * 3.14159265 * (y / 600.0 * 1.3 + barPhase));
    double pole = torn ? 0.75 : 0.45;
    double s = 0;
    double tint = rng.Range(-0.02, 0.02);
    for (int x = 0; x < w; ++x) {
      double g = rng.Gauss();
      s = pole * s + (1 - pole) * g;
      double v =
          0.45 + bar + 0.24 * s / std::sqrt((1 - pole) / (1 + pole)) * 0.5;
      v = std::clamp(v * gain, 0.0, 1.0);
      img.At(x, y) = Opaque(std::clamp(v + tint, 0.0, 1.0), v,
                            std::clamp(v - tint, 0.0, 1.0));
    }
  }
  return img;
}

}  // namespace

Image PaintStatic1() { return Static(HashInts(160, 1), 0.0); }
Image PaintStatic2() { return Static(HashInts(161, 1), 0.33); }
Image PaintStatic3() { return Static(HashInts(162, 1), 0.66); }
