// Gradient noise, fBm and cell noise. The 2D functions are periodic: the
// lattice wraps after `period` cells, so a texture made of them tiles.
#pragma once

#include <cstdint>

// Improved gradient noise on a lattice that repeats every (px, py) cells;
// roughly in [-1, 1].
double TileNoise(double x, double y, int px, int py, uint64_t seed);

// fBm over the unit square, tiling in u and v: `fx` x `fy` cells in the
// first octave, lacunarity 2, amplitude `gain` per octave, normalised to
// roughly [-1, 1].
double TileFbm(double u, double v, int fx, int fy, int octaves, double gain,
               uint64_t seed);

// Same, summing |noise| (turbulence, roughly [0, 1]).
double TileTurbulence(double u, double v, int fx, int fy, int octaves,
                      double gain, uint64_t seed);

// Non-periodic 3D gradient noise and fBm, roughly in [-1, 1].
double Noise3(double x, double y, double z, uint64_t seed);
double Fbm3(double x, double y, double z, int octaves, double gain,
            uint64_t seed);

// Worley cells over the unit square with n x m cells (wrapping), one
// feature point per cell: distances in cell units to the nearest (f1) and
// second nearest (f2) point, and a hash of the nearest cell.
struct CellSample {
  double f1, f2;
  uint64_t id;
};
CellSample TileCells(double u, double v, int n, int m, uint64_t seed);

// Smooth Hermite step and its quintic cousin.
double SmoothStep(double e0, double e1, double x);
