#pragma once
// Palette geometry and the five mapping modes: 0 none, 1 gPeanos,
// 2 DiffuseFS, 3 Maem, 4 Anime.

#include "engine/engine_run.h"

class TNearestCache;

// The palette's extent in the weighted colour space, over the found and
// fixed colours (never the transparent entry).
struct PaletteGeometry {
    double Mean[3] = {0, 0, 0};  // mean U, V, Y
    // Greatest and least projection on each of the 13 directions of
    // GeometryDirections; together they bound a 26-sided hull.
    double MaxProjection[13] = {};
    double MinProjection[13] = {};
    // Range of U, V and Y (directions 0..2), truncated toward zero: diffused
    // error is clamped to +-Extent per coordinate.
    int32_t Extent[3] = {0, 0, 0};
};

// The 13 directions as (U, V, Y) multipliers, not normalised.
inline constexpr int GeometryDirections[13][3] = {
    {1, 0, 0}, {0, 1, 0},  {0, 0, 1}, {1, 1, 0},  {1, 0, 1},   {1, 0, -1}, {1, -1, 0},
    {0, 1, 1}, {0, 1, -1}, {1, 1, 1}, {1, -1, 1}, {1, -1, -1}, {1, 1, -1}};

// Over PaletteTable entries 0 .. count-1 (found and fixed colours only).
// count <= 0 gives an all-zero geometry.
PaletteGeometry ComputePaletteGeometry(const TPaletteEntry* table, int count);

// Maps run's current picture (Pixels, Width x Height) into run.Indexes by
// run.Job.DitherMode (a value outside 0..4 maps as mode none), with the
// depth run.Job.DitherDepth and spread run.Job.SpreadOption. Pixels equal to
// run.TransColor get run.Job.TransIndex. The cache must have been Reset on
// run.PaletteTable and run.SearchCount.
//
// Progress: 800 + 200*r/H after row r in the row modes; in gPeanos
// 800 + 200*n/N before pixel n of N (written when the value changes).
// Stop requests: polled after every row in the row modes, and in gPeanos
// each time its progress value changes (at most 201 times per picture).
// Returns false when stopped; the indexes are then incomplete.
// Allocates only per picture (the error rows), never per pixel.
bool MapPixels(TEngineRun& run, const PaletteGeometry& geometry, TNearestCache& cache);
