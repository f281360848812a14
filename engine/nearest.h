#pragma once
// Cached nearest-colour search over PaletteTable entries 0 .. SearchCount-1.
// The colour space is cut into 40x40x40 cells of 2048 units; each touched
// cell gets, once per run, the list of the only entries that can be nearest
// to any point in it.
//
// Grid: U and V from -40960, Y from -8192, 2048 units a cell. The cell of a
// point is (coordinate - origin) / 2048 truncated toward zero, so a point up
// to 2047 units below a lower face still counts as lying in the first cell
// along that axis; its answer then comes from that cell's list and may, in
// rare cases, differ from a full search. Every other point gets the
// lowest-numbered entry among those at the least squared distance.

#include <cstdint>
#include <vector>

#include "engine/engine_run.h"

class TNearestCache {
public:
    static constexpr int GridSide = 40;
    static constexpr int CellCount = GridSide * GridSide * GridSide;  // 64000
    static constexpr int32_t CellSize = 2048;  // units: 8 colour levels
    static constexpr int32_t OriginUV = -40960;
    static constexpr int32_t OriginY = -8192;

    // Empties every cell list and binds the cache to a palette; the palette
    // (searchCount >= 1 entries) must stay alive and unchanged while the
    // cache is in use. Palette points are ColorPoints of 24-bit colours.
    void Reset(const TPaletteEntry* palette, int32_t searchCount);
    // The lowest-numbered entry at the least squared distance from (u, v, y),
    // in 0 .. searchCount-1 (see the lower-face note above). Builds the
    // point's cell list on first use.
    int FindNearest(int32_t u, int32_t v, int32_t y);
    // Releases every cell list and the table; Reset makes the cache usable again.
    void Release();

    // Cell number 0..63999 of a point, or -1 when it lies outside the grid.
    static int CellOf(int32_t u, int32_t v, int32_t y);
    // Number of cell lists built since the last Reset (for tests and benchmarks).
    int BuiltCells() const { return builtCells_; }
    // The candidate indexes of a cell, ascending; builds the list if absent.
    std::vector<int> CandidatesOf(int cell);

private:
    // One candidate: the entry's point copied next to its index, so a search
    // walks one contiguous run of memory.
    struct TCandidate {
        int32_t U, V, Y, Index;
    };
    struct TCellRef {
        int32_t Start = -1;  // offset into candidates_, -1 while absent
        int32_t Count = 0;
    };

    void BuildCellList(int cell);
    int FullSearch(int32_t u, int32_t v, int32_t y) const;
    int SearchList(const TCellRef& ref, int32_t u, int32_t v, int32_t y) const;

    const TPaletteEntry* palette_ = nullptr;
    int32_t searchCount_ = 0;
    int builtCells_ = 0;
    std::vector<TCellRef> cells_;          // CellCount entries once Reset
    std::vector<TCandidate> candidates_;   // every built list, back to back
    std::vector<double> scratchDistance_;  // one per entry, for BuildCellList
};

// Inline because every mapped pixel calls it at least once.
inline int TNearestCache::CellOf(int32_t u, int32_t v, int32_t y) {
    // 64-bit so a point pushed anywhere by diffused error cannot overflow;
    // C++ division truncates toward zero, which gives the lower-face slack.
    const int64_t i = (int64_t{u} - OriginUV) / CellSize;
    const int64_t j = (int64_t{v} - OriginUV) / CellSize;
    const int64_t k = (int64_t{y} - OriginY) / CellSize;
    if (i < 0 || i >= GridSide || j < 0 || j >= GridSide || k < 0 || k >= GridSide) return -1;
    return static_cast<int>(i + GridSide * j + GridSide * GridSide * k);
}

inline int TNearestCache::SearchList(const TCellRef& ref, int32_t u, int32_t v, int32_t y) const {
    // Integer squared distances: points inside the grid (with its slack) and
    // palette points of 24-bit colours differ by less than 2^18 per
    // coordinate, so the sums stay below 2^38 and equal the double values
    // exactly; the comparisons are therefore the same as in double.
    const TCandidate* c = candidates_.data() + ref.Start;
    const TCandidate* end = c + ref.Count;
    int64_t best = INT64_MAX;
    int bestIndex = c->Index;
    for (; c != end; ++c) {
        const int64_t du = int64_t{u} - c->U;
        const int64_t dv = int64_t{v} - c->V;
        const int64_t dy = int64_t{y} - c->Y;
        const int64_t d = du * du + dv * dv + dy * dy;
        if (d < best) {
            best = d;
            bestIndex = c->Index;
        }
    }
    return bestIndex;
}

inline int TNearestCache::FindNearest(int32_t u, int32_t v, int32_t y) {
    const int cell = CellOf(u, v, y);
    if (cell < 0) return FullSearch(u, v, y);
    if (cells_[cell].Start < 0) BuildCellList(cell);
    return SearchList(cells_[cell], u, v, y);
}
