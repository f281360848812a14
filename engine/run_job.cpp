// The thread body of a reduction: histogram, palette construction, palette
// assembly, palette geometry and mapping, in this order.

#include <climits>
#include <memory>
#include <new>
#include <vector>

#include "engine/alpha_transparency.h"
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

// A file palette is the whole palette: its count plus the transparent entry.
bool PaletteChoiceValid(const ReduceJob& job) {
    if (job.FilePalette.empty()) return job.LockedColors.size() <= 256;
    return job.FilePalette.size() <= 256 && !job.AddFixed16 && job.LockedColors.empty() &&
           job.PaletteSize ==
               static_cast<int32_t>(job.FilePalette.size()) + (job.TransCorner >= 0 ? 1 : 0);
}

bool SettingsValid(const ReduceJob& job) {
    if (!PaletteChoiceValid(job)) return false;
    const int32_t minimum = (job.AddFixed16 ? 16 : 0) + (job.TransCorner >= 0 ? 1 : 0) +
                            static_cast<int32_t>(job.LockedColors.size());
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
           job.AlphaThreshold >= 1 && job.AlphaThreshold <= 255 &&
           job.Refine >= 0 && job.Refine <= RefineLevelMax;
}

bool PicturesValid(const ReduceJob& job) {
    if (!job.Batch) {
        return PictureSizeValid(job.Width, job.Height) && job.SourcePixels && job.IndexPixels &&
               job.PaletteBuffer && (job.WorkBuffer || job.ReusePalette || !job.FilePalette.empty());
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
    if (!run.MarkedPixels.empty()) {
        run.Pixels = run.MarkedPixels[static_cast<size_t>(picture)].data();
    } else if (!job.Batch) {
        run.Pixels = job.SourcePixels;
    } else {
        run.Pixels = job.SourcePixelsOf[picture];
    }
    if (!job.Batch) {
        run.Indexes = job.IndexPixels;
        run.Width = job.Width;
        run.Height = job.Height;
        return;
    }
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
    const bool transparent = job.TransCorner >= 0 || job.AlphaTransparent;
    run.TargetColors = job.PaletteSize - (job.AddFixed16 ? 16 : 0) - (transparent ? 1 : 0) -
                       static_cast<int32_t>(job.LockedColors.size());
    run.TransColor = job.TransCorner < 0 ? NoTransColor : CornerColor(run, job.TransCorner);
    // The transparent entry keeps the corner's colour; with alpha alone, black.
    const ColorValue transEntry = job.TransCorner < 0 ? 0 : run.TransColor;
    if (job.AlphaTransparent) {
        MarkTransparentPixels(run, run.TransColor);
        run.TransColor = MarkedTransColor;
        MakeCurrent(run, 0);
    }
    run.ColorSpace = PrepareColorSpace(job.WeightBlue, job.WeightRed, job.WeightGreen);
    const auto grid = std::make_unique<OutputGrid>(PrepareOutputGrid(job.OutputPrecision));

    if (!job.FilePalette.empty()) {
        // Nothing is counted or built: the mapping alone.
        if (run.StopRequested()) return;
        run.SetProgress(75);
        AssembleFilePalette(run);
    } else if (job.ReusePalette && !job.Batch) {
        if (run.StopRequested()) return;
        run.SetProgress(75);
        AssembleReusedPalette(run);
    } else {
        std::vector<FoundColor> found;
        if (!FindPaletteColors(run, *grid, found)) return;
        AssemblePalette(run, found.data(), static_cast<int32_t>(found.size()));
    }
    const int32_t geometryCount = job.PaletteSize - (transparent ? 1 : 0);
    const PaletteGeometry geometry = ComputePaletteGeometry(run.PaletteTable.data(), geometryCount);
    if (run.StopRequested()) return;

    run.SearchCount = job.PaletteSize;
    if (transparent) {
        run.SearchCount = job.PaletteSize - 1;
        job.TransIndex = job.PaletteSize - 1;
        run.PaletteTable[job.PaletteSize - 1] =
            TPaletteEntry{transEntry, ToColorPoint(run.ColorSpace, transEntry)};
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
    job.OutOfMemory = false;
    job.AlphaTransparent = false;
    job.Progress.store(25, std::memory_order_relaxed);
    if (job.ProgressObserver) job.ProgressObserver(25);
    if (!SettingsValid(job) || !PicturesValid(job)) return;
    // Alpha needs a transparent entry of its own beside the fixed colours
    // and one searchable entry; a palette without room for it (1 colour,
    // or fewer than 17 with the 16 fixed ones) maps every pixel by colour.
    // A file palette is mapped to exactly as given: alpha only joins the
    // transparent entry that corner transparency appended, never takes the
    // place of one of the file's colours.
    const int32_t room = job.PaletteSize - (job.AddFixed16 ? 16 : 0);
    const bool roomForAlpha =
        job.FilePalette.empty() ? room >= 1 && job.PaletteSize >= 2 : false;
    job.AlphaTransparent =
        (job.TransCorner >= 0 || roomForAlpha) && AlphaMakesTransparent(job);
    try {
        RunStages(job);
    } catch (const std::bad_alloc&) {
        // Working memory could not be obtained: the run fails like a cancel,
        // and says so.
        job.Succeeded = false;
        job.OutOfMemory = true;
    }
}
