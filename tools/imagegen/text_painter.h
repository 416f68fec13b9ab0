// Draws text into coverage Fields with FreeType, from Debian's DejaVu
// outlines. Positions are kept in fractional pixels (never rounded per
// glyph), so spacing stays even; coverage is FreeType's linear alpha.
#pragma once

#include <memory>
#include <string>

#include "image.h"

enum class Typeface { Sans, SansBold, Condensed, Mono };

class TextPainter {
 public:
  // Throws std::runtime_error when FreeType or the font cannot be opened.
  explicit TextPainter(Typeface face);
  ~TextPainter();
  TextPainter(const TextPainter&) = delete;
  TextPainter& operator=(const TextPainter&) = delete;

  // Width in pixels of `utf8` at `size` pixels per em, with `tracking`
  // extra pixels after every glyph but the last.
  double Measure(const std::string& utf8, double size, double tracking) const;
  // Height of a capital H above the baseline at `size`.
  double CapHeight(double size) const;
  // Size whose capital height is `capHeight` pixels.
  double SizeForCapHeight(double capHeight) const;
  // Adds the coverage of the text, baseline at row `baselineY`, left edge at
  // `x`, into `mask` (keeping the larger coverage where glyphs meet).
  void Draw(Field* mask, const std::string& utf8, double x, double baselineY,
            double size, double tracking) const;
  // Draws centred on `cx`.
  void DrawCentered(Field* mask, const std::string& utf8, double cx,
                    double baselineY, double size, double tracking) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
