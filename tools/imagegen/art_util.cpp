#include "art_util.h"

#include <algorithm>
#include <cmath>

double SdRoundRect(double px, double py, double cx, double cy, double hw,
                   double hh, double r) {
  double qx = std::fabs(px - cx) - (hw - r);
  double qy = std::fabs(py - cy) - (hh - r);
  double ox = std::max(qx, 0.0), oy = std::max(qy, 0.0);
  return std::hypot(ox, oy) + std::min(std::max(qx, qy), 0.0) - r;
}

double DistSegment(double px, double py, double ax, double ay, double bx,
                   double by) {
  double dx = bx - ax, dy = by - ay;
  double len2 = dx * dx + dy * dy;
  double t =
      len2 > 0 ? std::clamp(((px - ax) * dx + (py - ay) * dy) / len2, 0.0, 1.0)
               : 0.0;
  return std::hypot(px - (ax + t * dx), py - (ay + t * dy));
}

double StrokeCoverage(double d, double width) {
  return std::clamp(width * 0.5 + 0.5 - std::fabs(d), 0.0, 1.0);
}

double FillCoverage(double sd) { return std::clamp(0.5 - sd, 0.0, 1.0); }

void DrawLine(Field* mask, double ax, double ay, double bx, double by,
              double width) {
  int pad = static_cast<int>(width) + 2;
  int x0 = std::max(0, static_cast<int>(std::min(ax, bx)) - pad);
  int x1 =
      std::min(mask->width() - 1, static_cast<int>(std::max(ax, bx)) + pad);
  int y0 = std::max(0, static_cast<int>(std::min(ay, by)) - pad);
  int y1 =
      std::min(mask->height() - 1, static_cast<int>(std::max(ay, by)) + pad);
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) {
      double c =
          StrokeCoverage(DistSegment(x + 0.5, y + 0.5, ax, ay, bx, by), width);
      float& m = mask->At(x, y);
      m = std::max(m, static_cast<float>(c));
    }
}

void DrawRoundRect(Field* mask, double x0, double y0, double x1, double y1,
                   double radius, double width) {
  double cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
  double hw = (x1 - x0) / 2, hh = (y1 - y0) / 2;
  for (int y = 0; y < mask->height(); ++y)
    for (int x = 0; x < mask->width(); ++x) {
      double d = SdRoundRect(x + 0.5, y + 0.5, cx, cy, hw, hh, radius);
      if (std::fabs(d) > width + 2) continue;
      float& m = mask->At(x, y);
      m = std::max(m, static_cast<float>(StrokeCoverage(d, width)));
    }
}

void FillRect(Field* mask, double x0, double y0, double x1, double y1,
              double value) {
  for (int y = std::max(0, static_cast<int>(y0) - 1);
       y < std::min(mask->height(), static_cast<int>(y1) + 2); ++y)
    for (int x = std::max(0, static_cast<int>(x0) - 1);
         x < std::min(mask->width(), static_cast<int>(x1) + 2); ++x) {
      double cx =
          std::clamp(std::min(x + 1.0, x1) - std::max(x + 0.0, x0), 0.0, 1.0);
      double cy =
          std::clamp(std::min(y + 1.0, y1) - std::max(y + 0.0, y0), 0.0, 1.0);
      float& m = mask->At(x, y);
      m = std::max(m, static_cast<float>(cx * cy * value));
    }
}

void MaxInto(Field* a, const Field& b) {
  for (size_t i = 0; i < a->values().size(); ++i)
    a->values()[i] = std::max(a->values()[i], b.values()[i]);
}

void PaintText(Image* img, const Field& mask, double top, double bottom,
               const TextStyle& style) {
  int w = mask.width(), h = mask.height();
  Field glow = mask;
  Blur(&glow, style.glowSigma, Edge::Clamp);
  img->AddGlow(glow, style.glow, style.glowGain);
  if (style.outlineWidth > 0) {
    Field outline = mask;
    Blur(&outline, style.outlineWidth * 0.6, Edge::Clamp);
    for (float& v : outline.values()) v = std::min(1.0f, v * 3.0f);
    img->Paint(outline, style.outline);
  }
  for (int y = 0; y < h; ++y) {
    double t =
        std::clamp((y + 0.5 - top) / std::max(1.0, bottom - top), 0.0, 1.0);
    Rgba fill = Lerp(style.fillTop, style.fillBottom, t);
    for (int x = 0; x < w; ++x) {
      // Light text on dark reads thin after blending in gamma space: lift
      // the coverage a little.
      double c = std::pow(std::clamp<double>(mask.At(x, y), 0.0, 1.0), 0.8);
      if (c <= 0) continue;
      img->At(x, y) = Over(WithAlpha(fill, c), img->At(x, y));
    }
  }
}
