#pragma once
// Palette geometry and the five mapping modes: none, gPeanos, DiffuseFS,
// Maem, Anime.

#include "engine/engine_run.h"

class TNearestCache;

struct PaletteGeometry {
    double Mean[3] = {0, 0, 0};
    double MaxProjection[13] = {};
    double MinProjection[13] = {};
    int32_t Extent[3] = {0, 0, 0};
};

// Over PaletteTable entries 0 .. count-1 (found and fixed colours only).
PaletteGeometry ComputePaletteGeometry(const TPaletteEntry* table, int count);

// Maps run's current picture into run.Indexes by run.Job.DitherMode.
// Writes Progress and polls the stop request per row (gPeanos: see the
// implementation). Returns false when stopped.
bool MapPixels(TEngineRun& run, const PaletteGeometry& geometry, TNearestCache& cache);
