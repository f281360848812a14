#include "engine/alpha_transparency.h"

#include <algorithm>

namespace {

size_t PixelCount(const ReduceJob& job, int32_t picture) {
    if (!job.Batch) return static_cast<size_t>(job.Width) * static_cast<size_t>(job.Height);
    return static_cast<size_t>(job.Widths[picture]) * static_cast<size_t>(job.Heights[picture]);
}

const uint8_t* AlphaOf(const ReduceJob& job, int32_t picture) {
    if (!job.Batch) return job.SourceAlpha;
    return static_cast<size_t>(picture) < job.SourceAlphaOf.size() ? job.SourceAlphaOf[picture]
                                                                   : nullptr;
}

const ColorValue* PixelsOf(const ReduceJob& job, int32_t picture) {
    return job.Batch ? job.SourcePixelsOf[picture] : job.SourcePixels;
}

int32_t PictureCount(const ReduceJob& job) { return job.Batch ? job.PictureCount : 1; }

}  // namespace

bool AlphaMakesTransparent(const ReduceJob& job) {
    if (!job.UseAlpha) return false;
    const auto threshold = static_cast<uint8_t>(job.AlphaThreshold);
    for (int32_t picture = 0; picture < PictureCount(job); ++picture) {
        const uint8_t* alpha = AlphaOf(job, picture);
        if (alpha && std::any_of(alpha, alpha + PixelCount(job, picture),
                                 [threshold](uint8_t a) { return a < threshold; }))
            return true;
    }
    return false;
}

void MarkTransparentPixels(TEngineRun& run, uint32_t cornerColor) {
    const ReduceJob& job = run.Job;
    const auto threshold = static_cast<uint8_t>(job.AlphaThreshold);
    run.MarkedPixels.resize(static_cast<size_t>(PictureCount(job)));
    for (int32_t picture = 0; picture < PictureCount(job); ++picture) {
        const size_t count = PixelCount(job, picture);
        const ColorValue* pixels = PixelsOf(job, picture);
        const uint8_t* alpha = AlphaOf(job, picture);
        std::vector<ColorValue>& marked = run.MarkedPixels[static_cast<size_t>(picture)];
        marked.resize(count);
        for (size_t i = 0; i < count; ++i) {
            const bool transparent = (alpha && alpha[i] < threshold) || pixels[i] == cornerColor;
            marked[i] = transparent ? MarkedTransColor : pixels[i];
        }
    }
}
