#include "engine/palette_adjust.h"

#include <algorithm>
#include <vector>

const std::array<ColorValue, 16> Fixed16Colors = {
    MakeColor(0, 0, 0),       MakeColor(128, 0, 0),     MakeColor(0, 128, 0),
    MakeColor(128, 128, 0),   MakeColor(0, 0, 128),     MakeColor(128, 0, 128),
    MakeColor(0, 128, 128),   MakeColor(128, 128, 128), MakeColor(192, 192, 192),
    MakeColor(255, 0, 0),     MakeColor(0, 255, 0),     MakeColor(255, 255, 0),
    MakeColor(0, 0, 255),     MakeColor(255, 0, 255),   MakeColor(0, 255, 255),
    MakeColor(255, 255, 255),
};

namespace {

// Levels per channel (red, green, blue) for each output precision.
constexpr int32_t GridLevelCounts[7][3] = {
    {6, 6, 6},    {16, 16, 16},    {32, 32, 32},    {32, 64, 32},
    {64, 64, 64}, {128, 128, 128}, {256, 256, 256},
};

void FillChannel(OutputGrid& grid, int channel, int32_t count) {
    grid.LevelCount[channel] = count;
    for (int32_t i = 0; i < count; ++i) {
        const int32_t level = i * 256 / (count - 1);
        grid.Levels[channel][i] = level < 255 ? level : 255;
    }
    int32_t below = 0;  // index of the greatest level <= value
    for (int32_t value = 0; value < 256; ++value) {
        while (below + 1 < count && grid.Levels[channel][below + 1] <= value) ++below;
        grid.Below[channel][value] = static_cast<uint8_t>(grid.Levels[channel][below]);
        const bool exact = grid.Levels[channel][below] == value;
        grid.Above[channel][value] =
            static_cast<uint8_t>(exact ? value : grid.Levels[channel][below + 1]);
    }
}

int64_t SquaredDistance(const ColorPoint& a, const ColorPoint& b) {
    const int64_t du = static_cast<int64_t>(a.U) - b.U;
    const int64_t dv = static_cast<int64_t>(a.V) - b.V;
    const int64_t dy = static_cast<int64_t>(a.Y) - b.Y;
    return du * du + dv * dv + dy * dy;
}

}  // namespace

OutputGrid PrepareOutputGrid(int32_t outputPrecision) {
    if (outputPrecision < 0 || outputPrecision > 6) outputPrecision = 6;
    OutputGrid grid;
    for (int channel = 0; channel < 3; ++channel)
        FillChannel(grid, channel, GridLevelCounts[outputPrecision][channel]);
    grid.Identity = outputPrecision == 6;
    return grid;
}

ColorValue SnapToOutputGrid(const OutputGrid& grid, const TColorSpace& space, ColorValue color) {
    // Every candidate of the identity grid is the colour itself.
    if (grid.Identity) return color & 0xFFFFFF;
    const int r = RedOf(color), g = GreenOf(color), b = BlueOf(color);
    const int reds[2] = {grid.Below[0][r], grid.Above[0][r]};
    const int greens[2] = {grid.Below[1][g], grid.Above[1][g]};
    const int blues[2] = {grid.Below[2][b], grid.Above[2][b]};
    const ColorPoint target = ToColorPoint(space, color);
    ColorValue best = 0;
    int64_t bestDistance = 2147483647;
    for (int ri = 0; ri < 2; ++ri) {
        for (int gi = 0; gi < 2; ++gi) {
            for (int bi = 0; bi < 2; ++bi) {
                const ColorValue candidate = MakeColor(reds[ri], greens[gi], blues[bi]);
                const int64_t distance = SquaredDistance(ToColorPoint(space, candidate), target);
                if (distance < bestDistance) {
                    bestDistance = distance;
                    best = candidate;
                }
            }
        }
    }
    return best;
}

void AssemblePalette(TEngineRun& run, const FoundColor* found, int32_t foundCount) {
    const int32_t target = run.TargetColors;
    std::vector<FoundColor> sorted(static_cast<size_t>(target));
    for (int32_t t = 0; t < target && t < foundCount; ++t) sorted[t] = found[t];
    // Keys are whole numbers, so comparing them directly is comparing their
    // difference truncated to an integer.
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const FoundColor& a, const FoundColor& b) { return a.Key < b.Key; });
    int32_t entry = 0;
    for (const FoundColor& colour : sorted) run.PaletteTable[entry++].Color = colour.Color;
    for (ColorValue locked : run.Job.LockedColors) run.PaletteTable[entry++].Color = locked & 0xFFFFFF;
    if (run.Job.AddFixed16) {
        for (ColorValue fixed : Fixed16Colors) run.PaletteTable[entry++].Color = fixed;
    }
    for (int32_t i = 0; i < entry; ++i)
        run.PaletteTable[i].Point = ToColorPoint(run.ColorSpace, run.PaletteTable[i].Color);
}

void AssembleReusedPalette(TEngineRun& run) {
    const int32_t count = run.TargetColors + (run.Job.AddFixed16 ? 16 : 0) +
                          static_cast<int32_t>(run.Job.LockedColors.size());
    for (int32_t i = 0; i < count; ++i) {
        const ColorValue color = run.Job.PaletteBuffer[i];
        run.PaletteTable[i] = TPaletteEntry{color, ToColorPoint(run.ColorSpace, color)};
    }
}

void AssembleFilePalette(TEngineRun& run) {
    const std::vector<ColorValue>& colors = run.Job.FilePalette;
    for (size_t i = 0; i < colors.size() && i < run.PaletteTable.size(); ++i) {
        const ColorValue color = colors[i] & 0xFFFFFF;
        run.PaletteTable[i] = TPaletteEntry{color, ToColorPoint(run.ColorSpace, color)};
    }
}
