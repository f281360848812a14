// Serpentine error diffusion (DiffuseFS and Maem): each pixel gathers the
// errors that the already mapped pixels around it left in three short rows,
// instead of pushing its own error into a full-size error picture.

#include <algorithm>
#include <iterator>
#include <utility>
#include <vector>

#include "engine/dither_internal.h"

using namespace dither_detail;

namespace {

// One error entry: U, V, Y, already multiplied by the depth.
struct TError {
    int32_t E[3];
};

// One weight of a kernel: row 0 is the row being mapped, 1 the one above, 2
// the one above that; Offset runs along the scan direction (-1 is the pixel
// just behind).
struct TTap {
    int Row;
    int Offset;
    int Weight;
};

struct TFloydSteinberg {
    static constexpr TTap Taps[] = {{0, -1, 7}, {1, -1, 3}, {1, 0, 5}, {1, 1, 1}};
    static constexpr int64_t Divisor = 1600;  // weight sum 16 x depth scale 100
};

struct TJarvisJudiceNinke {
    static constexpr TTap Taps[] = {{0, -2, 5}, {0, -1, 7},                                   //
                                    {1, -2, 3}, {1, -1, 5}, {1, 0, 7}, {1, 1, 5}, {1, 2, 3},  //
                                    {2, -2, 1}, {2, -1, 3}, {2, 0, 5}, {2, 1, 3}, {2, 2, 1}};
    static constexpr int64_t Divisor = 4800;  // weight sum 48 x depth scale 100
};

// Two margin entries at each end stay 0, so no tap needs an edge check.
constexpr int Margin = 2;

// Sum of weight x stored error over the kernel's taps for pixel x, unrolled
// at compile time so every row choice, offset and weight is a constant.
template <class Kernel, int Direction, size_t... Tap>
void Gather(TError* const rows[3], int32_t x, int64_t sum[3], std::index_sequence<Tap...>) {
    const TError* const r0 = rows[0] + x + Margin;
    const TError* const r1 = rows[1] + x + Margin;
    const TError* const r2 = rows[2] + x + Margin;
    const auto add = [&](const TTap tap) {
        const TError* row = tap.Row == 0 ? r0 : tap.Row == 1 ? r1 : r2;
        const TError& e = row[tap.Offset * Direction];
        sum[0] += int64_t{tap.Weight} * e.E[0];
        sum[1] += int64_t{tap.Weight} * e.E[1];
        sum[2] += int64_t{tap.Weight} * e.E[2];
    };
    (add(Kernel::Taps[Tap]), ...);
}

template <class Kernel, int Direction>
void DiffuseRow(const TMapContext& context, TPointConverter& convert, TError* const rows[3],
                int32_t y) {
    TEngineRun& run = context.Run;
    const ColorValue* source = run.Pixels + static_cast<size_t>(y) * run.Width;
    uint8_t* indexes = run.Indexes + static_cast<size_t>(y) * run.Width;
    const int32_t* extent = context.Geometry.Extent;
    const int32_t first = Direction > 0 ? 0 : run.Width - 1;
    for (int32_t n = 0, x = first; n < run.Width; ++n, x += Direction) {
        const ColorValue colour = source[x];
        if (colour == context.TransColor) {
            indexes[x] = context.TransIndex;  // its entry stays 0
            continue;
        }
        int64_t sum[3] = {0, 0, 0};
        Gather<Kernel, Direction>(rows, x, sum,
                                  std::make_index_sequence<std::size(Kernel::Taps)>{});
        const ColorPoint c = convert(colour);
        const int32_t target[3] = {c.U + Clamp(sum[0] / Kernel::Divisor, extent[0]),
                                   c.V + Clamp(sum[1] / Kernel::Divisor, extent[1]),
                                   c.Y + Clamp(sum[2] / Kernel::Divisor, extent[2])};
        const int i = context.Cache.FindNearest(target[0], target[1], target[2]);
        const ColorPoint& chosen = run.PaletteTable[i].Point;
        TError& mine = rows[0][x + Margin];
        mine.E[0] = (target[0] - chosen.U) * context.Depth;
        mine.E[1] = (target[1] - chosen.V) * context.Depth;
        mine.E[2] = (target[2] - chosen.Y) * context.Depth;
        indexes[x] = static_cast<uint8_t>(i);
    }
}

template <class Kernel>
bool Diffuse(const TMapContext& context) {
    TEngineRun& run = context.Run;
    const size_t rowLength = static_cast<size_t>(run.Width) + 2 * Margin;
    std::vector<TError> storage(3 * rowLength, TError{{0, 0, 0}});
    TError* rows[3] = {storage.data(), storage.data() + rowLength, storage.data() + 2 * rowLength};
    TPointConverter convert(run.ColorSpace);
    for (int32_t y = 0; y < run.Height; ++y) {
        // Row 0 runs left to right; the direction reverses on every row.
        if (y % 2 == 0) {
            DiffuseRow<Kernel, 1>(context, convert, rows, y);
        } else {
            DiffuseRow<Kernel, -1>(context, convert, rows, y);
        }
        // The oldest row's storage becomes the new, cleared current row.
        TError* oldest = rows[2];
        std::fill(oldest, oldest + rowLength, TError{{0, 0, 0}});
        rows[2] = rows[1];
        rows[1] = rows[0];
        rows[0] = oldest;
        if (!FinishRow(run, y)) return false;
    }
    return true;
}

}  // namespace

namespace dither_detail {

bool MapDiffuseFS(const TMapContext& context) { return Diffuse<TFloydSteinberg>(context); }

bool MapMaem(const TMapContext& context) { return Diffuse<TJarvisJudiceNinke>(context); }

}  // namespace dither_detail
