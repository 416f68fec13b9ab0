// The painters of the individual pictures, grouped by kind in art_*.cpp.
#pragma once

#include "image.h"

// art_glow.cpp
Image PaintSwarmDot();  // slot 0
Image PaintFlash();     // slot 7
Image PaintIcon();      // window icon
// art_mirror.cpp: tiles mapped by camera-space normals
Image PaintKnotSolid();  // slot 1
Image PaintKnotWire();   // slot 2
Image PaintRingGold();   // slot 34
// art_space.cpp
Image PaintNebula();       // slot 4
Image PaintDeepSpace();    // slot 13
Image PaintWarmSkyBall();  // slot 12
// art_surface.cpp
Image PaintPanels();        // slot 5
Image PaintBrushedMetal();  // slot 14
Image PaintHull();          // slot 38
Image PaintBandStripes();   // slot 35
Image PaintBandRivets();    // slot 36
Image PaintBandHex();       // slot 37
// art_overlay.cpp
Image PaintTitle();       // slot 6
Image PaintFrame();       // slot 8
Image PaintFrameBars();   // slot 10
Image PaintFrameTicks();  // slot 11
Image PaintHud();         // slot 15
// art_text.cpp
Image PaintVerticalStrip();  // slot 16
Image PaintBanner1();        // slots 17..22
Image PaintBanner2();
Image PaintBanner3();
Image PaintBanner4();
Image PaintBanner5();
Image PaintBanner6();
Image PaintCard1();  // slots 23..30
Image PaintCard2();
Image PaintCard3();
Image PaintCard4();
Image PaintCard5();
Image PaintCard6();
Image PaintCard7();
Image PaintCard8();
// art_static.cpp
Image PaintStatic1();  // slots 31..33
Image PaintStatic2();
Image PaintStatic3();
