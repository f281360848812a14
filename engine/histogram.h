#pragma once
// The histogram stage: every source colour rounded to the source precision
// and counted, giving the distinct colours palette construction works on.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/engine_run.h"

// One distinct trimmed colour: its ColorPoint and how many pixels have it.
// (A split computes each entry's side of the cutting plane on the fly and
// partitions the entries directly, so no side flag is stored here.)
struct ColorEntry {
    int32_t U = 0;
    int32_t V = 0;
    int32_t Y = 0;
    int32_t Count = 0;
};

// Marker written for transparent pixels; sorts after every colour.
constexpr int32_t TransparentKey = 0x1000000;

// The rounded value of each channel level at the source precision given by
// sourceMask (7, 3, 1 or 0: the low bits cleared): entry i is
// min(255, i + (mask + 1) / 2) with the mask bits cleared.
std::array<int32_t, 256> MakeTrimTable(int32_t sourceMask);

// The distinct colours. When the list and the scratch a split needs fit in
// the job's work buffer (8 distinct colours or fewer per pixel, as in
// photographs) they live there, since fresh memory is slow to touch on some
// systems; otherwise the list has memory of its own and SplitScratch is
// empty. Not copyable: the spans may point into Owned.
struct TColorList {
    TColorList() = default;
    TColorList(const TColorList&) = delete;
    TColorList& operator=(const TColorList&) = delete;

    std::span<ColorEntry> Entries;
    std::span<ColorEntry> SplitScratch;  // room for Entries.size() entries, or empty
    std::vector<ColorEntry> Owned;
};

// Counts the trimmed colours of the job's pictures (all pictures of an
// integrated batch as one sequence), skipping pixels whose whole value
// equals run.TransColor. Uses run.Job.WorkBuffer (one int32 per pixel of
// all pictures) as scratch and, where they fit, for the list; beyond that
// the colour runs take 4 bytes per distinct colour and the counting a fixed
// 256 KB. Linear time. On return list.Entries holds the distinct colours
// ascending by red + 256 green + 65536 blue (possibly none).
// Sets Progress 50 after the colours are counted. Returns false when a stop
// request was seen at one of its two checks; the list is then incomplete.
// May throw std::bad_alloc.
bool BuildHistogram(TEngineRun& run, TColorList& list);
