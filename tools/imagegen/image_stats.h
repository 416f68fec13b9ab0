// Measures of a decoded picture that tell whether it has real detail:
// luminance spread and mean over its visible pixels, the share of clipped
// pixels and of transparent ones, and how well it tiles.
#pragma once

#include "image_decoder.h"

struct ImageStats {
  double lumaMean = 0;          // 0..1, over visible pixels (alpha > 0)
  double lumaSpread = 0;        // 98th minus 2nd percentile of luma, 0..1
  double blackShare = 0;        // visible pixels with r = g = b = 0
  double whiteShare = 0;        // visible pixels with r = g = b = 255
  double transparentShare = 0;  // pixels with alpha = 0, of all
};

ImageStats MeasureImage(const DecodedImage& img);

// Mean absolute luma step across the wrap edge (last column to first, or
// last row to first) divided by the mean step between neighbouring columns
// (rows) inside the picture: about 1 for a seamless tile.
double WrapSeamRatio(const DecodedImage& img, bool acrossColumns);

// Largest luma difference between a pixel and its mirror image across the
// vertical and horizontal centre lines, 0..1.
double MirrorAsymmetry(const DecodedImage& img);

// Rec. 601 luma of pixel (x, y), 0..1.
double Luma(const DecodedImage& img, int x, int y);
