// The thread body of a reduction: histogram, palette construction, palette
// assembly, palette geometry and mapping, in this order.

#include <climits>
#include <memory>
#include <new>
#include <vector>

#include "engine/dither.h"
#include "engine/histogram.h"
#include "engine/nearest.h"
#include "engine/palette_adjust.h"
#include "engine/palette_build.h"
#include "engine/palette_refine.h"
#include "engine/reduce_job.h"

namespace {

bool PictureSizeValid(int32_t width, int32_t height) {
    return width >= 1 && height >= 1 && static_cast<int64_t>(width) * height <= INT32_MAX;
}

bool SettingsValid(const ReduceJob& job) {
    const int32_t minimum = (job.AddFixed16 ? 16 : 0) + (job.TransCorner >= 0 ? 1 : 0);
    const bool maskValid =
        job.SourceMask == 0 || job.SourceMask == 1 || job.SourceMask == 3 || job.SourceMask == 7;
    auto weightValid = [](int32_t w) { return w >= 30 && w <= 130; };
    // The nearest-colour search needs at least one entry besides the transparent one.
    const int32_t searchable = job.PaletteSize - (job.TransCorner >= 0 ? 1 : 0);
    return searchable >= 1 && job.PaletteSize <= 256 && job.PaletteSize >= minimum &&
           job.OutputPrecision >= 0 && job.OutputPrecision <= 6 && maskValid &&
           weightValid(job.WeightBlue) && weightValid(job.WeightRed) &&
           weightValid(job.WeightGreen) && job.DitherMode >= 0 && job.DitherMode <= 4 &&
           job.DitherDepth >= 0 && job.DitherDepth <= 100 && job.SpreadOption >= 0 &&
           job.SpreadOption <= 64 && job.TransCorner >= -1 && job.TransCorner <= 3 &&
           job.Refine >= 0 && job.Refine <= RefineLevelMax;
}

bool PicturesValid(const ReduceJob& job) {
    if (!job.Batch) {
        return PictureSizeValid(job.Width, job.Height) && job.SourcePixels && job.IndexPixels &&
               job.PaletteBuffer && (job.WorkBuffer || job.ReusePalette);
    }
    const size_t count = static_cast<size_t>(job.PictureCount);
    if (job.PictureCount < 1 || !job.WorkBuffer || job.Widths.size() < count ||
        job.Heights.size() < count || job.SourcePixelsOf.size() < count ||
        job.IndexPixelsOf.size() < count || job.PaletteOf.size() < count ||
        job.PaletteCountOf.size() < count)
        return false;
    for (size_t i = 0; i < count; ++i) {
        if (!PictureSizeValid(job.Widths[i], job.Heights[i]) || !job.SourcePixelsOf[i] ||
            !job.IndexPixelsOf[i] || !job.PaletteOf[i])
            return false;
    }
    return true;
}

void MakeCurrent(TEngineRun& run, int32_t picture) {
    const ReduceJob& job = run.Job;
    if (!job.Batch) {
        run.Pixels = job.SourcePixels;
        run.Indexes = job.IndexPixels;
        run.Width = job.Width;
        run.Height = job.Height;
        return;
    }
    run.Pixels = job.SourcePixelsOf[picture];
    run.Indexes = job.IndexPixelsOf[picture];
    run.Width = job.Widths[picture];
    run.Height = job.Heights[picture];
}

// The whole value of the chosen corner pixel of the current picture.
uint32_t CornerColor(const TEngineRun& run, int32_t corner) {
    const size_t lastRow = static_cast<size_t>(run.Height - 1) * run.Width;
    const size_t lastColumn = static_cast<size_t>(run.Width - 1);
    switch (corner) {
        case 0:
            return run.Pixels[0];
        case 1:
            return run.Pixels[lastRow];
        case 2:
            return run.Pixels[lastColumn];
        default:
            return run.Pixels[lastRow + lastColumn];
    }
}

void WritePaletteOutput(TEngineRun& run, int32_t picture) {
    ReduceJob& job = run.Job;
    if (!job.Batch) {
        for (int32_t i = 0; i < 256; ++i)
            job.PaletteBuffer[i] = i < job.PaletteSize ? run.PaletteTable[i].Color : 0;
        return;
    }
    for (int32_t i = 0; i < job.PaletteSize; ++i)
        job.PaletteOf[picture][i] = run.PaletteTable[i].Color;
    job.PaletteCountOf[picture] = job.PaletteSize;
}

// Histogram and palette construction; false when stopped.
bool FindPaletteColors(TEngineRun& run, const OutputGrid& grid, std::vector<FoundColor>& found) {
    TColorList colors;
    if (!BuildHistogram(run, colors)) return false;
    if (run.StopRequested()) return false;
    run.SetProgress(75);
    if (run.Job.Refine == 0)
        return BuildPalette(run, grid, colors.Entries, found, colors.SplitScratch);
    std::vector<std::array<double, 3>> means;
    return BuildPalette(run, grid, colors.Entries, found, colors.SplitScratch, &means) &&
           RefinePalette(run, grid, colors.Entries, means, found);
}

// Every cell list is released when the run ends, however it ends.
struct CacheRelease {
    TNearestCache& Cache;
    ~CacheRelease() { Cache.Release(); }
};

void RunStages(ReduceJob& job) {
    TEngineRun run(job);
    auto cache = std::make_unique<TNearestCache>();
    CacheRelease release{*cache};
    MakeCurrent(run, 0);
    run.TargetColors = job.PaletteSize - (job.AddFixed16 ? 16 : 0) - (job.TransCorner >= 0 ? 1 : 0);
    run.TransColor = job.TransCorner < 0 ? NoTransColor : CornerColor(run, job.TransCorner);
    run.ColorSpace = PrepareColorSpace(job.WeightBlue, job.WeightRed, job.WeightGreen);
    const auto grid = std::make_unique<OutputGrid>(PrepareOutputGrid(job.OutputPrecision));

    if (job.ReusePalette && !job.Batch) {
        if (run.StopRequested()) return;
        run.SetProgress(75);
        AssembleReusedPalette(run);
    } else {
        std::vector<FoundColor> found;
        if (!FindPaletteColors(run, *grid, found)) return;
        AssemblePalette(run, found.data(), static_cast<int32_t>(found.size()));
    }
    const int32_t geometryCount = run.TargetColors + (job.AddFixed16 ? 16 : 0);
    const PaletteGeometry geometry = ComputePaletteGeometry(run.PaletteTable.data(), geometryCount);
    if (run.StopRequested()) return;

    run.SearchCount = job.PaletteSize;
    if (job.TransCorner >= 0) {
        run.SearchCount = job.PaletteSize - 1;
        job.TransIndex = job.PaletteSize - 1;
        run.PaletteTable[job.PaletteSize - 1] =
            TPaletteEntry{run.TransColor, ToColorPoint(run.ColorSpace, run.TransColor)};
    }
    cache->Reset(run.PaletteTable.data(), run.SearchCount);
    const int32_t pictures = job.Batch ? job.PictureCount : 1;
    for (int32_t picture = 0; picture < pictures; ++picture) {
        MakeCurrent(run, picture);
        if (!MapPixels(run, geometry, *cache)) return;
        WritePaletteOutput(run, picture);
    }
    job.Succeeded = true;
}

}  // namespace

void RunJob(ReduceJob& job) {
    job.Succeeded = false;
    job.Progress.store(25, std::memory_order_relaxed);
    if (job.ProgressObserver) job.ProgressObserver(25);
    if (!SettingsValid(job) || !PicturesValid(job)) return;
    try {
        RunStages(job);
    } catch (const std::bad_alloc&) {
        // Working memory could not be obtained: the run fails like a cancel.
        job.Succeeded = false;
    }
}
