#pragma once
// Palette refinement: the colours the principal-axis splitting found are
// moved by weighted k-means (Lloyd) iterations over the distinct colours in
// the engine's weighted colour space, and clusters with little use are
// moved to split those with the largest total error, before the colours are
// snapped to the output grid. Nearest-colour mapping then loses less in the
// same space the refinement minimised.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/engine_run.h"
#include "engine/histogram.h"
#include "engine/palette_adjust.h"

// Refinement levels: 0 off (the found colours stay as the splitting left
// them) .. 3 the most work.
constexpr int32_t RefineLevelMax = 3;

// Refines the cluster means `means` (as BuildPalette returns them; at most
// run.TargetColors of them are used) over `entries` at run.Job.Refine, and
// replaces `found` with the refined colours snapped to `grid`, each distinct
// colour once, at most run.TargetColors of them; when snapping merges
// colours the list is topped up from the earlier `found` colours not yet in
// it. Leaves `found` unchanged at level 0, with no means, and when the
// picture has no more distinct colours than run.TargetColors (the found
// colours are exact then). Deterministic: the same entries in the same
// order give the same colours. Polls the stop request between iterations;
// returns false when one was seen (`found` is then unchanged). May throw
// std::bad_alloc.
bool RefinePalette(TEngineRun& run, const OutputGrid& grid, std::span<const ColorEntry> entries,
                   std::span<const std::array<double, 3>> means, std::vector<FoundColor>& found);
