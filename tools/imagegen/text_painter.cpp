#include "text_painter.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <vector>

namespace {

const char* FontPath(Typeface face) {
  switch (face) {
    case Typeface::Sans:
      return "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    case Typeface::SansBold:
      return "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
    case Typeface::Condensed:
      return "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf";
    case Typeface::Mono:
      return "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf";
  }
  return "";
}

std::vector<char32_t> Decode(const std::string& s) {
  std::vector<char32_t> out;
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    char32_t cp;
    int extra;
    if (c < 0x80) {
      cp = c, extra = 0;
    } else if ((c & 0xE0) == 0xC0) {
      cp = c & 0x1F, extra = 1;
    } else if ((c & 0xF0) == 0xE0) {
      cp = c & 0x0F, extra = 2;
    } else {
      cp = c & 0x07, extra = 3;
    }
    ++i;
    for (int k = 0; k < extra && i < s.size(); ++k, ++i)
      cp = (cp << 6) | (static_cast<unsigned char>(s[i]) & 0x3F);
    out.push_back(cp);
  }
  return out;
}

struct SpanTarget {
  Field* mask;
  int originX;  // whole-pixel part of the pen, added to span x
  int baseline;
};

void Spans(int y, int count, const FT_Span* spans, void* user) {
  auto* t = static_cast<SpanTarget*>(user);
  int row = t->baseline - 1 - y;
  if (row < 0 || row >= t->mask->height()) return;
  for (int i = 0; i < count; ++i) {
    float c = spans[i].coverage / 255.0f;
    for (int k = 0; k < spans[i].len; ++k) {
      int x = t->originX + spans[i].x + k;
      if (x < 0 || x >= t->mask->width()) continue;
      float& m = t->mask->At(x, row);
      m = std::max(m, c);
    }
  }
}

}  // namespace

struct TextPainter::Impl {
  FT_Library lib = nullptr;
  FT_Face face = nullptr;

  void SetSize(double size) const {
    FT_Set_Char_Size(face, static_cast<FT_F26Dot6>(std::lround(size * 64)), 0,
                     72, 72);
  }
  // Advance of glyph `g` plus kerning towards `next`, in pixels.
  double Advance(FT_UInt g, FT_UInt prev) const {
    double kern = 0;
    if (prev && FT_HAS_KERNING(face)) {
      FT_Vector k;
      if (FT_Get_Kerning(face, prev, g, FT_KERNING_UNFITTED, &k) == 0)
        kern = k.x / 64.0;
    }
    FT_Load_Glyph(face, g, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP);
    return kern + face->glyph->linearHoriAdvance / 65536.0;
  }
};

TextPainter::TextPainter(Typeface face) : impl_(std::make_unique<Impl>()) {
  if (FT_Init_FreeType(&impl_->lib) != 0)
    throw std::runtime_error("FreeType did not start");
  if (FT_New_Face(impl_->lib, FontPath(face), 0, &impl_->face) != 0)
    throw std::runtime_error(std::string("cannot open font ") + FontPath(face));
}

TextPainter::~TextPainter() {
  if (impl_->face) FT_Done_Face(impl_->face);
  if (impl_->lib) FT_Done_FreeType(impl_->lib);
}

double TextPainter::Measure(const std::string& utf8, double size,
                            double tracking) const {
  impl_->SetSize(size);
  double pen = 0;
  FT_UInt prev = 0;
  auto cps = Decode(utf8);
  for (size_t i = 0; i < cps.size(); ++i) {
    FT_UInt g = FT_Get_Char_Index(impl_->face, cps[i]);
    pen += impl_->Advance(g, prev);
    // Kerning happens before the glyph; Advance folded it in.
    if (i + 1 < cps.size()) pen += tracking;
    prev = g;
  }
  return pen;
}

double TextPainter::CapHeight(double size) const {
  impl_->SetSize(size);
  FT_Load_Char(impl_->face, 'H', FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP);
  FT_BBox box;
  FT_Outline_Get_CBox(&impl_->face->glyph->outline, &box);
  return box.yMax / 64.0;
}

double TextPainter::SizeForCapHeight(double capHeight) const {
  return 100.0 * capHeight / CapHeight(100.0);
}

void TextPainter::Draw(Field* mask, const std::string& utf8, double x,
                       double baselineY, double size, double tracking) const {
  impl_->SetSize(size);
  double pen = x;
  FT_UInt prev = 0;
  SpanTarget target{mask, 0, static_cast<int>(std::lround(baselineY))};
  for (char32_t cp : Decode(utf8)) {
    FT_UInt g = FT_Get_Char_Index(impl_->face, cp);
    double kern = 0;
    if (prev && FT_HAS_KERNING(impl_->face)) {
      FT_Vector k;
      if (FT_Get_Kerning(impl_->face, prev, g, FT_KERNING_UNFITTED, &k) == 0)
        kern = k.x / 64.0;
    }
    pen += kern;
    FT_Load_Glyph(impl_->face, g, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP);
    FT_GlyphSlot slot = impl_->face->glyph;
    double whole = std::floor(pen);
    target.originX = static_cast<int>(whole);
    FT_Outline_Translate(&slot->outline,
                         static_cast<FT_Pos>(std::lround((pen - whole) * 64)),
                         0);
    FT_Raster_Params params{};
    params.flags = FT_RASTER_FLAG_AA | FT_RASTER_FLAG_DIRECT;
    params.gray_spans = Spans;
    params.user = &target;
    FT_Outline_Render(impl_->lib, &slot->outline, &params);
    pen += slot->linearHoriAdvance / 65536.0 + tracking;
    prev = g;
  }
}

void TextPainter::DrawCentered(Field* mask, const std::string& utf8, double cx,
                               double baselineY, double size,
                               double tracking) const {
  Draw(mask, utf8, cx - Measure(utf8, size, tracking) / 2, baselineY, size,
       tracking);
}
