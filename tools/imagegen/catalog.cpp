#include "catalog.h"

#include <fstream>
#include <set>
#include <sstream>

#include "art.h"
#include "image_encoder.h"
#include "rng.h"

namespace {

constexpr Rgba kBlack{0, 0, 0, 0};
constexpr Rgba kWhite{1, 1, 1, 1};
constexpr Rgba kCyan{0.55f, 0.9f, 1.0f, 1};
constexpr Rgba kAmber{1.0f, 0.75f, 0.35f, 1};

using F = ImageFormat;
using R = ImageRole;

}  // namespace

const std::vector<ImageEntry>& ImageCatalog() {
  static const std::vector<ImageEntry> kEntries = {
      {101, -1, "images/101_icon.png", F::Png, 64, 64, 0, R::Icon, PaintIcon,
       kCyan},
      {130, 7, "images/130_flash.jpg", F::Jpeg, 596, 575, 92, R::Flash,
       PaintFlash, kBlack},
      {131, 2, "images/131_knot_wire.png", F::Png, 512, 512, 0, R::Texture,
       PaintKnotWire, kCyan},
      {132, 1, "images/132_knot_solid.jpg", F::Jpeg, 256, 256, 92, R::Texture,
       PaintKnotSolid, kBlack},
      {133, 6, "images/133_title.png", F::Png, 800, 600, 0, R::Picture,
       PaintTitle, kCyan},
      {134, 8, "images/134_frame.png", F::Png, 800, 600, 0, R::Overlay,
       PaintFrame, kCyan},
      {136, 10, "images/136_frame_bars.png", F::Png, 800, 600, 0, R::Overlay,
       PaintFrameBars, kAmber},
      {137,
       11,
       "images/137_frame_ticks.png",
       F::Png,
       800,
       600,
       0,
       R::Overlay,
       PaintFrameTicks,
       {1.0f, 0.45f, 0.8f, 1}},
      {138, 4, "images/138_nebula.jpg", F::Jpeg, 512, 512, 92, R::Texture,
       PaintNebula, kBlack},
      {139, 0, "images/139_dot.jpg", F::Jpeg, 256, 256, 92, R::Sprite,
       PaintSwarmDot, kBlack},
      {141, 5, "images/141_panels.jpg", F::JpegProgressive, 512, 512, 92,
       R::Texture, PaintPanels, kBlack},
      {142, 12, "images/142_sky_ball.jpg", F::Jpeg, 512, 256, 92, R::Texture,
       PaintWarmSkyBall, kBlack},
      {143, 13, "images/143_deep_space.jpg", F::Jpeg, 512, 512, 92, R::Texture,
       PaintDeepSpace, kBlack},
      {144, 14, "images/144_metal.jpg", F::Jpeg, 512, 512, 92, R::Texture,
       PaintBrushedMetal, kBlack},
      {145,
       15,
       "images/145_hud.png",
       F::Png,
       800,
       600,
       0,
       R::Overlay,
       PaintHud,
       {0.5f, 1.0f, 0.7f, 1}},
      {146, 16, "images/146_strip.png", F::Png, 82, 1363, 0, R::TextStrip,
       PaintVerticalStrip, kCyan},
      {147, 17, "images/147_banner.png", F::Png, 800, 100, 0, R::TextStrip,
       PaintBanner1, kWhite},
      {148, 18, "images/148_banner.png", F::Png, 800, 100, 0, R::TextStrip,
       PaintBanner2, kWhite},
      {149, 19, "images/149_banner.png", F::Png, 800, 100, 0, R::TextStrip,
       PaintBanner3, kWhite},
      {150, 20, "images/150_banner.png", F::Png, 800, 100, 0, R::TextStrip,
       PaintBanner4, kWhite},
      {151, 21, "images/151_banner.png", F::Png, 800, 100, 0, R::TextStrip,
       PaintBanner5, kWhite},
      {152, 22, "images/152_banner.png", F::Png, 800, 100, 0, R::TextStrip,
       PaintBanner6, kWhite},
      {153, 23, "images/153_card.jpg", F::Jpeg, 256, 256, 95, R::Card,
       PaintCard1, kBlack},
      {154, 24, "images/154_card.jpg", F::Jpeg, 256, 256, 95, R::Card,
       PaintCard2, kBlack},
      {155, 25, "images/155_card.jpg", F::Jpeg, 256, 256, 95, R::Card,
       PaintCard3, kBlack},
      {156, 26, "images/156_card.jpg", F::Jpeg, 256, 256, 95, R::Card,
       PaintCard4, kBlack},
      {157, 27, "images/157_card.jpg", F::Jpeg, 256, 256, 95, R::Card,
       PaintCard5, kBlack},
      {158, 28, "images/158_card.jpg", F::Jpeg, 256, 256, 95, R::Card,
       PaintCard6, kBlack},
      {159, 29, "images/159_card.jpg", F::Jpeg, 256, 256, 95, R::Card,
       PaintCard7, kBlack},
      {160, 31, "images/160_static.jpg", F::Jpeg, 800, 600, 90, R::Static,
       PaintStatic1, kBlack},
      {161, 32, "images/161_static.jpg", F::Jpeg, 800, 600, 90, R::Static,
       PaintStatic2, kBlack},
      {162, 33, "images/162_static.jpg", F::Jpeg, 800, 600, 90, R::Static,
       PaintStatic3, kBlack},
      {163, 38, "images/163_hull.jpg", F::Jpeg, 512, 512, 92, R::Texture,
       PaintHull, kBlack},
      {164, 34, "images/164_ring_gold.jpg", F::Jpeg, 256, 256, 92, R::Texture,
       PaintRingGold, kBlack},
      {165, 35, "images/165_band_stripes.jpg", F::Jpeg, 400, 200, 92,
       R::Texture, PaintBandStripes, kBlack},
      {166, 36, "images/166_band_rivets.jpg", F::Jpeg, 400, 200, 92, R::Texture,
       PaintBandRivets, kBlack},
      {167, 37, "images/167_band_hex.jpg", F::Jpeg, 400, 200, 92, R::Texture,
       PaintBandHex, kBlack},
      {168, 30, "images/168_card.jpg", F::Jpeg, 256, 256, 95, R::Card,
       PaintCard8, kBlack},
  };
  return kEntries;
}

std::vector<uint8_t> RenderImage(const ImageEntry& entry) {
  Image img = entry.paint();
  uint64_t seed = HashInts(0x51A7E, entry.resource, 0x0D17);
  if (entry.format == ImageFormat::Png)
    return EncodePng(img, entry.bleed, seed);
  return EncodeJpeg(img, entry.quality,
                    entry.format == ImageFormat::JpegProgressive, seed);
}

bool UpdateManifest(const std::string& path,
                    const std::vector<ManifestLine>& lines) {
  std::set<std::pair<std::string, int>> ours;
  for (const auto& l : lines) ours.insert({l.type, l.number});
  std::ifstream in(path);
  if (!in) return false;
  std::ostringstream kept;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string type;
    int number = 0;
    if (line.empty() || line[0] == '#' || !(fields >> type >> number) ||
        !ours.count({type, number}))
      kept << line << '\n';
  }
  in.close();
  for (const auto& l : lines)
    kept << l.type << ' ' << l.number << ' ' << l.file << '\n';
  std::ofstream out(path, std::ios::trunc);
  out << kept.str();
  return static_cast<bool>(out);
}
