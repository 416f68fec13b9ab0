// Small drawing helpers shared by the painters: fields from functions,
// signed distances of simple shapes, antialiased strokes and layered text.
#pragma once

#include <string>

#include "filters.h"
#include "image.h"
#include "text_painter.h"

// Builds a field from f(u, v, x, y), with (u, v) the texel centre in 0..1.
template <class Fn>
Field MakeField(int w, int h, Fn f) {
  Field out(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      out.At(x, y) =
          static_cast<float>(f((x + 0.5) / w, (y + 0.5) / h, x + 0.5, y + 0.5));
  return out;
}

// Fills a picture from f(u, v, x, y) -> Rgba.
template <class Fn>
Image MakeImage(int w, int h, Fn f) {
  Image out(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      out.At(x, y) = f((x + 0.5) / w, (y + 0.5) / h, x + 0.5, y + 0.5);
  return out;
}

// Signed distance to a rounded rectangle (centre, half sizes, corner radius).
double SdRoundRect(double px, double py, double cx, double cy, double hw,
                   double hh, double r);
// Distance to the segment a-b.
double DistSegment(double px, double py, double ax, double ay, double bx,
                   double by);
// Antialiased coverage of a line of `width` pixels at distance d.
double StrokeCoverage(double d, double width);
// Antialiased coverage of the inside of a signed distance.
double FillCoverage(double sd);

// Adds a straight line of `width` px from a to b into mask (max).
void DrawLine(Field* mask, double ax, double ay, double bx, double by,
              double width);
// Adds a rectangle outline with rounded corners into mask (max).
void DrawRoundRect(Field* mask, double x0, double y0, double x1, double y1,
                   double radius, double width);
// Adds a filled rectangle (antialiased) into mask (max).
void FillRect(Field* mask, double x0, double y0, double x1, double y1,
              double value = 1.0);

// Max of two fields, into a.
void MaxInto(Field* a, const Field& b);

// Layers text the way the overlays and banners show it: a tinted glow, a
// dark outline, then the fill with a vertical gradient between `top` and
// `bottom` rows.
struct TextStyle {
  Rgba fillTop{1, 1, 1, 1};
  Rgba fillBottom{0.8f, 0.9f, 1, 1};
  Rgba outline{0.02f, 0.03f, 0.08f, 1};
  double outlineWidth = 2.0;  // pixels
  Rgba glow{0.4f, 0.8f, 1, 1};
  double glowSigma = 5.0;
  double glowGain = 1.8;
};
void PaintText(Image* img, const Field& mask, double top, double bottom,
               const TextStyle& style);
