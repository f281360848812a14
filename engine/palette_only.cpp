#include "engine/palette_only.h"

#include <algorithm>
#include <climits>
#include <memory>

#include "engine/histogram.h"
#include "engine/palette_adjust.h"
#include "engine/palette_build.h"

std::vector<TColorCount> CountPictureColors(const ColorValue* pixels, size_t pixelCount,
                                            int32_t sourceMask, uint32_t transColor) {
    const std::array<int32_t, 256> trim = MakeTrimTable(sourceMask);
    std::vector<ColorValue> keys;
    keys.reserve(pixelCount);
    for (size_t i = 0; i < pixelCount; ++i) {
        const ColorValue p = pixels[i];
        if (p == transColor) continue;
        keys.push_back(static_cast<ColorValue>(trim[p & 0xFF] | trim[(p >> 8) & 0xFF] << 8 |
                                               trim[(p >> 16) & 0xFF] << 16));
    }
    std::sort(keys.begin(), keys.end());
    std::vector<TColorCount> counts;
    for (size_t i = 0; i < keys.size();) {
        size_t end = i + 1;
        while (end < keys.size() && keys[end] == keys[i]) ++end;
        counts.push_back(TColorCount{keys[i], static_cast<uint32_t>(std::min<size_t>(end - i, UINT32_MAX))});
        i = end;
    }
    return counts;
}

void MergeColorCounts(std::vector<TColorCount>& total, const std::vector<TColorCount>& more) {
    // In place from the back, so the list never exists twice: total grows by
    // more's size, the merged run is written from the end down, then moved
    // to the front (equal colours merged leave a gap).
    const size_t oldSize = total.size();
    total.resize(oldSize + more.size());
    size_t a = oldSize, b = more.size(), out = total.size();
    while (b > 0) {
        if (a > 0 && total[a - 1].Color > more[b - 1].Color) {
            total[--out] = total[--a];
        } else if (a > 0 && total[a - 1].Color == more[b - 1].Color) {
            const uint64_t sum = uint64_t{total[a - 1].Count} + more[b - 1].Count;
            total[--out] = TColorCount{more[--b].Color,
                                       static_cast<uint32_t>(std::min<uint64_t>(sum, UINT32_MAX))};
            --a;
        } else {
            total[--out] = more[--b];
        }
    }
    // total[0 .. a) is already in place below the merged run at [out, end).
    if (out != a) std::move(total.begin() + out, total.end(), total.begin() + a);
    total.resize(a + (total.size() - out));
    total.shrink_to_fit();
}

bool BuildPaletteFromCounts(ReduceJob& job, std::vector<TColorCount>&& counts,
                            std::vector<ColorValue>& palette) {
    palette.clear();
    const int32_t transEntries = job.TransCorner >= 0 ? 1 : 0;
    if (!job.FilePalette.empty()) {
        palette = job.FilePalette;
        return palette.size() <= 256;
    }
    const int32_t locked = static_cast<int32_t>(job.LockedColors.size());
    const int32_t fixed = job.AddFixed16 ? 16 : 0;
    if (job.PaletteSize > 256 || job.PaletteSize - transEntries < 1 ||
        job.PaletteSize < fixed + locked + transEntries || job.OutputPrecision < 0 ||
        job.OutputPrecision > 6)
        return false;
    TEngineRun run(job);
    run.TargetColors = job.PaletteSize - fixed - locked - transEntries;
    run.ColorSpace = PrepareColorSpace(job.WeightBlue, job.WeightRed, job.WeightGreen);
    const auto grid = std::make_unique<OutputGrid>(PrepareOutputGrid(job.OutputPrecision));
    std::vector<ColorEntry> entries(counts.size());
    for (size_t i = 0; i < counts.size(); ++i) {
        const ColorPoint point = ToColorPoint(run.ColorSpace, counts[i].Color);
        const uint32_t count = std::min<uint32_t>(counts[i].Count, INT32_MAX);
        entries[i] = ColorEntry{point.U, point.V, point.Y, static_cast<int32_t>(count)};
    }
    counts.clear();  // the builder's scratch may take its place
    counts.shrink_to_fit();
    std::vector<FoundColor> found;
    if (!BuildPalette(run, *grid, entries, found)) return false;
    AssemblePalette(run, found.data(), static_cast<int32_t>(found.size()));
    for (int32_t i = 0; i < job.PaletteSize - transEntries; ++i)
        palette.push_back(run.PaletteTable[i].Color);
    return true;
}
