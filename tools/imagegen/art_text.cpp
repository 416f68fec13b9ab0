// Text pictures: the Tunnel's vertical strip, the scrolling banners and the
// greeting cards. All text is laid out to fill its picture, since banners
// scroll across the whole 800 px width at 40 % opacity.
#include <algorithm>
#include <cmath>
#include <string>

#include "art.h"
#include "art_util.h"
#include "noise.h"
#include "rng.h"

namespace {

// A 800 x 100 banner: one line of text with cap height 48..62 px spread
// over the width, white fill, dark outline and tinted glow, over a soft
// dark band of alpha 0.5.
Image Banner(const std::string& text, const Rgba& glow, uint64_t seed) {
  const int w = 800, h = 100;
  Image img(w, h);
  for (int y = 0; y < h; ++y) {
    double d = std::fabs(y + 0.5 - 50) / 50.0;
    double a = 0.5 * (1 - SmoothStep(0.62, 0.86, d));
    for (int x = 0; x < w; ++x) {
      double n =
          0.5 + 0.5 * TileFbm((x + 0.5) / w, (y + 0.5) / h, 8, 1, 3, 0.5, seed);
      img.At(x, y) =
          WithAlpha(Opaque(0.02, 0.03 + 0.03 * n, 0.08 + 0.06 * n), a);
    }
  }
  // Bold at cap height 58 when it fits, else smaller down to 48, else the
  // condensed cut.
  const double target = 770;
  double cap = 58;
  TextPainter bold(Typeface::SansBold);
  double width = bold.Measure(text, bold.SizeForCapHeight(cap), 0);
  if (width > target) cap = std::max(48.0, cap * target / width);
  width = bold.Measure(text, bold.SizeForCapHeight(cap), 0);
  TextPainter condensed(Typeface::Condensed);
  const TextPainter& painter = width > target ? condensed : bold;
  double size = painter.SizeForCapHeight(cap);
  width = painter.Measure(text, size, 0);
  if (width > target) {
    size *= target / width;
    cap = painter.CapHeight(size);
    width = painter.Measure(text, size, 0);
  }
  int glyphs = 0;
  for (char c : text) glyphs += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  double tracking =
      width < target ? std::min(14.0, (target - width) / (glyphs - 1)) : 0.0;
  width = painter.Measure(text, size, tracking);
  double baseline = std::round(50 + cap / 2);
  Field mask(w, h);
  painter.Draw(&mask, text, (w - width) / 2, baseline, size, tracking);
  // Thin rules at the band's edges.
  Field rules(w, h);
  DrawLine(&rules, 0, 8, w, 8, 2.0);
  DrawLine(&rules, 0, 92, w, 92, 2.0);
  img.Paint(rules, Lerp(glow, Opaque(1, 1, 1), 0.3), 0.6);
  TextStyle style;
  style.glow = glow;
  style.fillBottom = Lerp(Opaque(1, 1, 1), glow, 0.35);
  style.glowSigma = 5;
  style.glowGain = 1.8;
  style.outlineWidth = 2.5;
  PaintText(&img, mask, baseline - cap, baseline, style);
  return img;
}

// A 256 x 256 greeting card: dark gradient ground, rounded double frame, a
// small heading and one name fitted to 200 px width.
Image Card(const std::string& heading, const std::string& name,
           const Rgba& accent, uint64_t seed) {
  const int n = 256;
  Image img = MakeImage(n, n, [&](double u, double v, double, double) {
    double g = 0.5 + 0.5 * TileFbm(u, v, 3, 3, 4, 0.5, seed);
    double r = std::hypot(u - 0.5, v - 0.45);
    double k = (0.22 - 0.18 * v) * (1 - 0.8 * r) + 0.06 * g;
    Rgba base = Opaque(0.04, 0.04, 0.07);
    Rgba tint = Scale(accent, k);
    return Opaque(base.r + tint.r, base.g + tint.g, base.b + tint.b);
  });
  // Diagonal fine lines across the card for texture.
  Field hatch = MakeField(n, n, [&](double, double, double x, double y) {
    double s = std::fmod(x + y, 12.0);
    return 0.08 * StrokeCoverage(s - 6, 1.5);
  });
  img.Paint(hatch, accent);
  Field frame(n, n);
  DrawRoundRect(&frame, 10, 10, 246, 246, 18, 3.0);
  DrawRoundRect(&frame, 18, 18, 238, 238, 12, 1.6);
  Field glow = frame;
  Blur(&glow, 4, Edge::Clamp);
  img.AddGlow(glow, accent, 1.2);
  img.Paint(frame, Lerp(accent, Opaque(1, 1, 1), 0.4));
  TextPainter bold(Typeface::SansBold);
  // Heading: small tracked capitals.
  Field head(n, n);
  double hsize = bold.SizeForCapHeight(12);
  bold.DrawCentered(&head, heading, 128, 70, hsize, 4);
  TextStyle hs;
  hs.glow = accent;
  hs.glowSigma = 2.5;
  hs.glowGain = 1.0;
  hs.outlineWidth = 1.2;
  PaintText(&img, head, 58, 70, hs);
  // The name, as large as fits 200 px (cap height at most 64).
  double cap = 64;
  double size = bold.SizeForCapHeight(cap);
  double width = bold.Measure(name, size, 1);
  if (width > 200) {
    cap *= 200 / width;
    size = bold.SizeForCapHeight(cap);
  }
  double baseline = std::round(150 + cap / 2);
  Field mask(n, n);
  bold.DrawCentered(&mask, name, 128, baseline, size, 1);
  TextStyle ns;
  ns.glow = accent;
  ns.fillBottom = Lerp(Opaque(1, 1, 1), accent, 0.5);
  ns.glowSigma = 5;
  ns.glowGain = 1.6;
  ns.outlineWidth = 2.0;
  PaintText(&img, mask, baseline - cap, baseline, ns);
  // Three dots under the name.
  Field dots(n, n);
  for (int i = -1; i <= 1; ++i)
    for (int y = 196; y < 216; ++y)
      for (int x = 100; x < 156; ++x) {
        double d = std::hypot(x + 0.5 - (128 + 20 * i), y + 0.5 - 205) - 3.5;
        float& m = dots.At(x, y);
        m = std::max(m, static_cast<float>(FillCoverage(d)));
      }
  img.Paint(dots, Lerp(accent, Opaque(1, 1, 1), 0.3));
  return img;
}

}  // namespace

