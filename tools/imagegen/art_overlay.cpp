// Full-screen pictures with alpha. The sprite draws them at 1.024 screen
// pixels per image pixel with the top-left corner on the screen's, so only
// x < 781 and y < 586 of the 800 x 600 image are seen: everything that
// matters stays inside x <= 770, y <= 575. Lines are at least 2 px wide,
// because the picture is resampled twice on its way to the screen.
#include <algorithm>
#include <cmath>
#include <string>

#include "art.h"
#include "art_util.h"
#include "noise.h"
#include "rng.h"

namespace {

constexpr int kW = 800, kH = 600;
// Frame box in image pixels: inset 16 px from the seen area.
constexpr double kLeft = 16, kTop = 16, kRight = 765, kBottom = 570;
// Centre of the seen screen in image pixels.
constexpr double kCx = 390.6, kCy = 293.0;

// Corner brackets: L shapes of `len` px just inside the frame corners.
void Brackets(Field* m, double inset, double len, double width) {
  double x0 = kLeft + inset, y0 = kTop + inset;
  double x1 = kRight - inset, y1 = kBottom - inset;
  DrawLine(m, x0, y0, x0 + len, y0, width);
  DrawLine(m, x0, y0, x0, y0 + len, width);
  DrawLine(m, x1, y0, x1 - len, y0, width);
  DrawLine(m, x1, y0, x1, y0 + len, width);
  DrawLine(m, x0, y1, x0 + len, y1, width);
  DrawLine(m, x0, y1, x0, y1 - len, width);
  DrawLine(m, x1, y1, x1 - len, y1, width);
  DrawLine(m, x1, y1, x1, y1 - len, width);
}

// Lines in a colour with a soft glow of the same hue.
void PaintLines(Image* img, const Field& lines, const Rgba& color,
                double glowSigma, double glowGain) {
  Field glow = lines;
  Blur(&glow, glowSigma, Edge::Clamp);
  img->AddGlow(glow, color, glowGain);
  Field halo = lines;
  Blur(&halo, 1.2, Edge::Clamp);
  img->Paint(halo, Opaque(0.0, 0.02, 0.05), 0.5);
  img->Paint(lines, Lerp(color, Opaque(1, 1, 1), 0.45));
}

// Small tracked lettering.
enum class Align { Left, Center, Right };
void Label(Image* img, const std::string& text, double x, double baseline,
           double cap, Align align, const Rgba& glow) {
  TextPainter painter(Typeface::SansBold);
  double size = painter.SizeForCapHeight(cap);
  double tracking = cap * 0.35;
  double w = painter.Measure(text, size, tracking);
  Field m(kW, kH);
  double left = align == Align::Right    ? x - w
                : align == Align::Center ? x - w / 2
                                         : x;
  painter.Draw(&m, text, left, baseline, size, tracking);
  TextStyle style;
  style.glow = glow;
  style.glowSigma = 3.0;
  style.glowGain = 1.4;
  style.outlineWidth = 1.5;
  style.fillBottom = Lerp(glow, Opaque(1, 1, 1), 0.6);
  PaintText(img, m, baseline - cap, baseline, style);
}

// The frame of every overlay: rounded rectangle, brackets, title.
Image FrameBase(const Rgba& accent, Field* extra) {
  Image img(kW, kH);
  Field lines(kW, kH);
  DrawRoundRect(&lines, kLeft, kTop, kRight, kBottom, 14, 2.2);
  Brackets(&lines, 8, 44, 3.5);
  if (extra) MaxInto(&lines, *extra);
  PaintLines(&img, lines, accent, 5.0, 1.3);
  Label(&img, "Q U O R B E L", kRight - 22, kBottom - 18, 11, Align::Right,
        accent);
  return img;
}

}  // namespace

Image PaintFrame() {
  Rgba cyan = Opaque(0.35, 0.85, 1.0);
  Image img = FrameBase(cyan, nullptr);
  Label(&img, "RT 2026", kLeft + 26, kTop + 30, 9, Align::Left, cyan);
  return img;
}

