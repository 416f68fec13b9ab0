// Meshes that bend through vertex blending (topuz, Shine): the mesh is
// converted to the one-weight layout and each vertex gets a weight from
// where it lies along some measure (its distance from the origin, its x).
#pragma once

#include "toolkit/mesh_object.h"

// Position, one blend weight, normal, one texture coordinate set: 36 bytes.
inline constexpr DWORD kBlendFvf = D3DFVF_XYZB1 | D3DFVF_NORMAL | D3DFVF_TEX1;

// Where a vertex lies, from its position (x, y, z).
using BlendMeasure = float (*)(const float* position);

// Converts the mesh to kBlendFvf and writes each vertex's weight
// w = 1 - 0.25 sin(pi u), u being the vertex's measure scaled to 0..1 over
// the mesh: both ends of the range follow the world matrix alone, the
// middle takes a quarter of its position from the second blend matrix.
// A mesh whose vertices all measure the same gets weight 1 everywhere
// (it does not bend). Returns the conversion's failure, or E_FAIL when the
// converted vertices are not the 36-byte layout or cannot be locked; the
// weights are written only into that layout.
HRESULT PrepareBlendWeights(MeshObject& mesh, BlendMeasure measure);
