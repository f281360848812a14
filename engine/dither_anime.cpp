// Anime: ordered dithering between the nearest palette colour and a second
// colour found along the error direction, after the colour has been pulled
// into the palette's hull. No error is carried and the depth is not used.

#include <cmath>
#include <cstdint>

#include "engine/dither_internal.h"

using namespace dither_detail;

namespace {

// Rows indexed by y mod 4, columns by x mod 4; compared in sixteenths.
constexpr int OrderMatrix[4][4] = {{0, 12, 2, 14}, {8, 4, 10, 6}, {2, 14, 0, 12}, {10, 6, 8, 4}};

// Trials of Pal[H] + K*e for the second colour, K = 2 .. LastStretch.
constexpr int LastStretch = 16;

// SpreadOption counts in units of 1024 ColorPoint units (4 colour levels).
constexpr double SpreadUnit = 1024;

// Truncation toward zero; saturates instead of overflowing for a point sent
// far out by a nearly parallel direction (never reached by real palettes).
int32_t Truncate(double x) {
    if (x >= 2147483647.0) return INT32_MAX;
    if (x <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(x);
}

int32_t Saturate(int64_t x) {
    return static_cast<int32_t>(x > INT32_MAX ? INT32_MAX : x < INT32_MIN ? INT32_MIN : x);
}

double Projection(const int* direction, double u, double v, double y) {
    return u * direction[0] + v * direction[1] + y * direction[2];
}

// Moves a colour outside any of the 13 slabs back along the line towards the
// palette's mean, each step measured from the original colour.
ColorPoint PullIntoHull(const PaletteGeometry& geometry, const ColorPoint& original) {
    const double* mean = geometry.Mean;
    const double toMean[3] = {mean[0] - original.U, mean[1] - original.V, mean[2] - original.Y};
    ColorPoint p = original;
    for (int k = 0; k < 13; ++k) {
        const int* d = GeometryDirections[k];
        const double s = Projection(d, p.U, p.V, p.Y);
        const bool above = s > geometry.MaxProjection[k];
        if (!above && !(s < geometry.MinProjection[k])) continue;
        const double q = Projection(d, toMean[0], toMean[1], toMean[2]);
        if (q == 0) continue;
        const double bound = above ? geometry.MaxProjection[k] : geometry.MinProjection[k];
        const double t = (bound - Projection(d, original.U, original.V, original.Y)) / q;
        p.U = Truncate(original.U + toMean[0] * t);
        p.V = Truncate(original.V + toMean[1] * t);
        p.Y = Truncate(original.Y + toMean[2] * t);
    }
    return p;
}

double Distance(const ColorPoint& a, const ColorPoint& b) {
    const double du = static_cast<double>(a.U) - b.U;
    const double dv = static_cast<double>(a.V) - b.V;
    const double dy = static_cast<double>(a.Y) - b.Y;
    return std::sqrt(du * du + dv * dv + dy * dy);
}

// The first entry other than `nearest` met at Pal[nearest] + K*error, or
// `nearest` when every trial gives it back.
int SecondColour(const TMapContext& context, int nearest, const ColorPoint& error) {
    // A zero error gives the very point that found `nearest` each time.
    if (error.U == 0 && error.V == 0 && error.Y == 0) return nearest;
    const ColorPoint& base = context.Run.PaletteTable[nearest].Point;
    for (int k = 2; k <= LastStretch; ++k) {
        const int g = context.Cache.FindNearest(Saturate(base.U + int64_t{k} * error.U),
                                                Saturate(base.V + int64_t{k} * error.V),
                                                Saturate(base.Y + int64_t{k} * error.Y));
        if (g != nearest) return g;
    }
    return nearest;
}

uint8_t AnimeIndex(const TMapContext& context, const ColorPoint& colour, int32_t x, int32_t y) {
    const TPaletteEntry* palette = context.Run.PaletteTable.data();
    const ColorPoint p = PullIntoHull(context.Geometry, colour);
    const int h = context.Cache.FindNearest(p.U, p.V, p.Y);
    const ColorPoint error{Saturate(int64_t{p.U} - palette[h].Point.U),
                           Saturate(int64_t{p.V} - palette[h].Point.V),
                           Saturate(int64_t{p.Y} - palette[h].Point.Y)};
    const int g = SecondColour(context, h, error);
    if (g == h) return static_cast<uint8_t>(h);
    const double a = Distance(p, palette[h].Point);
    const double b = Distance(p, palette[g].Point);
    if (!(a + b > 0 && b < context.Run.Job.SpreadOption * SpreadUnit)) {
        return static_cast<uint8_t>(h);
    }
    // The brighter of the two (H when equally bright) and the other.
    const bool hBrighter = palette[h].Point.Y >= palette[g].Point.Y;
    const int brighter = hBrighter ? h : g;
    const int darker = hBrighter ? g : h;
    const double dB = hBrighter ? a : b;
    const double dR = hBrighter ? b : a;
    // Double precision: the flat halfway case (dB = dR) must split 8 of 16.
    const double threshold = OrderMatrix[y % 4][x % 4] / 16.0;
    return static_cast<uint8_t>(threshold < dB / (dB + dR) ? darker : brighter);
}

}  // namespace

namespace dither_detail {

bool MapAnime(const TMapContext& context) {
    TEngineRun& run = context.Run;
    TPointConverter convert(run.ColorSpace);
    for (int32_t y = 0; y < run.Height; ++y) {
        const ColorValue* source = run.Pixels + static_cast<size_t>(y) * run.Width;
        uint8_t* indexes = run.Indexes + static_cast<size_t>(y) * run.Width;
        for (int32_t x = 0; x < run.Width; ++x) {
            const ColorValue colour = source[x];
            indexes[x] = colour == context.TransColor ? context.TransIndex
                                                      : AnimeIndex(context, convert(colour), x, y);
        }
        if (!FinishRow(run, y)) return false;
    }
    return true;
}

}  // namespace dither_detail