Image PaintVerticalStrip() {
  // Laid out horizontally at 1363 x 82, then turned a quarter clockwise
  // (an exact pixel permutation): the text reads top to bottom.
  const int w = 1363, h = 82;
  Image flat(w, h);
  for (int y = 0; y < h; ++y) {
    double d = std::fabs(y + 0.5 - 41) / 41.0;
    double a = 0.45 * (1 - SmoothStep(0.7, 0.95, d));
    for (int x = 0; x < w; ++x)
      flat.At(x, y) = WithAlpha(Opaque(0.0, 0.05, 0.10), a);
  }
  TextPainter painter(Typeface::SansBold);
  std::string text = "INTO THE TUBE • DEPTH 180 • HOLD ON •";
  double cap = 40;
  double size = painter.SizeForCapHeight(cap);
  double width = painter.Measure(text, size, 0);
  int glyphs = 0;
  for (char c : text) glyphs += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  double tracking = std::max(0.0, (w - 40 - width) / (glyphs - 1));
  if (width > w - 40) size *= (w - 40) / width, tracking = 0;
  width = painter.Measure(text, size, tracking);
  Field mask(w, h);
  double baseline = std::round(41 + cap / 2);
  painter.Draw(&mask, text, (w - width) / 2, baseline, size, tracking);
  TextStyle style;
  style.fillBottom = Opaque(0.6, 1.0, 0.85);
  style.glow = Opaque(0.3, 1.0, 0.7);
  style.glowSigma = 4;
  style.outlineWidth = 2.0;
  PaintText(&flat, mask, baseline - cap, baseline, style);
  Image strip(h, w);
  for (int y = 0; y < w; ++y)
    for (int x = 0; x < h; ++x) strip.At(x, y) = flat.At(y, h - 1 - x);
  return strip;
}

Image PaintBanner1() {
  return Banner("LIGHT • HEAT • SPIN", Opaque(1.0, 0.55, 0.25),
                HashInts(147, 1));
}
Image PaintBanner2() {
  return Banner("DEEPER INSIDE", Opaque(0.3, 1.0, 0.7), HashInts(148, 1));
}
Image PaintBanner3() {
  return Banner("THIRTY ARMS REACH", Opaque(0.35, 0.7, 1.0), HashInts(149, 1));
}
Image PaintBanner4() {
  return Banner("GREETINGS FLY OUT", Opaque(1.0, 0.8, 0.3), HashInts(150, 1));
}
Image PaintBanner5() {
  return Banner("THE LONG GLIDE", Opaque(0.55, 0.6, 1.0), HashInts(151, 1));
}
Image PaintBanner6() {
  return Banner("ALMOST THERE", Opaque(1.0, 0.4, 0.75), HashInts(152, 1));
}

Image PaintCard1() {
  return Card("GREETINGS TO", "NULLPHASE", Opaque(0.3, 0.8, 1.0),
              HashInts(153, 1));
}
Image PaintCard2() {
  return Card("GREETINGS TO", "ORBITRAX", Opaque(1.0, 0.6, 0.2),
              HashInts(154, 1));
}
Image PaintCard3() {
  return Card("GREETINGS TO", "VELMORA", Opaque(0.8, 0.35, 1.0),
              HashInts(155, 1));
}
Image PaintCard4() {
  return Card("GREETINGS TO", "KRYPTOLUX", Opaque(0.35, 1.0, 0.5),
              HashInts(156, 1));
}
Image PaintCard5() {
  return Card("GREETINGS TO", "TORVEKS", Opaque(1.0, 0.35, 0.35),
              HashInts(157, 1));
}
Image PaintCard6() {
  return Card("GREETINGS TO", "MAGNELIA", Opaque(1.0, 0.85, 0.3),
              HashInts(158, 1));
}
Image PaintCard7() {
  return Card("GREETINGS TO", "SYNTHALOR", Opaque(0.3, 0.55, 1.0),
              HashInts(159, 1));
}
Image PaintCard8() {
  return Card("AND ABOVE ALL", "YOU!", Opaque(1.0, 0.5, 0.85),
              HashInts(168, 1));
}