Image PaintFrameBars() {
  Rgba amber = Opaque(1.0, 0.68, 0.25);
  Field extra(kW, kH);
  // Side bars: a column of segments on each side, like level meters.
  for (int i = 0; i < 18; ++i) {
    double y = 120 + i * 19.0;
    double len = 10 + 12 * (0.5 + 0.5 * std::sin(i * 0.9));
    FillRect(&extra, kLeft + 10, y, kLeft + 10 + len, y + 10, 0.9);
    FillRect(&extra, kRight - 10 - len, y, kRight - 10, y + 10, 0.9);
  }
  // Ticks along the top and bottom edges.
  for (int i = 0; i <= 36; ++i) {
    double x = kLeft + 60 + i * ((kRight - kLeft - 120) / 36.0);
    double len = i % 6 == 0 ? 12 : 6;
    DrawLine(&extra, x, kTop + 6, x, kTop + 6 + len, 2.0);
    // The bottom row stops short of the title lettering.
    if (x < kRight - 210)
      DrawLine(&extra, x, kBottom - 6, x, kBottom - 6 - len, 2.0);
  }
  Image img = FrameBase(amber, &extra);
  Label(&img, "PHASE II", kLeft + 26, kTop + 34, 10, Align::Left, amber);
  return img;
}

Image PaintFrameTicks() {
  Rgba pink = Opaque(1.0, 0.40, 0.80);
  Field extra(kW, kH);
  // Fine ticks on all four edges and rings at the corners.
  for (int i = 0; i <= 60; ++i) {
    double x = kLeft + 40 + i * ((kRight - kLeft - 80) / 60.0);
    double len = i % 5 == 0 ? 14 : 6;
    DrawLine(&extra, x, kTop + 4, x, kTop + 4 + len, 2.0);
    if (x < kRight - 210)
      DrawLine(&extra, x, kBottom - 4, x, kBottom - 4 - len, 2.0);
  }
  for (int i = 0; i <= 40; ++i) {
    double y = kTop + 40 + i * ((kBottom - kTop - 80) / 40.0);
    double len = i % 5 == 0 ? 14 : 6;
    DrawLine(&extra, kLeft + 4, y, kLeft + 4 + len, y, 2.0);
    DrawLine(&extra, kRight - 4, y, kRight - 4 - len, y, 2.0);
  }
  for (double cx : {kLeft + 34.0, kRight - 34.0})
    for (double cy : {kTop + 34.0, kBottom - 34.0})
      for (int y = static_cast<int>(cy) - 12; y <= cy + 12; ++y)
        for (int x = static_cast<int>(cx) - 12; x <= cx + 12; ++x) {
          double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy) - 8;
          float& v = extra.At(x, y);
          v = std::max(v, static_cast<float>(StrokeCoverage(d, 2.2)));
        }
  Image img = FrameBase(pink, &extra);
  Label(&img, "PHASE III", kLeft + 56, kTop + 38, 10, Align::Left, pink);
  return img;
}

