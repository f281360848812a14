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
//
// Speed: when a cell's list is built, each of its 4x4x4 sub-cubes (512
// units) also gets the part of the cell list that can hold the nearest entry
// of a point inside it (entries within the sub-cube's diagonal, plus one
// unit, of the least distance from its centre). The sub-list keeps the
// list's ascending order and every entry that can be nearest, so searching
// it gives exactly the cell list's answer, with far fewer distances. Points
// in the lower-face slack, which lie outside their cell, search the whole
// cell list. Of several entries at one point only the lowest-numbered is
// ever listed: the others can never be nearest, and a palette of hundreds
// of equal entries (a flat picture) would otherwise put all of them in
// every list near that point.

#include <cstdint>
#include <vector>

#include "engine/engine_run.h"

class TNearestCache {
  public:
    static constexpr int GridSide = 40;
    static constexpr int CellCount = GridSide * GridSide * GridSide;  // 64000
    static constexpr int32_t CellSize = 2048;                         // units: 8 colour levels
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
    // A cell list: `Count` indexes from `Start` in indexes_.
    struct TListRef {
        int32_t Start = -1;  // -1 while absent
        int32_t Count = 0;
    };
    // Where a built cell's 64 sub-lists live: their 16-bit references in
    // subRefs_, and the base in indexes_ that the references count from.
    struct TSubCell {
        int32_t Refs = -1;  // -1 while the cell is absent
        int32_t Base = 0;
    };
    // A sub-list reference is SingleMark | index when the sub-list holds one
    // entry (the answer itself, no further memory access), otherwise the
    // offset from Base of a count byte (count - 1) followed by the indexes.
    // 64 references of 2 bytes keep a cell's table in two cache lines.
    static constexpr uint16_t SingleMark = 0x8000;
    // An entry's point, padded to 16 bytes; the table of 256 stays in L1.
    struct alignas(16) TPoint {
        int32_t U = 0, V = 0, Y = 0;
    };
    static constexpr int CellShift = 11;  // 2048 = 1 << 11
    static constexpr int SubShift = 9;    // sub-cubes of 512 units, 4 per cell side
    static constexpr int64_t GridSpan = int64_t{GridSide} * CellSize;  // 81920

    void BuildCellList(int cell);
    void BuildSubLists(int cell);
    int FullSearch(int32_t u, int32_t v, int32_t y) const;
    int SearchIndexes(const uint8_t* index, int32_t count, int32_t u, int32_t v, int32_t y) const;

    int32_t searchCount_ = 0;
    int builtCells_ = 0;
    TPoint points_[256];
    bool repeats_[256] = {};               // the entry's point equals an earlier entry's
    std::vector<TListRef> cellLists_;      // CellCount entries once Reset
    std::vector<TSubCell> subCells_;       // CellCount entries once Reset
    std::vector<uint16_t> subRefs_;        // 64 per built cell
    std::vector<uint8_t> indexes_;         // every list and sub-list, back to back
    std::vector<double> scratchDistance_;  // one per entry, for the builders
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

inline int TNearestCache::SearchIndexes(const uint8_t* index, int32_t count, int32_t u, int32_t v,
                                        int32_t y) const {
    // Integer squared distances: points that have a cell and palette points
    // of 24-bit colours differ by less than 2^18 per coordinate, so the sums
    // stay below 2^38 and equal the double values exactly; the comparisons
    // are therefore the same as in double.
    // The distance and the index packed in one key (distance << 8 | index)
    // make the search a branch-free minimum: equal distances compare by
    // index, and lists are ascending, so the first of the nearest wins.
    const uint8_t* end = index + count;
    uint64_t best = UINT64_MAX;
    for (; index != end; ++index) {
        const TPoint& p = points_[*index];
        const int64_t du = int64_t{u} - p.U;
        const int64_t dv = int64_t{v} - p.V;
        const int64_t dy = int64_t{y} - p.Y;
        const uint64_t key = static_cast<uint64_t>(du * du + dv * dv + dy * dy) << 8 | *index;
        best = key < best ? key : best;
    }
    return static_cast<int>(best & 0xFF);
}

inline int TNearestCache::FindNearest(int32_t u, int32_t v, int32_t y) {
    const int64_t du = int64_t{u} - OriginUV;
    const int64_t dv = int64_t{v} - OriginUV;
    const int64_t dy = int64_t{y} - OriginY;
    if (static_cast<uint64_t>(du) < GridSpan && static_cast<uint64_t>(dv) < GridSpan &&
        static_cast<uint64_t>(dy) < GridSpan) {
        // Properly inside the grid: the point's sub-list.
        const int cell = static_cast<int>((du >> CellShift) + GridSide * (dv >> CellShift) +
                                          GridSide * GridSide * (dy >> CellShift));
        if (subCells_[cell].Refs < 0) BuildCellList(cell);
        const TSubCell& sub = subCells_[cell];
        const int at = static_cast<int>(((du >> SubShift) & 3) + 4 * ((dv >> SubShift) & 3) +
                                        16 * ((dy >> SubShift) & 3));
        const uint16_t ref = subRefs_[sub.Refs + at];
        if (ref & SingleMark) return ref & 0xFF;
        const uint8_t* list = indexes_.data() + sub.Base + ref;
        return SearchIndexes(list + 1, int32_t{list[0]} + 1, u, v, y);
    }
    const int cell = CellOf(u, v, y);
    if (cell < 0) return FullSearch(u, v, y);
    // Lower-face slack: the whole list of the cell the point counts in.
    if (subCells_[cell].Refs < 0) BuildCellList(cell);
    const TListRef& list = cellLists_[cell];
    return SearchIndexes(indexes_.data() + list.Start, list.Count, u, v, y);
}
