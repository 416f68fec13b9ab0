// The texture bank's slots, named after what their images show. Sections
// and the glow object address images only through these numbers.
#pragma once

namespace slot {

enum TextureSlot : int {
  kDot = 0,          // soft round point, the Arms sprites
  kKnotSolid = 1,    // topuz's solid knot
  kKnotWire = 2,     // topuz's wireframe
  kNebula = 4,       // backdrop of topuz and Greets
  kPanels = 5,       // backdrop of Shine, the tunnel's walls
  kTitle = 6,        // the picture topuz fades in
  kFlash = 7,        // the flash picture, also Shine's wireframe
  kFrame = 8,        // the overlay frame on top of most sections
  kFrameBars = 10,   // Shine's second overlay
  kFrameTicks = 11,  // Shine's third overlay
  kSkyBall = 12,     // sphere map of the Tunnel object
  kDeepSpace = 13,   // backdrop of Arms and Uzun
  kMetal = 14,       // Titrek's and Shine's surface
  kHud = 15,         // the Tunnel's top layer
  kStrip = 16,       // the Tunnel's upward scrolling strip
  kBanner1 = 17,     // scrolling banners, one per section from Titrek on
  kBanner2 = 18,
  kBanner3 = 19,
  kBanner4 = 20,
  kBanner5 = 21,
  kBanner6 = 22,
  kCard1 = 23,  // greeting cards, shown in turn by Greets
  kCard8 = 30,
  kStatic1 = 31,  // full-screen noise pictures of Noise
  kStatic2 = 32,
  kStatic3 = 33,
  kRingGold = 34,     // the Greets rings' camera-space-normal map
  kBandStripes = 35,  // the banded column's three textures
  kBandRivets = 36,
  kBandHex = 37,
  kHull = 38,  // the glider's hull
};

}  // namespace slot
