// Where each component sits inside a vertex of a given format, in the
// fixed order position, blend weights, normal, point size, diffuse,
// specular, texture coordinate sets (two floats each).
#pragma once

#include "platform/gfx/d3d9_types.h"

struct FvfLayout {
  UINT size = 0;  // bytes per vertex; 0 for a format this library rejects
  int position = -1;
  int positionFloats = 0;  // 3, or 4 for XYZRHW
  int weights = -1;
  int weightCount = 0;
  int normal = -1;
  int psize = -1;
  int diffuse = -1;
  int specular = -1;
  int texcoord = -1;  // first set
  int texcoordSets = 0;
};

FvfLayout GetFvfLayout(DWORD fvf);