Image PaintHud() {
  Rgba green = Opaque(0.45, 1.0, 0.70);
  Image img(kW, kH);
  Field lines(kW, kH);
  Brackets(&lines, 14, 70, 3.0);
  Brackets(&lines, 26, 24, 2.0);
  // Crosshair with an open centre and a ring.
  for (int s : {-1, 1}) {
    DrawLine(&lines, kCx + s * 16, kCy, kCx + s * 56, kCy, 2.0);
    DrawLine(&lines, kCx, kCy + s * 16, kCx, kCy + s * 46, 2.0);
  }
  for (int y = static_cast<int>(kCy) - 40; y <= kCy + 40; ++y)
    for (int x = static_cast<int>(kCx) - 40; x <= kCx + 40; ++x) {
      double d = std::hypot(x + 0.5 - kCx, y + 0.5 - kCy) - 32;
      double ang = std::atan2(y + 0.5 - kCy, x + 0.5 - kCx);
      // Four arcs of the ring, broken at the crosshair lines.
      double gap = std::fabs(std::sin(2 * ang));
      float& v = lines.At(x, y);
      v = std::max(v, static_cast<float>(StrokeCoverage(d, 2.0) *
                                         SmoothStep(0.25, 0.4, gap)));
    }
  // Scale marks along the left edge and the bottom edge.
  for (int i = 0; i <= 30; ++i) {
    double y = 130 + i * 11.0;
    DrawLine(&lines, kLeft + 14, y, kLeft + 14 + (i % 5 == 0 ? 18 : 8), y, 2.0);
  }
  for (int i = 0; i <= 40; ++i) {
    double x = 190 + i * 10.0;
    DrawLine(&lines, x, kBottom - 14, x, kBottom - 14 - (i % 5 == 0 ? 16 : 7),
             2.0);
  }
  PaintLines(&img, lines, green, 4.0, 1.4);
  Label(&img, "DEPTH", kLeft + 44, 124, 9, Align::Left, green);
  Label(&img, "VECTOR 180", kRight - 44, kTop + 50, 9, Align::Right, green);
  return img;
}

Image PaintTitle() {
  Image img(kW, kH);
  // Soft vignette: dark alpha towards the edges, none in the middle.
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      double dx = (x + 0.5 - kCx) / 420.0, dy = (y + 0.5 - kCy) / 320.0;
      double r = std::sqrt(dx * dx + dy * dy);
      double a = 0.5 * SmoothStep(0.7, 1.25, r);
      img.At(x, y) = WithAlpha(Opaque(0.01, 0.0, 0.04), a);
    }
  TextPainter painter(Typeface::SansBold);
  // Cap height up to 90 px, as wide as fits 680 px.
  std::string title = "Q U O R B E L";
  double cap = 90;
  double size = painter.SizeForCapHeight(cap);
  double width = painter.Measure(title, size, 0);
  if (width > 680) {
    cap *= 680 / width;
    size = painter.SizeForCapHeight(cap);
  }
  Field mask(kW, kH);
  double baseline = std::round(kCy + cap / 2);
  painter.DrawCentered(&mask, title, kCx, baseline, size, 0);
  // Rules above and below the title, fading towards their ends.
  Field rules(kW, kH);
  for (double ry : {kCy - cap / 2 - 28, kCy + cap / 2 + 28})
    for (int y = static_cast<int>(ry) - 3; y <= ry + 3; ++y)
      for (int x = 90; x < 690; ++x) {
        double fade = 1 - std::pow(std::fabs(x + 0.5 - kCx) / 300.0, 3);
        double c = StrokeCoverage(y + 0.5 - ry, 2.0) * std::max(0.0, fade);
        rules.At(x, y) = static_cast<float>(c);
      }
  Field ruleGlow = rules;
  Blur(&ruleGlow, 4, Edge::Clamp);
  img.AddGlow(ruleGlow, Opaque(0.6, 0.4, 1.0), 1.5);
  img.Paint(rules, Opaque(0.85, 0.9, 1.0));
  // Wide violet glow under the letters, then the lettering itself.
  Field wide = mask;
  Blur(&wide, 18, Edge::Clamp);
  img.AddGlow(wide, Opaque(0.55, 0.25, 1.0), 1.6);
  TextStyle style;
  style.fillTop = Opaque(1, 1, 1);
  style.fillBottom = Opaque(0.55, 0.85, 1.0);
  style.glow = Opaque(0.4, 0.85, 1.0);
  style.glowSigma = 6;
  style.glowGain = 1.6;
  style.outlineWidth = 2.5;
  PaintText(&img, mask, baseline - cap, baseline, style);
  Label(&img, "A  REAL - TIME  JOURNEY", kCx, kCy + cap / 2 + 66, 12,
        Align::Center, Opaque(0.6, 0.5, 1.0));
  return img;
}
