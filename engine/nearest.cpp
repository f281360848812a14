#include "engine/nearest.h"

#include <cassert>
#include <cfloat>
#include <cmath>

namespace {

// Room for the lists of a typical photo's touched cells without regrowing.
constexpr size_t InitialCandidateRoom = 1 << 16;

double Distance(const ColorPoint& p, double u, double v, double y) {
    const double du = u - p.U;
    const double dv = v - p.V;
    const double dy = y - p.Y;
    return std::sqrt(du * du + dv * dv + dy * dy);
}

}  // namespace

void TNearestCache::Reset(const TPaletteEntry* palette, int32_t searchCount) {
    assert(palette != nullptr && searchCount >= 1 && searchCount <= 256);
    palette_ = palette;
    searchCount_ = searchCount;
    builtCells_ = 0;
    cells_.assign(CellCount, TCellRef{});
    candidates_.clear();
    candidates_.reserve(InitialCandidateRoom);
    scratchDistance_.assign(static_cast<size_t>(searchCount), 0.0);
}

void TNearestCache::Release() {
    palette_ = nullptr;
    searchCount_ = 0;
    builtCells_ = 0;
    std::vector<TCellRef>().swap(cells_);
    std::vector<TCandidate>().swap(candidates_);
    std::vector<double>().swap(scratchDistance_);
}

// Keeps every entry within one cell diagonal of the nearest distance from the
// cell's centre: any point of the cell lies within half a diagonal of the
// centre, so its nearest entry is always kept.
void TNearestCache::BuildCellList(int cell) {
    const int i = cell % GridSide;
    const int j = (cell / GridSide) % GridSide;
    const int k = cell / (GridSide * GridSide);
    const double centreU = 2048.0 * i - 39936;
    const double centreV = 2048.0 * j - 39936;
    const double centreY = 2048.0 * k - 7168;

    double least = DBL_MAX;
    for (int e = 0; e < searchCount_; ++e) {
        const double d = Distance(palette_[e].Point, centreU, centreV, centreY);
        scratchDistance_[e] = d;
        if (d < least) least = d;
    }
    const double limit = least + 2048 * std::sqrt(3.0);

    TCellRef& ref = cells_[cell];
    ref.Start = static_cast<int32_t>(candidates_.size());
    for (int e = 0; e < searchCount_; ++e) {
        if (scratchDistance_[e] < limit) {
            const ColorPoint& p = palette_[e].Point;
            candidates_.push_back(TCandidate{p.U, p.V, p.Y, e});
        }
    }
    ref.Count = static_cast<int32_t>(candidates_.size()) - ref.Start;
    ++builtCells_;
}

// Outside the grid: every searchable entry in order, squared distances in
// double precision (the point may be far enough out that integer squares
// would not be exact either), a later entry winning only when strictly nearer.
int TNearestCache::FullSearch(int32_t u, int32_t v, int32_t y) const {
    double best = DBL_MAX;
    int bestIndex = 0;
    for (int e = 0; e < searchCount_; ++e) {
        const ColorPoint& p = palette_[e].Point;
        const double du = static_cast<double>(u) - p.U;
        const double dv = static_cast<double>(v) - p.V;
        const double dy = static_cast<double>(y) - p.Y;
        const double d = du * du + dv * dv + dy * dy;
        if (d < best) {
            best = d;
            bestIndex = e;
        }
    }
    return bestIndex;
}

std::vector<int> TNearestCache::CandidatesOf(int cell) {
    assert(cell >= 0 && cell < CellCount);
    if (cells_[cell].Start < 0) BuildCellList(cell);
    const TCellRef& ref = cells_[cell];
    std::vector<int> indexes;
    for (int32_t n = 0; n < ref.Count; ++n) indexes.push_back(candidates_[ref.Start + n].Index);
    return indexes;
}
