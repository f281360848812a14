#pragma once
// Palette adjustment: the output grid every found colour is snapped to, the
// 16 fixed colours, and the assembly of the final palette.

#include <array>
#include <cstdint>

#include "engine/color_space.h"
#include "engine/engine_run.h"

// One ascending table of channel levels per channel (red, green, blue).
// The first level is always 0, the last always 255.
struct OutputGrid {
    std::array<int32_t, 256> Levels[3]{};
    int32_t LevelCount[3] = {0, 0, 0};
    // For each channel value, the greatest level <= it and the smallest
    // level >= it (derived from Levels).
    std::array<uint8_t, 256> Below[3]{};
    std::array<uint8_t, 256> Above[3]{};
    bool Identity = false;  // 888: every value is a level
};

// outputPrecision 0 "Web" (6 levels), 1 "444" (16), 2 "555" (32),
// 3 "655" (32, 64 green, 32), 4 "666" (64), 5 "777" (128), 6 "888" (256).
// Level i of n is min(255, floor(i * 256 / (n - 1))). Values outside 0..6
// are treated as 6.
OutputGrid PrepareOutputGrid(int32_t outputPrecision);

// The grid colour nearest to `color` in the weighted colour space among the
// 8 corners of the grid cell around it (first of equally near corners, red
// below/above outermost, blue innermost).
ColorValue SnapToOutputGrid(const OutputGrid& grid, const TColorSpace& space, ColorValue color);

// The 16 fixed colours, appended after the found colours when asked for.
extern const std::array<ColorValue, 16> Fixed16Colors;

// A palette colour found by palette construction with its sort key, the Y
// of its ColorPoint.
struct FoundColor {
    ColorValue Color = 0;
    double Key = 0;
};

// Fills run.PaletteTable entries 0 .. TargetColors + locked + 16*AddFixed16 - 1:
// the first TargetColors found colours (black for those not found) in
// ascending key order (stable: equal keys keep their order, found colours
// before the black fill), then the job's LockedColors in their order, then
// the fixed colours in table order; each
// entry with its ColorPoint. `found` may hold more than TargetColors
// entries; only the first TargetColors are used.
void AssemblePalette(TEngineRun& run, const FoundColor* found, int32_t foundCount);

// The same entries taken unchanged from the job's PaletteBuffer (a palette
// an earlier run with the same palette key assembled).
void AssembleReusedPalette(TEngineRun& run);

// Entries 0 .. FilePalette.size() - 1 are the job's FilePalette, unchanged
// and in its order (never snapped to the output grid).
void AssembleFilePalette(TEngineRun& run);
