#pragma once
// The palette a reduction would build, without mapping any picture: the
// colours of any number of pictures are counted one picture at a time and
// the counts merged, so memory grows with the distinct colours, never with
// the pixels or the number of pictures. The colour list, and so the
// palette, are those an integrated batch of the same pictures builds.

#include <cstdint>
#include <vector>

#include "engine/reduce_job.h"

// One distinct colour at the source precision and how many pixels have it.
struct TColorCount {
    ColorValue Color = 0;
    uint32_t Count = 0;  // saturates at 2^32-1
};

// The trimmed colours of one picture (sourceMask as in ReduceJob), skipping
// pixels whose whole value equals transColor (NoTransColor: none), ascending
// by colour value. Takes 4 bytes per pixel while counting.
std::vector<TColorCount> CountPictureColors(const ColorValue* pixels, size_t pixelCount,
                                            int32_t sourceMask, uint32_t transColor);

// Adds more into total; both ascending, total stays ascending.
void MergeColorCounts(std::vector<TColorCount>& total, const std::vector<TColorCount>& more);

// Builds the palette of job's settings (FillReduceJob) from counts: the
// found colours, the locked colours and the fixed 16, without the
// transparent entry, exactly as RunJob assembles them. A job with a file
// palette gives that palette. False when the settings are out of range
// (RunJob's rules) or a stop was requested. Counts above 2^31-1 pixels are
// taken as 2^31-1. counts is consumed (freed once the colour list is made):
// the list and the builder's scratch take 32 bytes per distinct colour.
bool BuildPaletteFromCounts(ReduceJob& job, std::vector<TColorCount>&& counts,
                            std::vector<ColorValue>& palette);
