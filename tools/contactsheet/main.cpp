// contactsheet: one PNG of every picture in the image catalogue, each
// labelled with its resource and slot, transparent pictures shown over a
// dark checkerboard. With --each DIR also writes every picture at full
// size over dark grey (what an overlay looks like over a dark frame).
//   contactsheet <assets dir> <sheet.png> [--each DIR]
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "art_util.h"
#include "catalog.h"
#include "image_decoder.h"
#include "image_encoder.h"
#include "image_stats.h"

namespace {

constexpr int kTile = 256, kLabel = 22, kCols = 8;

Rgba Pixel(const imagegen::DecodedImage& d, int x, int y) {
  const uint8_t* p = &d.rgba[(static_cast<size_t>(y) * d.width + x) * 4];
  float a = p[3] / 255.0f;
  return {p[0] / 255.0f * a, p[1] / 255.0f * a, p[2] / 255.0f * a, a};
}

Rgba Checker(int x, int y) {
  bool dark = ((x / 8) + (y / 8)) % 2;
  float g = dark ? 0.10f : 0.16f;
  return {g, g, g, 1};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr,
                 "usage: contactsheet <assets> <sheet.png> [--each DIR]\n");
    return 2;
  }
  std::filesystem::path root = argv[1];
  std::string each = argc > 4 && !std::strcmp(argv[3], "--each") ? argv[4] : "";
  const auto& cat = ImageCatalog();
  int rows = (static_cast<int>(cat.size()) + kCols - 1) / kCols;
  Image sheet(kCols * kTile, rows * (kTile + kLabel), {0.03f, 0.03f, 0.04f, 1});
  TextPainter text(Typeface::Sans);
  Field labels(sheet.width(), sheet.height());
  for (size_t i = 0; i < cat.size(); ++i) {
    const ImageEntry& e = cat[i];
    imagegen::DecodedImage d;
    std::string err;
    if (!imagegen::DecodeImage(
            imagegen::ReadFileBytes((root / e.file).string()), &d, &err)) {
      std::fprintf(stderr, "%s: %s\n", e.file, err.c_str());
      return 1;
    }
    ImageStats st = MeasureImage(d);
    std::printf(
        "%3d slot %2d  luma mean %.3f spread %.3f  black %5.2f%%  white "
        "%5.2f%%  transparent %5.1f%%\n",
        e.resource, e.slot, st.lumaMean, st.lumaSpread, 100 * st.blackShare,
        100 * st.whiteShare, 100 * st.transparentShare);
    int ox = static_cast<int>(i % kCols) * kTile;
    int oy = static_cast<int>(i / kCols) * (kTile + kLabel);
    double s = std::min((kTile - 8.0) / d.width, (kTile - 8.0) / d.height);
    int tw = std::max(1, static_cast<int>(d.width * s));
    int th = std::max(1, static_cast<int>(d.height * s));
    int bx = ox + (kTile - tw) / 2, by = oy + (kTile - th) / 2;
    // Box filter over the source pixels each tile pixel covers.
    for (int y = 0; y < th; ++y)
      for (int x = 0; x < tw; ++x) {
        int x0 = static_cast<int>(x / s),
            x1 = std::max(x0 + 1, static_cast<int>((x + 1) / s));
        int y0 = static_cast<int>(y / s),
            y1 = std::max(y0 + 1, static_cast<int>((y + 1) / s));
        Rgba acc;
        int n = 0;
        for (int sy = y0; sy < std::min(y1, d.height); ++sy)
          for (int sx = x0; sx < std::min(x1, d.width); ++sx, ++n) {
            Rgba p = Pixel(d, sx, sy);
            acc.r += p.r, acc.g += p.g, acc.b += p.b, acc.a += p.a;
          }
        acc = Scale(acc, 1.0 / std::max(1, n));
        sheet.At(bx + x, by + y) = Over(acc, Checker(x, y));
      }
    char label[96];
    std::snprintf(label, sizeof label, "%d  slot %d  %dx%d %s", e.resource,
                  e.slot, d.width, d.height, d.png ? "PNG" : "JPG");
    if (e.slot < 0)
      std::snprintf(label, sizeof label, "%d  icon  %dx%d PNG", e.resource,
                    d.width, d.height);
    text.Draw(&labels, label, ox + 8, oy + kTile + 15, 13, 0);
    if (!each.empty()) {
      Image full(d.width, d.height);
      for (int y = 0; y < d.height; ++y)
        for (int x = 0; x < d.width; ++x)
          full.At(x, y) = Over(Pixel(d, x, y), {0.13f, 0.13f, 0.13f, 1});
      auto bytes = EncodePng(full, {}, 1);
      std::filesystem::create_directories(each);
      std::string name = each + "/" + std::to_string(e.resource) + ".png";
      FILE* f = std::fopen(name.c_str(), "wb");
      if (f) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
      }
    }
  }
  sheet.Paint(labels, Opaque(0.85, 0.9, 1.0));
  auto bytes = EncodePng(sheet, {}, 1);
  FILE* f = std::fopen(argv[2], "wb");
  if (!f) return 1;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  std::printf("wrote %s (%d x %d)\n", argv[2], sheet.width(), sheet.height());
  return 0;
}
