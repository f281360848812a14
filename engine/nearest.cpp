#include "engine/nearest.h"

#include <cassert>
#include <cfloat>
#include <cmath>

namespace {

// Room for the lists of a typical photo's touched cells without regrowing.
constexpr size_t InitialIndexRoom = 1 << 18;
constexpr size_t InitialSubRefRoom = 64 * 2048;

double Distance(int32_t u, int32_t v, int32_t y, double cu, double cv, double cy) {
    const double du = cu - u;
    const double dv = cv - v;
    const double dy = cy - y;
    return std::sqrt(du * du + dv * dv + dy * dy);
}

}  // namespace

void TNearestCache::Reset(const TPaletteEntry* palette, int32_t searchCount) {
    assert(palette != nullptr && searchCount >= 1 && searchCount <= 256);
    searchCount_ = searchCount;
    builtCells_ = 0;
    for (int e = 0; e < searchCount; ++e) {
        const ColorPoint& p = palette[e].Point;
        points_[e] = TPoint{p.U, p.V, p.Y};
        // An entry equal to an earlier one can never be nearest (ties go to
        // the lowest index): only the first of equal points joins a list. A
        // flat picture's palette holds hundreds of equal entries.
        repeats_[e] = false;
        for (int earlier = 0; earlier < e && !repeats_[e]; ++earlier) {
            const TPoint& q = points_[earlier];
            repeats_[e] = q.U == p.U && q.V == p.V && q.Y == p.Y;
        }
    }
    cellLists_.assign(CellCount, TListRef{});
    subCells_.assign(CellCount, TSubCell{});
    subRefs_.clear();
    subRefs_.reserve(InitialSubRefRoom);
    indexes_.clear();
    indexes_.reserve(InitialIndexRoom);
    scratchDistance_.assign(static_cast<size_t>(searchCount), 0.0);
}

void TNearestCache::Release() {
    searchCount_ = 0;
    builtCells_ = 0;
    std::vector<TListRef>().swap(cellLists_);
    std::vector<TSubCell>().swap(subCells_);
    std::vector<uint16_t>().swap(subRefs_);
    std::vector<uint8_t>().swap(indexes_);
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
        const TPoint& p = points_[e];
        const double d = Distance(p.U, p.V, p.Y, centreU, centreV, centreY);
        scratchDistance_[e] = d;
        if (d < least) least = d;
    }
    const double limit = least + 2048 * std::sqrt(3.0);

    TListRef& ref = cellLists_[cell];
    ref.Start = static_cast<int32_t>(indexes_.size());
    for (int e = 0; e < searchCount_; ++e) {
        if (scratchDistance_[e] < limit && !repeats_[e]) {
            indexes_.push_back(static_cast<uint8_t>(e));
        }
    }
    ref.Count = static_cast<int32_t>(indexes_.size()) - ref.Start;
    BuildSubLists(cell);
    ++builtCells_;
}

// For a point of a sub-cube at distance d* from its nearest list entry, every
// entry at distance d* lies within d* + r of the sub-cube's centre, and the
// least distance from the centre is at least d* - r (r: half the diagonal).
// So every entry that can be nearest is within one diagonal of the least
// distance; the extra unit covers rounding of the square roots.
void TNearestCache::BuildSubLists(int cell) {
    constexpr int32_t SubSize = 1 << SubShift;
    const TListRef list = cellLists_[cell];
    const double lowU = 2048.0 * (cell % GridSide) + OriginUV;
    const double lowV = 2048.0 * (cell / GridSide % GridSide) + OriginUV;
    const double lowY = 2048.0 * (cell / (GridSide * GridSide)) + OriginY;
    const double centreOffset = (SubSize - 1) / 2.0;  // points run low .. low + 511
    const double reach = SubSize * std::sqrt(3.0) + 1;
    TSubCell& subCell = subCells_[cell];
    subCell.Refs = static_cast<int32_t>(subRefs_.size());
    subCell.Base = static_cast<int32_t>(indexes_.size());
    for (int sub = 0; sub < 64; ++sub) {
        const double cu = lowU + SubSize * (sub % 4) + centreOffset;
        const double cv = lowV + SubSize * (sub / 4 % 4) + centreOffset;
        const double cy = lowY + SubSize * (sub / 16) + centreOffset;
        double least = DBL_MAX;
        for (int32_t n = 0; n < list.Count; ++n) {
            const TPoint& p = points_[indexes_[list.Start + n]];
            const double d = Distance(p.U, p.V, p.Y, cu, cv, cy);
            scratchDistance_[n] = d;
            if (d < least) least = d;
        }
        // Count byte first (count - 1), then the kept indexes in list order.
        const size_t start = indexes_.size();
        indexes_.push_back(0);
        for (int32_t n = 0; n < list.Count; ++n) {
            if (scratchDistance_[n] < least + reach) {
                const uint8_t kept = indexes_[list.Start + n];
                indexes_.push_back(kept);
            }
        }
        const size_t count = indexes_.size() - start - 1;
        if (count == 1) {
            // The answer itself; nothing to keep.
            subRefs_.push_back(static_cast<uint16_t>(SingleMark | indexes_.back()));
            indexes_.resize(start);
        } else {
            indexes_[start] = static_cast<uint8_t>(count - 1);
            // At most 64 * 257 bytes from Base, well below SingleMark.
            subRefs_.push_back(static_cast<uint16_t>(start - subCell.Base));
        }
    }
}

// Outside the grid: every searchable entry in order, squared distances in
// double precision (the point may be far enough out that integer squares
// would not be exact either), a later entry winning only when strictly nearer.
int TNearestCache::FullSearch(int32_t u, int32_t v, int32_t y) const {
    double best = DBL_MAX;
    int bestIndex = 0;
    for (int e = 0; e < searchCount_; ++e) {
        const TPoint& p = points_[e];
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
    if (subCells_[cell].Refs < 0) BuildCellList(cell);
    const TListRef& ref = cellLists_[cell];
    std::vector<int> result;
    for (int32_t n = 0; n < ref.Count; ++n) result.push_back(indexes_[ref.Start + n]);
    return result;
}
