#pragma once
// Transparency from the pictures' alpha: which pixels are transparent, and
// the working copies of the pictures in which every transparent pixel
// carries one marker value, so the histogram and every mapping mode treat
// it exactly as a pixel of the transparent corner colour.

#include <cstdint>
#include <vector>

#include "engine/engine_run.h"

// The marker: above every ColorValue and unequal to NoTransColor.
constexpr uint32_t MarkedTransColor = 0x2000000;

// True when job.UseAlpha is on and some pixel of some picture with alpha
// has an alpha below job.AlphaThreshold.
bool AlphaMakesTransparent(const ReduceJob& job);

// Fills run.MarkedPixels with one copy per picture in which pixels with
// alpha below the threshold, and pixels equal to cornerColor (NoTransColor
// for none), are MarkedTransColor. Throws std::bad_alloc when memory runs out.
void MarkTransparentPixels(TEngineRun& run, uint32_t cornerColor);
