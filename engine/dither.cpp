#include "engine/dither.h"

#include "engine/dither_internal.h"
#include "engine/nearest.h"
#include "engine/peano_walk.h"

using namespace dither_detail;

PaletteGeometry ComputePaletteGeometry(const TPaletteEntry* table, int count) {
    PaletteGeometry geometry;
    if (count <= 0) return geometry;
    double sums[3] = {0, 0, 0};
    for (int e = 0; e < count; ++e) {
        const ColorPoint& p = table[e].Point;
        sums[0] += p.U;
        sums[1] += p.V;
        sums[2] += p.Y;
        for (int k = 0; k < 13; ++k) {
            const int* d = GeometryDirections[k];
            const double projection = static_cast<double>(p.U) * d[0] +
                                      static_cast<double>(p.V) * d[1] +
                                      static_cast<double>(p.Y) * d[2];
            if (e == 0 || projection > geometry.MaxProjection[k]) {
                geometry.MaxProjection[k] = projection;
            }
            if (e == 0 || projection < geometry.MinProjection[k]) {
                geometry.MinProjection[k] = projection;
            }
        }
    }
    for (int k = 0; k < 3; ++k) {
        geometry.Mean[k] = sums[k] / count;
        geometry.Extent[k] =
            static_cast<int32_t>(geometry.MaxProjection[k] - geometry.MinProjection[k]);
    }
    return geometry;
}

bool MapPixels(TEngineRun& run, const PaletteGeometry& geometry, TNearestCache& cache) {
    if (run.Width <= 0 || run.Height <= 0) return true;
    const TMapContext context{run,
                              geometry,
                              cache,
                              run.TransColor,
                              static_cast<uint8_t>(run.Job.TransIndex),
                              run.Job.DitherDepth};
    switch (run.Job.DitherMode) {
        case 1:
            return MapPeanos(context);
        case 2:
            return MapDiffuseFS(context);
        case 3:
            return MapMaem(context);
        case 4:
            return MapAnime(context);
        default:
            return MapNone(context);
    }
}

namespace dither_detail {

// Rows top to bottom, each left to right, nearest colour of every pixel.
// The index depends on the colour alone, so it is remembered per colour.
bool MapNone(const TMapContext& context) {
    TEngineRun& run = context.Run;
    TColourMemo<uint8_t> memo;
    const auto nearest = [&](ColorValue colour) {
        if (colour == context.TransColor) return context.TransIndex;
        const ColorPoint c = ToColorPoint(run.ColorSpace, colour);
        return static_cast<uint8_t>(context.Cache.FindNearest(c.U, c.V, c.Y));
    };
    for (int32_t y = 0; y < run.Height; ++y) {
        const ColorValue* source = run.Pixels + static_cast<size_t>(y) * run.Width;
        uint8_t* indexes = run.Indexes + static_cast<size_t>(y) * run.Width;
        for (int32_t x = 0; x < run.Width; ++x) indexes[x] = memo.Get(source[x], nearest);
        if (!FinishRow(run, y)) return false;
    }
    return true;
}

}  // namespace dither_detail

namespace {

// The per-pixel rule of gPeanos: the error left by each pixel, unscaled,
// passes to the next pixel of the walk; transparent pixels pass it on as is.
class TPeanosVisitor {
  public:
    explicit TPeanosVisitor(const TMapContext& context)
        : context_(context),
          run_(context.Run),
          convert_(context.Run.ColorSpace),
          pixelCount_(int64_t{context.Run.Width} * context.Run.Height) {}

    bool operator()(int32_t x, int32_t y) {
        if (visited_ == nextProgress_ && !UpdateProgress()) return false;
        ++visited_;
        const size_t at = static_cast<size_t>(y) * run_.Width + x;
        const ColorValue colour = run_.Pixels[at];
        if (colour == context_.TransColor) {
            run_.Indexes[at] = context_.TransIndex;
            return true;
        }
        const ColorPoint c = convert_(colour);
        const int32_t* extent = context_.Geometry.Extent;
        const int32_t target[3] = {
            c.U + Clamp(int64_t{carried_[0]} * context_.Depth / 100, extent[0]),
            c.V + Clamp(int64_t{carried_[1]} * context_.Depth / 100, extent[1]),
            c.Y + Clamp(int64_t{carried_[2]} * context_.Depth / 100, extent[2])};
        const int i = context_.Cache.FindNearest(target[0], target[1], target[2]);
        const ColorPoint& chosen = run_.PaletteTable[i].Point;
        carried_[0] = target[0] - chosen.U;
        carried_[1] = target[1] - chosen.V;
        carried_[2] = target[2] - chosen.Y;
        run_.Indexes[at] = static_cast<uint8_t>(i);
        return true;
    }

  private:
    // Progress before pixel n is 800 + 200*n/N. It changes at most 200 times,
    // so it is written, and the stop request polled, only when it changes;
    // nextProgress_ is the first pixel with the next value.
    bool UpdateProgress() {
        // 128-bit products: a picture of two int32 sides may hold up to 2^62
        // pixels, so 200 * n (and 201 * N) can exceed 64 bits.
        using Wide = unsigned __int128;
        const auto step = static_cast<int64_t>(Wide{200} * visited_ / pixelCount_);
        run_.SetProgress(static_cast<int>(800 + step));
        if (run_.StopRequested()) return false;
        nextProgress_ = static_cast<int64_t>((Wide(step + 1) * pixelCount_ + 199) / 200);
        return true;
    }

    const TMapContext& context_;
    TEngineRun& run_;
    TPointConverter convert_;
    const int64_t pixelCount_;
    int64_t visited_ = 0;
    int64_t nextProgress_ = 0;
    int32_t carried_[3] = {0, 0, 0};
};

}  // namespace

namespace dither_detail {

bool MapPeanos(const TMapContext& context) {
    TPeanosVisitor visitor(context);
    return PeanoWalk(context.Run.Width, context.Run.Height, visitor);
}

}  // namespace dither_detail
